#include "Classes/Catalog/RelatedProductViewcontroller.h"

#include "Classes/Catalog/CatalogLayOut.h"
#include "Classes/Catalog/DetailCell.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/UIToast.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/DataAccessManager.h"
#include "Database/QuoteOrderEntity.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIScrollView.h"

#include <algorithm>

void RelatedProductViewcontroller::viewDidLoad()
{
    PopBaseController::viewDidLoad();
    if (!m_orderPath)
        m_orderPath = TileAddToOrder::forScreen(protect<RelatedProductViewcontroller>(), kTileTagBase);
    if (lblTittle)
        lblTittle->setText(text("RELATEDPRODUCTS"));
    m_relatedScrollView = std::make_shared<UIScrollView>(CGRectMake(0, 55, 980, 713));
    view()->addSubview(m_relatedScrollView);
    getRelatedShowData();
}

void RelatedProductViewcontroller::viewDidUnload()
{
    PopBaseController::viewDidUnload();
    m_relatedScrollView.reset();
}

void RelatedProductViewcontroller::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    PopBaseController::updateLanguage();
    if (lblTittle)
        lblTittle->setText(text("RELATEDPRODUCTS"));
}

std::vector<std::shared_ptr<DetailCell>> RelatedProductViewcontroller::tiles() const
{
    std::vector<std::shared_ptr<DetailCell>> found;
    if (!m_relatedScrollView)
        return found;
    for (const auto& sub : m_relatedScrollView->subviews()) {
        if (auto tile = std::dynamic_pointer_cast<DetailCell>(sub))
            found.push_back(tile);
    }
    return found;
}

std::shared_ptr<DetailCell> RelatedProductViewcontroller::tileWithTag(long tag) const
{
    for (const auto& tile : tiles()) {
        if (tile->tag() == tag)
            return tile;
    }
    return nullptr;
}

void RelatedProductViewcontroller::getRelatedShowData()
{
    for (const auto& tile : tiles())
        tile->removeFromSuperview();
    if (m_relatedArray.empty())
        return;
    m_cellHeight = kCellHeight;
    m_cellWidth = kCellWidth;
    auto data = DataAccessManager::sharedDataModel();
    auto order = QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder;
    auto weak = weakSelf<RelatedProductViewcontroller>();
    const long count = static_cast<long>(m_relatedArray.size());
    const long rows = count / 5 + 1;
    const CGFloat columnWidth = m_relatedScrollView->frame().size.width / 5;
    for (long r = 0; r < rows; ++r) {
        for (long c = 0; c < 5; ++c) {
            const long i = r * 5 + c;
            if (i >= count)
                break;
            const auto& product = m_relatedArray[static_cast<size_t>(i)];
            auto tile = DetailCell::init();
            tile->setDetailDelegate(std::static_pointer_cast<DetailCellDelegate>(weak.lock()));
            tile->setTag(kTileTagBase + i);
            tile->setFrame(CGRectMake(10 + static_cast<CGFloat>(c) * columnWidth,
                static_cast<CGFloat>(r) * m_cellHeight, m_cellWidth, m_cellHeight));
            auto image = data->getImageByKeyId(product->product_id);
            PublicFunction::ImageViewFitImgImg(tile->productImageView(),
                PublicFunction::getLocalImageFiletype(
                    image && image->image_thumb_address ? *image->image_thumb_address : "", 1));
            tile->catalogNameLabel()->setText(product->product_name.value_or(""));
            tile->setProductId(product->product_id);
            tile->skuContentLabel()->setText(product->product_sku.value_or(""));
            product->itemNumberInOrder = 0;
            if (order) {
                for (const auto& line : order->items) {
                    if (line->product && line->product->product_id == product->product_id)
                        product->itemNumberInOrder += static_cast<unsigned>(line->quantity);
                }
            }
            tile->setBadgeValueAnimated(product->itemNumberInOrder
                    ? std::optional<std::string>(std::to_string(product->itemNumberInOrder))
                    : std::nullopt,
                false);
            tile->devideImageView()->setHidden(c == 4);
            m_relatedScrollView->addSubview(tile);
        }
    }
    const CGSize box = m_relatedScrollView->frame().size;
    m_relatedScrollView->setContentSize(
        CGSizeMake(box.width, std::max(static_cast<CGFloat>(rows) * m_cellHeight, box.height)));
}

std::shared_ptr<corvelle_product_Entity> RelatedProductViewcontroller::productAt(long index) const
{
    if (index < 0 || index >= static_cast<long>(m_relatedArray.size()))
        return nullptr;
    const auto& product = m_relatedArray[static_cast<size_t>(index)];
    if (!DataAccessManager::sharedDataModel()->getProductByProductId(product->product_id))
        return nullptr;
    return product;
}

void RelatedProductViewcontroller::didSelectedImage(const std::shared_ptr<DetailCell>& cell)
{
    if (!cell)
        return;
    const long chosen = cell->tag() - kTileTagBase;
    // Only published products go to the catalogue, and the index follows the list they make.
    auto choice = CatalogLayOut::readableChoice(
        static_cast<long>(m_relatedArray.size()), [this](long i) { return productAt(i); }, chosen);
    if (!choice)
        return;
    auto keep = protect<RelatedProductViewcontroller>();
    cell->productImageView()->setAlpha(0.3f);
    cell->productImageView()->setBackgroundColor(PublicFunction::colorOfMainTheme());
    close();
    CatalogLayOut::post(choice->index, choice->products);
}

void RelatedProductViewcontroller::addToOrder(const std::shared_ptr<DetailCell>& cell)
{
    if (cell && m_orderPath)
        m_orderPath->addFromTile(cell->tag() - kTileTagBase);
}
