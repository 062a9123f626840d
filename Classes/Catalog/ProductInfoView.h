#pragma once

// The product-information overlay of the image viewer: name, SKU, price
// (struck through beside the discount price when there is one) and the short
// description in a box at the lower right. A touch anywhere on it closes it.

#include "Classes/Catalog/ProductInfoViewDelegate.h"
#include "Platform/UIKit/UIControl.h"

#include <memory>
#include <optional>
#include <string>

class UIImageView;
class UILabel;
class UITextView;
struct corvelle_product_Entity;

class ProductInfoView : public UIControl {
public:
    static std::shared_ptr<ProductInfoView> initWithFrame(CGRect frame);
    explicit ProductInfoView(CGRect frame);

    const std::shared_ptr<corvelle_product_Entity>& productEntity() const { return m_productEntity; }
    void setProductEntity(std::shared_ptr<corvelle_product_Entity> product);
    void setLabelPriceDiscountPrice(const std::optional<std::string>& price, const std::string& discountPrice);
    void productInfoViewClose();
    void removeSelf();
    void updateLanguage();

    std::shared_ptr<ProductInfoViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<ProductInfoViewDelegate> d) { m_delegate = std::move(d); }
    const std::shared_ptr<UILabel>& productNameLabel() const { return m_productNameLabel; }
    const std::shared_ptr<UILabel>& skuLabel() const { return m_skuLabel; }
    const std::shared_ptr<UILabel>& priceLabel() const { return m_priceLabel; }
    const std::shared_ptr<UILabel>& discountPriceLabel() const { return m_discountPriceLabel; }
    const std::shared_ptr<UITextView>& descriptionView() const { return m_descriptionView; }

private:
    void setUp();
    void showDescription();

    std::shared_ptr<UIImageView> m_imgViewBackground;
    std::shared_ptr<UILabel> m_productNameLabel;
    std::shared_ptr<UILabel> m_skuLabel;
    std::shared_ptr<UILabel> m_priceLabel;
    std::shared_ptr<UILabel> m_discountPriceLabel;
    std::shared_ptr<UIImageView> m_imgProductInfoLine;
    std::shared_ptr<UITextView> m_descriptionView;
    std::shared_ptr<corvelle_product_Entity> m_productEntity;
    std::weak_ptr<ProductInfoViewDelegate> m_delegate;
};
