#include "Classes/Catalog/ProductFavoriteController.h"

#include "Classes/Catalog/CatalogLayOut.h"
#include "Classes/Catalog/DetailCell.h"
#include "Classes/Frame/BadgeButton.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/UIToast.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITouch.h"

#include <algorithm>

ProductFavoriteController::ProductFavoriteController() = default;

ProductFavoriteController::~ProductFavoriteController() { NSNotificationCenter::defaultCenter().removeObserver(this); }

void ProductFavoriteController::viewDidLoad()
{
    PopBaseController::viewDidLoad();
    auto weak = weakSelf<ProductFavoriteController>();
    if (!m_orderPath)
        m_orderPath = TileAddToOrder::forScreen(protect<ProductFavoriteController>(), kTileTagBase);
    if (lblTittle)
        lblTittle->setText(text("FAVORITES"));
    m_favoriteScrollView = std::make_shared<UIScrollView>(CGRectMake(15, 55, 1009, 713));
    view()->addSubview(m_favoriteScrollView);

    auto press = std::make_shared<UILongPressGestureRecognizer>([weak](UIGestureRecognizer& recognizer) {
        if (auto self = weak.lock())
            self->respondToLongPressGesture(recognizer);
    });
    press->minimumPressDuration = 0.7;
    m_favoriteScrollView->addGestureRecognizer(press);

    m_tapGesturRecognizer = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& recognizer) {
        if (auto self = weak.lock())
            self->respondToTapGesture(recognizer);
    });
    m_tapGesturRecognizer->setDelegate(std::static_pointer_cast<UIGestureRecognizerDelegate>(weak.lock()));
    view()->addGestureRecognizer(m_tapGesturRecognizer);

    m_btnEdit = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnEdit->setFrame(CGRectMake(15, 5, 60, 34));
    PublicFunction::initializeToButtonHeight34(m_btnEdit);
    m_btnEdit->setTitleForState(text("EDIT"), UIControlStateNormal);
    m_btnEdit->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->enterEditMode();
    });
    titlebar()->addSubview(m_btnEdit);

    m_removeAllBtn = UIButton::buttonWithType(UIButtonTypeCustom);
    m_removeAllBtn->setFrame(CGRectMake(15, 5, 100, 34));
    PublicFunction::initializeToButtonHeight34(m_removeAllBtn);
    m_removeAllBtn->setTitleForState(text("REMOVEALL"), UIControlStateNormal);
    m_removeAllBtn->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->removeAllFavorites();
    });
    m_removeAllBtn->setHidden(true);
    titlebar()->addSubview(m_removeAllBtn);

    m_inEdit = false;
    getFavoritesShowData();
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void ProductFavoriteController::viewAfterFirstDidLoad()
{
    PopBaseController::viewAfterFirstDidLoad();
    auto weak = weakSelf<ProductFavoriteController>();
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(this, "AppWillEnterBackgound", [weak](const NSNotification&) {
        if (auto self = weak.lock(); self && self->m_inEdit)
            self->shakeAllCellImages(false);
    });
    center.addObserver(this, "AppWillEnterForegroud", [weak](const NSNotification&) {
        if (auto self = weak.lock(); self && self->m_inEdit)
            self->shakeAllCellImages(true);
    });
}

void ProductFavoriteController::viewDidUnload()
{
    PopBaseController::viewDidUnload();
    m_favoriteScrollView.reset();
    m_removeAllBtn.reset();
}

void ProductFavoriteController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    PopBaseController::updateLanguage();
    if (lblTittle)
        lblTittle->setText(text("FAVORITES"));
    if (m_removeAllBtn)
        m_removeAllBtn->setTitleForState(text("REMOVEALL"), UIControlStateNormal);
}

// The grid.

std::vector<std::shared_ptr<DetailCell>> ProductFavoriteController::tiles() const
{
    std::vector<std::shared_ptr<DetailCell>> found;
    if (!m_favoriteScrollView)
        return found;
    for (const auto& sub : m_favoriteScrollView->subviews()) {
        if (auto tile = std::dynamic_pointer_cast<DetailCell>(sub))
            found.push_back(tile);
    }
    return found;
}

std::shared_ptr<DetailCell> ProductFavoriteController::tileWithTag(long tag) const
{
    for (const auto& tile : tiles()) {
        if (tile->tag() == tag)
            return tile;
    }
    return nullptr;
}

void ProductFavoriteController::getFavoritesShowData()
{
    for (const auto& tile : tiles())
        tile->removeFromSuperview();
    if (m_favArray.empty())
        return;
    m_cellHeight = kCellHeight;
    m_cellWidth = kCellWidth;
    auto data = DataAccessManager::sharedDataModel();
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    auto weak = weakSelf<ProductFavoriteController>();
    const long count = static_cast<long>(m_favArray.size());
    const long rows = count / 5 + 1;
    const CGFloat columnWidth = m_favoriteScrollView->frame().size.width / 5;
    for (long r = 0; r < rows; ++r) {
        for (long c = 0; c < 5; ++c) {
            const long i = r * 5 + c;
            if (i >= count)
                break;
            const auto& favorite = m_favArray[static_cast<size_t>(i)];
            auto tile = DetailCell::init();
            tile->setDetailDelegate(std::static_pointer_cast<DetailCellDelegate>(weak.lock()));
            tile->setTag(kTileTagBase + i);
            tile->setFrame(CGRectMake(5 + static_cast<CGFloat>(c) * columnWidth, static_cast<CGFloat>(r) * m_cellHeight,
                m_cellWidth, m_cellHeight));
            auto image = data->getImageByKeyId(favorite->product_id);
            PublicFunction::ImageViewFitImgImg(tile->productImageView(),
                PublicFunction::getLocalImageFiletype(
                    image && image->image_thumb_address ? *image->image_thumb_address : "", 1));
            tile->catalogNameLabel()->setText(favorite->product_name.value_or(""));
            tile->setProductId(favorite->product_id);
            tile->skuContentLabel()->setText(favorite->product_sku.value_or(""));
            favorite->itemNumberInOrder = 0;
            store->getItemNumberInOrder(*favorite);
            tile->setBadgeValueAnimated(favorite->itemNumberInOrder
                    ? std::optional<std::string>(std::to_string(favorite->itemNumberInOrder))
                    : std::nullopt,
                false);
            tile->smallCloseBtn()->setFrame(CGRectMake(m_cellWidth - 70, -10, 50, 50));
            tile->smallCloseBtn()->setTag(kTileTagBase + i);
            tile->smallCloseBtn()->addTarget(UIControlEventTouchUpInside, [weak](UIControl& sender, UIEvent*) {
                auto self = weak.lock();
                if (auto button = dynamic_cast<UIButton*>(&sender); self && button)
                    self->deleteSingleFavorite(*button);
            });
            if (c == 4)
                tile->devideImageView()->setHidden(true);
            m_favoriteScrollView->addSubview(tile);
        }
    }
    const CGSize box = m_favoriteScrollView->frame().size;
    m_favoriteScrollView->setContentSize(
        CGSizeMake(box.width, std::max(static_cast<CGFloat>(rows) * m_cellHeight, box.height)));
    shakeAllCellImages(m_inEdit);
}

// Edit mode.

void ProductFavoriteController::setInEdit(bool edit)
{
    if (edit == m_inEdit)
        return;
    shakeAllCellImages(edit);
    m_inEdit = edit;
    m_btnEdit->setHidden(edit);
    m_removeAllBtn->setHidden(!edit);
}

void ProductFavoriteController::shakeAllCellImages(bool shaking)
{
    for (const auto& tile : tiles()) {
        tile->smallCloseBtn()->setHidden(!shaking);
        tile->addOrderBtn()->setEnabled(!shaking);
        PublicFunction::setViewShakingShaking(tile->productImageView(), shaking);
    }
}

void ProductFavoriteController::enterEditMode() { setInEdit(true); }

bool ProductFavoriteController::pointInCellImage(CGPoint point)
{
    for (const auto& tile : tiles()) {
        const auto& image = tile->productImageView();
        if (CGRectContainsPoint(image->bounds(), image->convertPointFromView(point, view())))
            return true;
    }
    return false;
}

bool ProductFavoriteController::pointInCell(CGPoint point)
{
    for (const auto& tile : tiles()) {
        if (CGRectContainsPoint(tile->bounds(), tile->convertPointFromView(point, view())))
            return true;
    }
    return false;
}

void ProductFavoriteController::respondToLongPressGesture(UIGestureRecognizer& recognizer)
{
    if (recognizer.state() != UIGestureRecognizerStateBegan)
        return;
    if (pointInCellImage(recognizer.locationInView(view())))
        setInEdit(true);
}

void ProductFavoriteController::respondToTapGesture(UIGestureRecognizer& recognizer)
{
    const CGPoint point = recognizer.locationInView(view());
    if (pointInCellImage(point))
        return;
    auto keep = protect<ProductFavoriteController>();
    setInEdit(false);
    const CGPoint inBar = titlebar()->convertPointFromView(point, view());
    if (CGRectContainsPoint(m_removeAllBtn->frame(), inBar))
        removeAllFavorites();
    else if (btnClose() && CGRectContainsPoint(btnClose()->frame(), inBar))
        close();
}

bool ProductFavoriteController::gestureRecognizerShouldReceiveTouch(UIGestureRecognizer& recognizer, UITouch& touch)
{
    if (&recognizer != m_tapGesturRecognizer.get())
        return true;
    const CGPoint point = touch.locationInView(view());
    return m_inEdit ? !pointInCell(point) : pointInCellImage(point);
}

// Deleting.

void ProductFavoriteController::deleteSingleFavorite(UIButton& button)
{
    const long index = button.tag() - kTileTagBase;
    NSLog("deleteSingleFavorite:%d", static_cast<int>(index));
    if (index < 0 || index >= static_cast<long>(m_favArray.size()))
        return;
    auto keep = protect<ProductFavoriteController>();
    DataAccessManager::sharedDataModel()->deleteSingleFavoriteByFavoriteId(
        m_favArray[static_cast<size_t>(index)]->product_id);
    m_favArray.erase(m_favArray.begin() + index);
    getFavoritesShowData();
    if (auto d = favDelegate())
        d->changeAddFavoriteButtonState();
}

void ProductFavoriteController::removeAllFavorites()
{
    auto keep = protect<ProductFavoriteController>();
    m_favArray.clear();
    DataAccessManager::sharedDataModel()->deleteAllFavorites();
    getFavoritesShowData();
    if (auto d = favDelegate())
        d->changeAddFavoriteButtonState();
    std::make_shared<UIToast>()->show(text("ALLFAVORITESREMOVED"));
    close();
}

// Opening a product and adding to the order.

std::shared_ptr<corvelle_product_Entity> ProductFavoriteController::productOfFavorite(long index) const
{
    if (index < 0 || index >= static_cast<long>(m_favArray.size()))
        return nullptr;
    return DataAccessManager::sharedDataModel()->getProductByProductId(
        m_favArray[static_cast<size_t>(index)]->product_id);
}

void ProductFavoriteController::didSelectedImage(const std::shared_ptr<DetailCell>& cell)
{
    if (m_inEdit || !cell)
        return;
    const long chosen = cell->tag() - kTileTagBase;
    // Only published products go to the catalogue, and the index follows the list they make.
    auto choice = CatalogLayOut::readableChoice(
        static_cast<long>(m_favArray.size()), [this](long i) { return productOfFavorite(i); }, chosen);
    if (!choice)
        return;
    auto keep = protect<ProductFavoriteController>();
    cell->productImageView()->setAlpha(0.3f);
    cell->productImageView()->setBackgroundColor(PublicFunction::colorOfMainTheme());
    close();
    CatalogLayOut::post(choice->index, choice->products);
}

void ProductFavoriteController::addToOrder(const std::shared_ptr<DetailCell>& cell)
{
    if (cell && m_orderPath)
        m_orderPath->addFromTile(cell->tag() - kTileTagBase);
}
