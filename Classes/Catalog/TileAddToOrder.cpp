#include "Classes/Catalog/TileAddToOrder.h"

#include "Classes/Catalog/AddToOrderController.h"
#include "Classes/Catalog/CompareCell.h"
#include "Classes/Catalog/DetailCell.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/UIToast.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/corvelle_product_Entity.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIViewController.h"

TileAddToOrder::TileAddToOrder(
    std::weak_ptr<Screen> screen, std::weak_ptr<UIViewController> owner, long pickerIndexBase)
    : m_screen(std::move(screen))
    , m_owner(std::move(owner))
    , m_pickerIndexBase(pickerIndexBase)
{
}

void TileAddToOrder::addFromTile(long index)
{
    auto screen = m_screen.lock();
    auto product = screen ? screen->orderProductAt(index) : nullptr;
    if (!product)
        return;
    m_selectTag = index;
    if (QuoteOrderStore::sharedQuoteOrderStore()->diffItemCYExist(*product)) {
        AddToOrderController::showCurrencyAlert(weak_from_this());
        return;
    }
    addProductAtIndex(index);
}

void TileAddToOrder::addProductAtIndex(long index)
{
    auto screen = m_screen.lock();
    auto product = screen ? screen->orderProductAt(index) : nullptr;
    if (!product)
        return;
    if (!AddToOrderController::prepareAttributes(*product)) {
        add(product, index);
        return;
    }
    auto owner = m_owner.lock();
    auto tile = screen->orderTileAt(index);
    if (!owner || !tile)
        return;
    CGRect anchor = tile->frame();
    anchor.origin.x += screen->orderAnchorShift(*tile);
    if (auto scroller = std::dynamic_pointer_cast<UIScrollView>(tile->superview()))
        anchor.origin.y -= scroller->contentOffset().y;
    auto picker = std::make_shared<AddToOrderController>();
    picker->setDelegate(weak_from_this());
    picker->setProduct_Entity(product);
    picker->setCellIndex(static_cast<unsigned>(index + m_pickerIndexBase));
    m_addToOrderPopController = std::make_shared<UIPopoverController>(picker);
    m_addToOrderPopController->setPopoverContentSize(CGSizeMake(400, 250));
    m_addToOrderPopController->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(anchor, owner->view(),
        UIPopoverArrowDirectionDown | UIPopoverArrowDirectionLeft | UIPopoverArrowDirectionRight, true);
}

void TileAddToOrder::add(const std::shared_ptr<corvelle_product_Entity>& product, long index)
{
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    store->getItemNumberInOrder(*product);
    if (!store->addToOrder(product)) {
        std::make_shared<UIToast>()->show(text("FAILED"));
        return;
    }
    product->itemNumberInOrder += static_cast<unsigned>(product->count);
    auto screen = m_screen.lock();
    auto tile = screen ? screen->orderTileAt(index) : nullptr;
    const std::string badge = std::to_string(product->itemNumberInOrder);
    if (auto cell = std::dynamic_pointer_cast<DetailCell>(tile))
        cell->setBadgeValueAnimated(badge, true);
    else if (auto column = std::dynamic_pointer_cast<CompareCell>(tile))
        column->setBadgeValueAnimated(badge, true);
}

void TileAddToOrder::addProductToOrderWithProductCellIndex(
    const std::shared_ptr<corvelle_product_Entity>& product, unsigned cellIndex)
{
    if (product)
        add(product, static_cast<long>(cellIndex) - m_pickerIndexBase);
}

void TileAddToOrder::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    if (alert.tag() != AddToOrderController::kCurrencyAlertTag)
        return;
    auto self = shared_from_this();
    if (!AddToOrderController::settleOtherCurrencyOrder(buttonIndex))
        return;
    if (auto screen = m_screen.lock())
        screen->recountOrderBadges();
    AddToOrderController::clearOrderTabBadge();
    addProductAtIndex(m_selectTag);
}
