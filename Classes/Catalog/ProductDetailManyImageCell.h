#pragma once

// One thumbnail of the product detail's image strip: the picture inset 5
// points, framed in the theme colour, thicker when it is the one shown.

#include "Platform/UIKit/UITableViewCell.h"

#include <memory>

class ProductDetailManyImageCell;

class ProductDetailManyImageCellDelegate {
public:
    virtual ~ProductDetailManyImageCellDelegate() = default;
    virtual void didSelectedManyImage(ProductDetailManyImageCell& cell) = 0;
};

class ProductDetailManyImageCell : public UITableViewCell {
public:
    static constexpr const char* kReuseIdentifier = "ProductDetailManyImageCell";

    explicit ProductDetailManyImageCell(CGRect frame);

    const std::shared_ptr<UIImageView>& productImageView() const { return m_productImageView; }
    bool isFocus() const { return m_isFocus; }
    void setIsFocus(bool focus);
    std::shared_ptr<ProductDetailManyImageCellDelegate> productDetailManyImageCellDelegate() const
    {
        return m_delegate.lock();
    }
    void setProductDetailManyImageCellDelegate(std::weak_ptr<ProductDetailManyImageCellDelegate> d)
    {
        m_delegate = std::move(d);
    }

    void layoutSubviews() override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;

private:
    void applyBorder();

    std::shared_ptr<UIImageView> m_productImageView;
    bool m_isFocus = false;
    std::weak_ptr<ProductDetailManyImageCellDelegate> m_delegate;
};
