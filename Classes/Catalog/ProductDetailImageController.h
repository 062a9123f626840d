#pragma once

// A product's images full screen, one per page of a paged scroller, with a
// page control, a title bar, arrows to the previous and next product of the
// detail's list, a slide-show button and a product-information overlay. A
// page opens at once with the thumbnail scaled to the size the full image
// will have; the full image is read and scaled off the main thread and put in
// when it is ready. Only the page shown and its two neighbours hold images.
// Pulling more than 10 points past the first or last page changes product,
// as the arrows do; the product detail that opened the viewer refills it.

#include "Classes/Catalog/ProductBigImageScroller.h"
#include "Classes/Catalog/ProductInfoViewDelegate.h"
#include "Classes/Frame/PopBaseController.h"
#include "Platform/UIKit/UIScrollView.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class NSTimer;
class ProductBigImageView;
class ProductInfoView;
class SlideShowController;
class UIButton;
class UIImage;
class UIPageControl;
struct corvelle_product_Entity;

class ProductDetailImageController : public PopBaseController,
                                     public UIScrollViewDelegate,
                                     public ProductInfoViewDelegate,
                                     public ProductBigImageScroller {
public:
    static constexpr double kSlideShowInterval = 8.5;

    ProductDetailImageController();
    ~ProductDetailImageController() override;

    void loadView() override;
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    void viewDidUnload() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    using PopBaseController::updateLanguage;
    unsigned supportedInterfaceOrientations() const override { return 24; }

    // Set by the opener before the presentation.
    const std::vector<std::string>& ImagesArray() const { return m_imagesArray; }
    void setImagesArray(std::vector<std::string> names) { m_imagesArray = std::move(names); }
    const std::vector<std::string>& thumbImagesArray() const { return m_thumbImagesArray; }
    void setThumbImagesArray(std::vector<std::string> names) { m_thumbImagesArray = std::move(names); }
    int tag() const { return m_tag; }
    void setTag(int t) { m_tag = t; }
    const std::shared_ptr<corvelle_product_Entity>& productEntity() const { return m_productEntity; }
    void setProductEntity(std::shared_ptr<corvelle_product_Entity> p) { m_productEntity = std::move(p); }
    void setProductPrice(std::optional<std::string> price) { m_productPrice = std::move(price); }
    void setProductDiscountPrice(std::string price) { m_productDiscountPrice = std::move(price); }
    const std::string& productTitle() const { return m_productTitle; }
    void setProductTitle(std::string title) { m_productTitle = std::move(title); }
    void setCurrentImageCache(std::shared_ptr<UIImage> image) { m_currentImageCache = std::move(image); }
    int cachedImageIndex() const { return m_cachedImageIndex; }
    void setCachedImageIndex(int index) { m_cachedImageIndex = index; }

    const std::shared_ptr<UIScrollView>& myScrollView() const { return m_myScrollView; }
    const std::shared_ptr<UIButton>& btnLeft() const { return m_btnLeft; }
    const std::shared_ptr<UIButton>& btnRight() const { return m_btnRight; }
    const std::shared_ptr<UIPageControl>& pageControl() const { return m_pageControl; }
    const std::shared_ptr<UIButton>& btnSlideShow() const { return m_btnSlideShow; }
    const std::shared_ptr<UIButton>& btnProductInfo() const { return m_btnProductInfo; }
    const std::shared_ptr<ProductInfoView>& productInfoView() const { return m_productInfoView; }
    const std::vector<std::shared_ptr<ProductBigImageView>>& bigImageViews() const { return m_bigImageViews; }
    int imageCount() const { return m_imageCount; }
    int currentIndex() const { return m_currentIndex; }
    bool isTitlebarHidden() const { return m_isTitlebarHidden; }
    bool slideShow() const { return m_slideShow; }
    bool pageCurling() const { return m_pageCurling; }
    std::shared_ptr<SlideShowController> slideShowController() const { return m_slideShowController.lock(); }

    void toggleChromeDisplay() override;
    void endSlideShow();
    void productInfoViewClose() override;
    void autoShowImage();

    // The page scroller's delegate.
    void scrollViewDidScroll(UIScrollView& scrollView) override;
    void scrollViewWillBeginDragging(UIScrollView& scrollView) override;

    std::shared_ptr<UIImage> getNoCachedBigImage(int index) const;

private:
    void initialScrollView();
    void setScrollViewContentSize(UIScrollView& scroller) const;
    void configureScroller(UIScrollView& scroller);
    void loadScrollViewPages();
    CGRect frameForPageAtIndex(int index) const;
    void scrollToIndexAnimated(int index, bool animated);
    void setCurrentIndex(int index);
    std::shared_ptr<ProductBigImageView> makePage(int index);
    void loadImageScrollView(int index, UIScrollView& scroller);
    void loadImageAsyncScrollView(int index, UIScrollView& scroller);
    void loadThumbImageScrollView(int index, UIScrollView& scroller);
    void unloadImage(int index);
    std::shared_ptr<UIImage> getBigImage(int index) const;
    std::shared_ptr<UIImage> getThumbImage(int index) const;
    CGSize imageSizeOfFullImage(int index) const;
    std::shared_ptr<UIImage> resizeThumbImageToFitFullImageSize(
        const std::shared_ptr<UIImage>& thumb, CGSize full) const;
    void loadFullImageToImageViewAsyncImageIndexUnique(
        const std::shared_ptr<ProductBigImageView>& page, int index, bool unique);
    void changePage();
    void toggleChrome(bool hide);
    void showTitlebar();
    void hideTitlebar();
    void moveChrome(bool hide);
    void btnClick(UIButton& button);
    void loadPreviousProduct();
    void loadNextProduct();
    void changeProduct(int direction);
    void refreshView(int direction);
    void loadImageAfterProductChangeInScrollView(const std::shared_ptr<UIScrollView>& scroller);
    void setChangeProductBtnInteraction(bool on);
    void btnProductInfoClick(UIButton& button);
    void startSlideShow();
    bool validIndex(int index) const { return index >= 0 && index < m_imageCount; }

    std::vector<std::string> m_imagesArray;
    std::vector<std::string> m_thumbImagesArray;
    int m_tag = 0;
    std::shared_ptr<corvelle_product_Entity> m_productEntity;
    std::optional<std::string> m_productPrice;
    std::string m_productDiscountPrice;
    std::string m_productTitle;
    std::shared_ptr<UIImage> m_currentImageCache;
    int m_cachedImageIndex = -1;

    std::shared_ptr<UIScrollView> m_myScrollView;
    std::shared_ptr<UIButton> m_btnLeft;
    std::shared_ptr<UIButton> m_btnRight;
    std::shared_ptr<UIPageControl> m_pageControl;
    std::shared_ptr<UIButton> m_btnSlideShow;
    std::shared_ptr<UIButton> m_btnProductInfo;
    std::shared_ptr<ProductInfoView> m_productInfoView;

    int m_imageCount = 1;
    std::vector<std::shared_ptr<ProductBigImageView>> m_bigImageViews;
    int m_startWithIndex = 0;
    int m_currentIndex = 0;
    CGFloat m_leftTransition = -10;
    CGFloat m_rightTransition = 0;
    bool m_isPageMoving = false;
    bool m_pageControlUsed = false;
    bool m_pageCurling = false;
    bool m_isTitlebarHidden = false;
    bool m_isAnimating = false;
    bool m_isChromeHidden = false;
    bool m_slideShow = false;
    std::shared_ptr<NSTimer> m_autoShowTimer;
    std::weak_ptr<SlideShowController> m_slideShowController;
};
