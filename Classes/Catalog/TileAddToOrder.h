#pragma once

// The add-to-order path of the screens that list products as tiles (the
// catalogue grid, favourites, related products, compare). A tile's add
// button first asks the currency question when the current order is priced
// in another currency; the product then goes in at once with one piece, or,
// when one of its attributes has several values, the attribute picker opens
// in a popover pointing at the tile. Each add recounts the pieces the order
// already holds and shows the new number on the tile's badge; an add the
// order refuses says "FAILED" and leaves the badge as it was. After the
// currency question is answered the screen rebuilds its badges and the same
// product is tried again in the order that is now current.
//
// The owning screen answers for its tiles by their index in its list; the
// path keeps the index carried across the currency question and the last
// popover, and hears the picker and the question itself.

#include "Classes/Catalog/AddToOrderControllerDelegate.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/UIAlertView.h"

#include <memory>
#include <optional>
#include <string>

class UIPopoverController;
class UIView;
class UIViewController;
struct corvelle_product_Entity;

class TileAddToOrder : public AddToOrderControllerDelegate,
                       public UIAlertViewDelegate,
                       public std::enable_shared_from_this<TileAddToOrder> {
public:
    // What the path asks of the screen, by the tile's index in its list.
    class Screen {
    public:
        virtual ~Screen() = default;
        // The product listed at `index`, or null when it cannot be added.
        virtual std::shared_ptr<corvelle_product_Entity> orderProductAt(long index) const = 0;
        // The tile (a product tile or a compare column), when it is shown. A
        // popover points at it, less its scroll view's offset; its badge shows
        // the pieces now in the order.
        virtual std::shared_ptr<UIView> orderTileAt(long index) const = 0;
        // How far right of the tile's x the popover points.
        virtual CGFloat orderAnchorShift(const UIView&) const { return 0; }
        // Rebuilds every tile's badge from the order now current.
        virtual void recountOrderBadges() = 0;
    };

    // `pickerIndexBase` is added to the tile's index for the picker to carry
    // (the tile's tag where the screen tags its tiles so).
    template <class ScreenController>
    static std::shared_ptr<TileAddToOrder> forScreen(
        const std::shared_ptr<ScreenController>& screen, long pickerIndexBase)
    {
        return std::make_shared<TileAddToOrder>(
            std::weak_ptr<Screen>(screen), std::weak_ptr<UIViewController>(screen), pickerIndexBase);
    }
    TileAddToOrder(std::weak_ptr<Screen> screen, std::weak_ptr<UIViewController> owner, long pickerIndexBase);

    // The add button of the tile at `index`.
    void addFromTile(long index);
    // The product at `index` once its currency is settled: at once, or through the picker.
    void addProductAtIndex(long index);

    const std::shared_ptr<UIPopoverController>& addToOrderPopController() const { return m_addToOrderPopController; }

    void addProductToOrderWithProductCellIndex(
        const std::shared_ptr<corvelle_product_Entity>& product, unsigned cellIndex) override;
    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;

private:
    void add(const std::shared_ptr<corvelle_product_Entity>& product, long index);

    std::weak_ptr<Screen> m_screen;
    std::weak_ptr<UIViewController> m_owner;
    long m_pickerIndexBase = 0;
    std::shared_ptr<UIPopoverController> m_addToOrderPopController;
    // The index carried across the currency question.
    long m_selectTag = 0;
};
