#include "Classes/Catalog/ProductCompareController.h"

#include "Classes/Catalog/CatalogLayOut.h"
#include "Classes/Catalog/CompareCell.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/UIToast.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITextView.h"

namespace {

std::optional<std::string> badgeText(unsigned pieces)
{
    return pieces ? std::optional<std::string>(std::to_string(pieces)) : std::nullopt;
}

}  // namespace

ProductCompareController::~ProductCompareController() { NSNotificationCenter::defaultCenter().removeObserver(this); }

void ProductCompareController::viewDidLoad()
{
    PopBaseController::viewDidLoad();
    if (!m_orderPath)
        m_orderPath = TileAddToOrder::forScreen(protect<ProductCompareController>(), kColumnTagBase);
    auto weak = weakSelf<ProductCompareController>();
    auto tapBackground = [weak](UIGestureRecognizer& g) {
        if (g.state() != UIGestureRecognizerStateRecognized)
            return;
        if (auto self = weak.lock())
            self->respondToTapBackgroundGesture();
    };

    m_btnEdit = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnEdit->setFrame(CGRectMake(15, 5, 60, 34));
    PublicFunction::initializeToButtonHeight34(m_btnEdit);
    m_btnEdit->addTarget(UIControlEventTouchUpInside, [weak](UIControl& sender, UIEvent*) {
        if (auto self = weak.lock())
            self->enterEditMode(std::static_pointer_cast<UIButton>(sender.sharedView()));
    });
    titlebar()->addSubview(m_btnEdit);

    m_removeAllBtn = UIButton::buttonWithType(UIButtonTypeCustom);
    m_removeAllBtn->setFrame(CGRectMake(15, 5, 100, 34));
    PublicFunction::initializeToButtonHeight34(m_removeAllBtn);
    m_removeAllBtn->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->removeAll();
    });
    m_removeAllBtn->setHidden(true);
    titlebar()->addSubview(m_removeAllBtn);

    m_bgView = std::make_shared<UIView>(view()->bounds());
    m_bgView->setBackgroundColor(UIColor::clearColor());
    m_bgView->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>(tapBackground));
    view()->insertSubviewAtIndex(m_bgView, 0);

    m_compareScrollView = std::make_shared<UIScrollView>(CGRectMake(220, 55, 720, 600));
    m_scrollViewBgView = std::make_shared<UIView>(m_compareScrollView->bounds());
    m_scrollViewBgView->setBackgroundColor(UIColor::clearColor());
    m_scrollViewBgView->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>(tapBackground));
    m_compareScrollView->addSubview(m_scrollViewBgView);
    view()->addSubview(m_compareScrollView);

    auto caption = [this](CGFloat y) {
        auto label = std::make_shared<UILabel>(CGRectMake(50, y, 100, 40));
        label->setBackgroundColor(UIColor::clearColor());
        view()->addSubview(label);
        return label;
    };
    m_nameLabel = caption(263);
    m_priceLabel = caption(321);
    m_priceLabel->setTextColor(UIColor::colorWithRedGreenBlueAlpha(176 / 255.0, 48 / 255.0, 96 / 255.0, 1));
    m_SKULabel = caption(382);
    m_descriptionLabel = caption(440);
    setCaptions();

    m_inEdit = false;
    getCompareShowData();
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void ProductCompareController::viewAfterFirstDidLoad()
{
    PopBaseController::viewAfterFirstDidLoad();
    auto weak = weakSelf<ProductCompareController>();
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(this, "AppWillEnterBackgound", [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->willEnterBackground();
    });
    center.addObserver(this, "AppWillEnterForegroud", [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->willEnterForeground();
    });
}

void ProductCompareController::viewDidUnload()
{
    PopBaseController::viewDidUnload();
    m_compareScrollView.reset();
    m_removeAllBtn.reset();
    m_bgView.reset();
    m_scrollViewBgView.reset();
    m_nameLabel.reset();
    m_priceLabel.reset();
    m_SKULabel.reset();
    m_descriptionLabel.reset();
}

void ProductCompareController::setCaptions()
{
    if (lblTittle)
        lblTittle->setText(text("PRODUCTCOMPARISON"));
    if (m_btnEdit)
        m_btnEdit->setTitleForState(text("EDIT"), UIControlStateNormal);
    if (m_removeAllBtn)
        m_removeAllBtn->setTitleForState(text("REMOVEALL"), UIControlStateNormal);
    if (!m_nameLabel)
        return;
    m_nameLabel->setText(stringWithFormat("%@:", text("NAME")));
    m_priceLabel->setText(stringWithFormat("%@:", text("PRICE")));
    m_SKULabel->setText(stringWithFormat("%@:", text("SKU")));
    m_descriptionLabel->setText(stringWithFormat("%@:", text("DESCRIPTION")));
}

void ProductCompareController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    PopBaseController::updateLanguage();
    setCaptions();
}

std::vector<std::shared_ptr<CompareCell>> ProductCompareController::columns() const
{
    std::vector<std::shared_ptr<CompareCell>> cells;
    if (!m_compareScrollView)
        return cells;
    for (const auto& view : m_compareScrollView->subviews())
        if (auto cell = std::dynamic_pointer_cast<CompareCell>(view))
            cells.push_back(cell);
    return cells;
}

std::shared_ptr<CompareCell> ProductCompareController::columnWithTag(long tag) const
{
    for (const auto& cell : columns())
        if (cell->tag() == tag)
            return cell;
    return nullptr;
}

std::shared_ptr<corvelle_product_Entity> ProductCompareController::productOfColumn(long index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_compareProductsArray.size())
        return nullptr;
    return DataAccessManager::sharedDataModel()->getProductByProductId(
        m_compareProductsArray[static_cast<size_t>(index)]->product_id);
}

void ProductCompareController::getCompareShowData()
{
    for (const auto& cell : columns())
        cell->removeFromSuperview();
    auto data = DataAccessManager::sharedDataModel();
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    auto weak = weakSelf<ProductCompareController>();
    const size_t n = m_compareProductsArray.size();
    if (n > 0) {
        cellHeight = 600;
        cellWidth = 180;
    }
    for (size_t i = 0; i < n; ++i) {
        const auto& record = *m_compareProductsArray[i];
        auto cell = CompareCell::initWithStyleReuseIdentifier(UITableViewCellStyleDefault, std::string("Comparecell"));
        cell->setCompareDelegate(std::static_pointer_cast<CompareCellDelegate>(weak.lock()));
        cell->setFrame(CGRectMake(cellWidth * static_cast<CGFloat>(i), 0, cellWidth, cellHeight));
        cell->setTag(kColumnTagBase + static_cast<long>(i));

        auto image = data->getImageByKeyId(record.product_id);
        PublicFunction::ImageViewFitImgImg(cell->productImageView(),
            PublicFunction::getLocalImageFiletype(
                image ? image->image_thumb_address.value_or(std::string()) : std::string(), 1));
        auto product = data->getProductByProductId(record.product_id);
        if (product) {
            store->getItemNumberInOrder(*product);
            cell->setBadgeValueAnimated(badgeText(product->itemNumberInOrder), false);
        } else {
            // Nothing to add for a product that can no longer be read.
            cell->addOrderBtn()->setHidden(true);
        }
        cell->setProductId(record.product_id);
        cell->SKULabel()->setText(
            product ? product->product_sku.value_or(std::string()) : record.product_sku.value_or(std::string()));
        cell->productNameLabel()->setText(
            product ? product->product_name.value_or(std::string()) : record.product_name.value_or(std::string()));
        cell->shortDesTextView()->setText(product ? product->product_s_desc.value_or(std::string()) : std::string());
        cell->smallCloseBtn()->setTag(kColumnTagBase + static_cast<long>(i));
        cell->smallCloseBtn()->addTarget(UIControlEventTouchUpInside, [weak](UIControl& sender, UIEvent*) {
            if (auto self = weak.lock())
                self->deleteSingleCompare(std::static_pointer_cast<UIButton>(sender.sharedView()));
        });
        if (i + 1 == n)
            cell->devideImageView()->setHidden(true);
        m_compareScrollView->addSubview(cell);
    }
    const CGSize box = m_compareScrollView->frame().size;
    m_compareScrollView->setContentSize(CGSizeMake(std::max(static_cast<CGFloat>(n) * 180, box.width), box.height));
    shakeAllCellImages(m_inEdit);
}

void ProductCompareController::setInEdit(bool inEdit)
{
    if (inEdit == m_inEdit)
        return;
    shakeAllCellImages(inEdit);
    m_inEdit = inEdit;
    m_btnEdit->setHidden(inEdit);
    m_removeAllBtn->setHidden(!inEdit);
}

void ProductCompareController::enterEditMode(const std::shared_ptr<UIButton>& sender)
{
    if (sender == m_btnEdit)
        setInEdit(true);
}

void ProductCompareController::shakeAllCellImages(bool shaking)
{
    for (const auto& cell : columns()) {
        cell->smallCloseBtn()->setHidden(!shaking);
        cell->addOrderBtn()->setEnabled(!shaking);
        setImageViewShakingShaking(cell->productImageView(), shaking);
    }
}

void ProductCompareController::setImageViewShakingShaking(const std::shared_ptr<UIView>& view, bool shaking)
{
    PublicFunction::setViewShakingShaking(view, shaking);
}

void ProductCompareController::deleteSingleCompare(const std::shared_ptr<UIButton>& closeButton)
{
    const long index = closeButton->tag() - kColumnTagBase;
    if (index < 0 || static_cast<size_t>(index) >= m_compareProductsArray.size())
        return;
    DataAccessManager::sharedDataModel()->deleteSingleCompareByCompareId(
        m_compareProductsArray[static_cast<size_t>(index)]->product_id);
    m_compareProductsArray.erase(m_compareProductsArray.begin() + index);
    getCompareShowData();
    if (auto d = compareDelegate())
        d->changeAddCompareButtonState();
}

void ProductCompareController::removeAll()
{
    auto self = protect<ProductCompareController>();
    m_compareProductsArray.clear();
    DataAccessManager::sharedDataModel()->deleteAllCompare();
    getCompareShowData();
    if (auto d = compareDelegate())
        d->changeAddCompareButtonState();
    std::make_shared<UIToast>()->show(text("ALLCOMPARISONREMOVED"));
    close();
}

void ProductCompareController::didTapImage(const std::shared_ptr<CompareCell>& cell)
{
    if (m_inEdit)
        return;
    cell->productImageView()->setAlpha(0.4);
    cell->productImageView()->setBackgroundColor(PublicFunction::colorOfMainTheme());
    didSelectedCompareCell(cell);
}

void ProductCompareController::didSelectedCompareCell(const std::shared_ptr<CompareCell>& cell)
{
    auto self = protect<ProductCompareController>();
    close();
    // The ids travel with the tapped column's place; entries that cannot be
    // read drop out when the list is read back.
    ValueArray ids;
    for (const auto& record : m_compareProductsArray)
        ids.push_back(Value::integer(record->product_id));
    NSNotificationCenter::defaultCenter().postNotificationName(CatalogLayOut::kNotificationName,
        Value(ValueArray { Value::integer(cell->tag() - kColumnTagBase), Value(std::move(ids)) }));
}

void ProductCompareController::didLongPressImage(const std::shared_ptr<CompareCell>&)
{
    if (!m_inEdit)
        setInEdit(true);
}

void ProductCompareController::didClickCellBackground(const std::shared_ptr<CompareCell>&)
{
    if (m_inEdit)
        setInEdit(false);
}

void ProductCompareController::respondToTapBackgroundGesture()
{
    if (m_inEdit)
        setInEdit(false);
}

void ProductCompareController::willEnterBackground()
{
    if (m_inEdit)
        shakeAllCellImages(false);
}

void ProductCompareController::willEnterForeground()
{
    if (m_inEdit)
        shakeAllCellImages(true);
}

void ProductCompareController::addToOrder(const std::shared_ptr<CompareCell>& cell)
{
    if (cell && m_orderPath)
        m_orderPath->addFromTile(cell->tag() - kColumnTagBase);
}
