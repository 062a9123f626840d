#pragma once

// One column of the compare screen: the product's image, its add-to-order
// button with the pieces already in the order, name, price (the list price
// struck through under a running discount), SKU and short description, and a
// close button for the edit mode. Taps, long presses and the add button go to
// the screen through the delegate.

#include "Classes/Catalog/CompareCellDelegate.h"
#include "Platform/UIKit/UITableViewCell.h"

#include <memory>
#include <optional>
#include <string>

class IconButton;
class UIButton;
class UIImageView;
class UILabel;
class UITextView;

class CompareCell : public UITableViewCell {
public:
    static std::shared_ptr<CompareCell> initWithStyleReuseIdentifier(
        UITableViewCellStyle style, std::optional<std::string> reuseIdentifier);
    CompareCell(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier);

    std::shared_ptr<CompareCellDelegate> compareDelegate() const { return m_compareDelegate.lock(); }
    void setCompareDelegate(std::weak_ptr<CompareCellDelegate> delegate) { m_compareDelegate = std::move(delegate); }

    const std::shared_ptr<UIView>& contentBackgroundView() const { return m_contentBackgroundView; }
    const std::shared_ptr<UIImageView>& productImageView() const { return m_productImageView; }
    const std::shared_ptr<UIButton>& smallCloseBtn() const { return m_smallCloseBtn; }
    const std::shared_ptr<IconButton>& addOrderBtn() const { return m_addOrderBtn; }
    const std::shared_ptr<UIImageView>& devideImageView() const { return m_devideImageView; }
    const std::shared_ptr<UILabel>& priceLabel() const { return m_priceLabel; }
    const std::shared_ptr<UILabel>& disCountpriceLabel() const { return m_disCountpriceLabel; }
    const std::shared_ptr<UILabel>& SKULabel() const { return m_SKULabel; }
    const std::shared_ptr<UILabel>& productNameLabel() const { return m_productNameLabel; }
    const std::shared_ptr<UITextView>& shortDesTextView() const { return m_shortDesTextView; }

    int productId() const { return m_productId; }
    // Keeps the id and shows the product's price.
    void setProductId(int productId);
    const std::optional<std::string>& discountprice() const { return m_discountprice; }
    void setDiscountprice(const std::optional<std::string>& text);
    void setBadgeValueAnimated(const std::optional<std::string>& value, bool animated);

private:
    void setUpViews();
    std::shared_ptr<CompareCell> self();

    std::weak_ptr<CompareCellDelegate> m_compareDelegate;
    std::shared_ptr<UIView> m_contentBackgroundView;
    std::shared_ptr<UIImageView> m_productImageView;
    std::shared_ptr<UIButton> m_smallCloseBtn;
    std::shared_ptr<IconButton> m_addOrderBtn;
    std::shared_ptr<UIImageView> m_devideImageView;
    std::shared_ptr<UILabel> m_priceLabel;
    std::shared_ptr<UILabel> m_disCountpriceLabel;
    std::shared_ptr<UILabel> m_SKULabel;
    std::shared_ptr<UILabel> m_productNameLabel;
    std::shared_ptr<UITextView> m_shortDesTextView;
    std::optional<std::string> m_discountprice;
    int m_productId = 0;
};
