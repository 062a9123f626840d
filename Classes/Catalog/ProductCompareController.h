#pragma once

// The compare screen: the products marked for comparison side by side, one
// column each beside a fixed column of captions. From it the salesperson adds
// a product to the quote order, opens a product, and removes products one by
// one (in an edit mode in which the images wiggle) or all together. Presented
// modally; it closes through its delegate.
//
// A compare entry whose product can no longer be read (no longer published)
// keeps its column, so it can still be removed, but offers no add and is left
// out of the list a tap opens.

#include "Classes/Catalog/CompareCell.h"
#include "Classes/Catalog/CompareCellDelegate.h"
#include "Classes/Catalog/ProductCompareDelegate.h"
#include "Classes/Catalog/TileAddToOrder.h"
#include "Classes/Frame/PopBaseController.h"
#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_Entity.h"

#include <memory>

class UIButton;
class UILabel;
class UIPopoverController;
class UIScrollView;

class ProductCompareController : public PopBaseController, public CompareCellDelegate, public TileAddToOrder::Screen {
public:
    static constexpr long kColumnTagBase = 4000;

    ~ProductCompareController() override;

    const EntityList<corvelle_compare_Entity>& compareProductsArray() const { return m_compareProductsArray; }
    void setCompareProductsArray(EntityList<corvelle_compare_Entity> records)
    {
        m_compareProductsArray = std::move(records);
    }
    std::shared_ptr<ProductCompareDelegate> compareDelegate() const { return m_compareDelegate.lock(); }
    void setCompareDelegate(std::weak_ptr<ProductCompareDelegate> delegate) { m_compareDelegate = std::move(delegate); }

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewDidUnload() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    using PopBaseController::updateLanguage;

    void getCompareShowData();
    bool inEdit() const { return m_inEdit; }
    void setInEdit(bool inEdit);
    void enterEditMode(const std::shared_ptr<UIButton>& sender);
    void shakeAllCellImages(bool shaking);
    void setImageViewShakingShaking(const std::shared_ptr<UIView>& view, bool shaking);
    void deleteSingleCompare(const std::shared_ptr<UIButton>& closeButton);
    void removeAll();
    void didSelectedCompareCell(const std::shared_ptr<CompareCell>& cell);
    void respondToTapBackgroundGesture();
    void willEnterBackground();
    void willEnterForeground();

    void addToOrder(const std::shared_ptr<CompareCell>& cell) override;
    void didTapImage(const std::shared_ptr<CompareCell>& cell) override;
    void didLongPressImage(const std::shared_ptr<CompareCell>& cell) override;
    void didClickCellBackground(const std::shared_ptr<CompareCell>& cell) override;

    const std::shared_ptr<UIScrollView>& compareScrollView() const { return m_compareScrollView; }
    const std::shared_ptr<UIButton>& removeAllBtn() const { return m_removeAllBtn; }
    const std::shared_ptr<UIButton>& btnEdit() const { return m_btnEdit; }
    std::shared_ptr<UIPopoverController> addToOrderPopController() const
    {
        return m_orderPath ? m_orderPath->addToOrderPopController() : nullptr;
    }
    std::vector<std::shared_ptr<CompareCell>> columns() const;
    CGFloat cellWidth = 180;
    CGFloat cellHeight = 600;

private:
    std::shared_ptr<corvelle_product_Entity> productOfColumn(long index) const;
    std::shared_ptr<CompareCell> columnWithTag(long tag) const;
    std::shared_ptr<corvelle_product_Entity> orderProductAt(long index) const override
    {
        return productOfColumn(index);
    }
    std::shared_ptr<UIView> orderTileAt(long index) const override { return columnWithTag(kColumnTagBase + index); }
    // The picker points past the column's right edge.
    CGFloat orderAnchorShift(const UIView& column) const override { return column.frame().size.width; }
    void recountOrderBadges() override { getCompareShowData(); }
    void setCaptions();

    EntityList<corvelle_compare_Entity> m_compareProductsArray;
    std::weak_ptr<ProductCompareDelegate> m_compareDelegate;
    std::shared_ptr<UIScrollView> m_compareScrollView;
    std::shared_ptr<UIButton> m_removeAllBtn;
    std::shared_ptr<UIButton> m_btnEdit;
    std::shared_ptr<UIView> m_bgView;
    std::shared_ptr<UIView> m_scrollViewBgView;
    std::shared_ptr<TileAddToOrder> m_orderPath;
    std::shared_ptr<UILabel> m_nameLabel;
    std::shared_ptr<UILabel> m_priceLabel;
    std::shared_ptr<UILabel> m_SKULabel;
    std::shared_ptr<UILabel> m_descriptionLabel;
    bool m_inEdit = false;
};
