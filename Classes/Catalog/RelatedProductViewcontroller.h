#pragma once

// The products related to the one on a product detail, as a grid of tiles,
// five to a row, each with its add-to-order button and the count already in
// the order. A tapped tile closes the screen and asks the catalogue to open
// the product detail on the related list at that product.

#include "Classes/Catalog/DetailCell.h"
#include "Classes/Catalog/DetailCellDelegate.h"
#include "Classes/Catalog/TileAddToOrder.h"
#include "Classes/Frame/PopBaseController.h"
#include "Database/corvelle_product_Entity.h"

#include <memory>
#include <vector>

class UIPopoverController;
class UIScrollView;

class RelatedProductViewcontroller : public PopBaseController,
                                     public DetailCellDelegate,
                                     public TileAddToOrder::Screen {
public:
    static constexpr long kTileTagBase = 3500;
    static constexpr CGFloat kCellWidth = 220;
    static constexpr CGFloat kCellHeight = 215;

    void viewDidLoad() override;
    void viewDidUnload() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    using PopBaseController::updateLanguage;

    const std::vector<std::shared_ptr<corvelle_product_Entity>>& relatedArray() const { return m_relatedArray; }
    void setRelatedArray(std::vector<std::shared_ptr<corvelle_product_Entity>> products)
    {
        m_relatedArray = std::move(products);
    }
    const std::shared_ptr<UIScrollView>& relatedScrollView() const { return m_relatedScrollView; }
    std::shared_ptr<UIPopoverController> addToOrderPopController() const
    {
        return m_orderPath ? m_orderPath->addToOrderPopController() : nullptr;
    }
    std::shared_ptr<DetailCell> tileWithTag(long tag) const;

    void getRelatedShowData();

    void didSelectedImage(const std::shared_ptr<DetailCell>& cell) override;
    void addToOrder(const std::shared_ptr<DetailCell>& cell) override;

private:
    // The related product at `index` as it is published now; null when it no longer is.
    std::shared_ptr<corvelle_product_Entity> productAt(long index) const;
    std::shared_ptr<corvelle_product_Entity> orderProductAt(long index) const override { return productAt(index); }
    std::shared_ptr<UIView> orderTileAt(long index) const override { return tileWithTag(kTileTagBase + index); }
    void recountOrderBadges() override { getRelatedShowData(); }
    std::vector<std::shared_ptr<DetailCell>> tiles() const;

    std::vector<std::shared_ptr<corvelle_product_Entity>> m_relatedArray;
    std::shared_ptr<UIScrollView> m_relatedScrollView;
    std::shared_ptr<TileAddToOrder> m_orderPath;
    CGFloat m_cellWidth = kCellWidth;
    CGFloat m_cellHeight = kCellHeight;
};
