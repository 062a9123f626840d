#pragma once

// The salesperson's favourite products as a grid of tiles, five to a row,
// each with its add-to-order button and the count already in the order. A
// tapped tile closes the screen and asks the catalogue to open the product
// detail on the favourites. Edit mode (the Edit button, or a long press on a
// tile's picture) wobbles the pictures, shows a delete button on each tile
// and offers Remove-all; a tap outside the tiles leaves it. Favourites whose
// product is no longer published stay listed but open nothing and add
// nothing, and are left out of the list handed to the catalogue.

#include "Classes/Catalog/DetailCell.h"
#include "Classes/Catalog/DetailCellDelegate.h"
#include "Classes/Catalog/ProductFavoriteDelegate.h"
#include "Classes/Catalog/TileAddToOrder.h"
#include "Classes/Frame/PopBaseController.h"
#include "Database/corvelle_product_Entity.h"
#include "Platform/UIKit/UIGestureRecognizer.h"

#include <memory>
#include <vector>

class UIButton;
class UIPopoverController;
class UIScrollView;

class ProductFavoriteController : public PopBaseController,
                                  public DetailCellDelegate,
                                  public TileAddToOrder::Screen,
                                  public UIGestureRecognizerDelegate {
public:
    static constexpr long kTileTagBase = 3000;
    static constexpr CGFloat kCellWidth = 220;
    static constexpr CGFloat kCellHeight = 215;

    ProductFavoriteController();
    ~ProductFavoriteController() override;

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewDidUnload() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    using PopBaseController::updateLanguage;

    const std::vector<std::shared_ptr<corvelle_favorite_Entity>>& favArray() const { return m_favArray; }
    void setFavArray(std::vector<std::shared_ptr<corvelle_favorite_Entity>> favourites)
    {
        m_favArray = std::move(favourites);
    }
    std::shared_ptr<ProductFavoriteDelegate> favDelegate() const { return m_favDelegate.lock(); }
    void setFavDelegate(std::weak_ptr<ProductFavoriteDelegate> d) { m_favDelegate = std::move(d); }
    const std::shared_ptr<UIScrollView>& favoriteScrollView() const { return m_favoriteScrollView; }
    const std::shared_ptr<UIButton>& removeAllBtn() const { return m_removeAllBtn; }
    const std::shared_ptr<UIButton>& btnEdit() const { return m_btnEdit; }
    std::shared_ptr<UIPopoverController> addToOrderPopController() const
    {
        return m_orderPath ? m_orderPath->addToOrderPopController() : nullptr;
    }
    bool inEdit() const { return m_inEdit; }
    std::shared_ptr<DetailCell> tileWithTag(long tag) const;

    void getFavoritesShowData();
    void setInEdit(bool edit);

    void didSelectedImage(const std::shared_ptr<DetailCell>& cell) override;
    void addToOrder(const std::shared_ptr<DetailCell>& cell) override;
    bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer& recognizer, UITouch& touch) override;

private:
    void shakeAllCellImages(bool shaking);
    void enterEditMode();
    void respondToLongPressGesture(UIGestureRecognizer& recognizer);
    void respondToTapGesture(UIGestureRecognizer& recognizer);
    bool pointInCellImage(CGPoint pointInView);
    bool pointInCell(CGPoint pointInView);
    void deleteSingleFavorite(UIButton& button);
    void removeAllFavorites();
    std::shared_ptr<corvelle_product_Entity> productOfFavorite(long index) const;
    std::shared_ptr<corvelle_product_Entity> orderProductAt(long index) const override
    {
        return productOfFavorite(index);
    }
    std::shared_ptr<UIView> orderTileAt(long index) const override { return tileWithTag(kTileTagBase + index); }
    void recountOrderBadges() override { getFavoritesShowData(); }
    std::vector<std::shared_ptr<DetailCell>> tiles() const;

    std::vector<std::shared_ptr<corvelle_favorite_Entity>> m_favArray;
    std::weak_ptr<ProductFavoriteDelegate> m_favDelegate;
    std::shared_ptr<UIScrollView> m_favoriteScrollView;
    std::shared_ptr<UIButton> m_removeAllBtn;
    std::shared_ptr<UIButton> m_btnEdit;
    std::shared_ptr<TileAddToOrder> m_orderPath;
    std::shared_ptr<UIGestureRecognizer> m_tapGesturRecognizer;
    CGFloat m_cellWidth = kCellWidth;
    CGFloat m_cellHeight = kCellHeight;
    bool m_inEdit = false;
};
