#pragma once

// The tile of one product: thumbnail, name, SKU, price (the list price struck
// through when a discount price applies), the add-to-order button with the
// pieces of the product in the current quote order on its badge, and a small
// close button that list screens show in their edit mode. The tile decides
// nothing: taps go to its delegate. The product grid shows it in a grid view,
// the favourites and related-products screens in scroll views of their own.
//
// The thumbnail file is read off the main thread; the image reaches the view
// through the image-loading queue, and a newer load cancels an older one that
// still waits, so a reused tile never ends with another product's picture.

#include "Classes/Catalog/DetailCellDelegate.h"
#include "Classes/Frame/GridViewCell.h"

#include <memory>
#include <optional>
#include <string>

class BadgeButton;
class ImageLoadOperation;
class UIButton;
class UIImage;
class UIImageView;
class UILabel;
struct corvelle_product_price_Entity;

class DetailCell : public GridViewCell {
public:
    // A tile of the zero frame without a reuse identifier.
    static std::shared_ptr<DetailCell> init();
    static std::shared_ptr<DetailCell> initWithFrameReuseIdentifier(CGRect frame, const std::string& reuseIdentifier);

    DetailCell(CGRect frame, const std::string& reuseIdentifier);
    ~DetailCell() override;

    std::shared_ptr<DetailCellDelegate> detailDelegate() const { return m_detailDelegate.lock(); }
    void setDetailDelegate(std::weak_ptr<DetailCellDelegate> delegate) { m_detailDelegate = std::move(delegate); }

    const std::shared_ptr<UIImageView>& bgImageView() const { return m_bgImageView; }
    const std::shared_ptr<UIImageView>& productImageView() const { return m_productImageView; }
    const std::shared_ptr<UILabel>& catalogNameLabel() const { return m_catalogNameLabel; }
    const std::shared_ptr<UILabel>& skuContentLabel() const { return m_skuContentLabel; }
    const std::shared_ptr<UILabel>& priceContentLabel() const { return m_priceContentLabel; }
    const std::shared_ptr<UILabel>& discountpriceLabel() const { return m_discountpriceLabel; }
    const std::shared_ptr<BadgeButton>& addOrderBtn() const { return m_addOrderBtn; }
    const std::shared_ptr<UIImageView>& devideImageView() const { return m_devideImageView; }
    const std::shared_ptr<UIButton>& smallCloseBtn() const { return m_smallCloseBtn; }
    const std::shared_ptr<ImageLoadOperation>& imageLoadOperation() const { return m_imageLoadOperation; }

    const std::optional<std::string>& imagename() const { return m_imagename; }
    void setImagename(std::optional<std::string> name) { m_imagename = std::move(name); }
    int productId() const { return m_productId; }
    void setProductId(int productId) { m_productId = productId; }

    const std::shared_ptr<corvelle_product_price_Entity>& priceEntity() const { return m_priceEntity; }
    // Keeps the record and shows its price, struck through under a running discount.
    void setPriceEntity(std::shared_ptr<corvelle_product_price_Entity> price);
    // Reads the product's price afresh and shows it, without keeping it.
    void reloadCellProdectPrice();

    const std::optional<std::string>& discountprice() const { return m_discountprice; }
    void setDiscountprice(const std::optional<std::string>& text);

    // Reads the thumbnail named by imagename in the background and queues it for the view.
    void loadImageAsyncWihtAnimation(bool fade);
    void setBadgeValueAnimated(const std::optional<std::string>& value, bool animated);

    void onClickImage();
    void addOrderBtnTapped();

private:
    void setUpViews();
    void showPrice(const corvelle_product_price_Entity* price);
    void queueImage(const std::shared_ptr<UIImage>& image, bool fade);

    std::weak_ptr<DetailCellDelegate> m_detailDelegate;
    std::shared_ptr<UIImageView> m_bgImageView;
    std::shared_ptr<UIImageView> m_productImageView;
    std::shared_ptr<UILabel> m_catalogNameLabel;
    std::shared_ptr<UILabel> m_skuContentLabel;
    std::shared_ptr<UILabel> m_priceContentLabel;
    std::shared_ptr<UILabel> m_discountpriceLabel;
    std::shared_ptr<BadgeButton> m_addOrderBtn;
    std::shared_ptr<UIImageView> m_devideImageView;
    std::shared_ptr<UIButton> m_smallCloseBtn;
    std::shared_ptr<ImageLoadOperation> m_imageLoadOperation;
    std::shared_ptr<corvelle_product_price_Entity> m_priceEntity;
    std::optional<std::string> m_discountprice;
    std::optional<std::string> m_imagename;
    int m_productId = 0;
};
