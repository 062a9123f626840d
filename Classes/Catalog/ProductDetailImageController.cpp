#include "Classes/Catalog/ProductDetailImageController.h"

#include "Classes/Catalog/DetailImageDelegate.h"
#include "Classes/Catalog/ProductBigImageView.h"
#include "Classes/Catalog/ProductInfoView.h"
#include "Classes/Catalog/SlideShowController.h"
#include "Classes/Frame/ImageLoadOperation.h"
#include "Classes/Frame/ImageLoadQueueManager.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/UIToast.h"
#include "Platform/Foundation/BackgroundWork.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/Foundation/PerformRequests.h"
#include "Platform/ImageIO/CGImageSource.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIPageControl.h"

#include <cmath>

namespace {

constexpr CGFloat kPageWidth = 1024;
constexpr CGFloat kPageHeight = 748;

// Reads and scales one image file; runs on any thread.
std::shared_ptr<UIImage> readScaled(const std::optional<std::string>& path, CGSize box)
{
    std::shared_ptr<UIImage> image = path ? UIImage::imageWithContentsOfFile(*path) : nullptr;
    if (!image)
        image = UIImage::imageNamed("fileDefault.png");
    return PublicFunction::scaleImageToFitSize(image, box);
}

}  // namespace

ProductDetailImageController::ProductDetailImageController() = default;

ProductDetailImageController::~ProductDetailImageController()
{
    if (m_autoShowTimer)
        m_autoShowTimer->invalidate();
}

// The layout the screen's interface file would give.
void ProductDetailImageController::loadView()
{
    setView(std::make_shared<UIView>(CGRectMake(0, 0, 1024, 768)));
    m_myScrollView = std::make_shared<UIScrollView>(CGRectMake(0, 0, kPageWidth, kPageHeight));
    view()->addSubview(m_myScrollView);
    m_btnLeft = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnLeft->setFrame(CGRectMake(13, 330, 23, 87));
    view()->addSubview(m_btnLeft);
    m_btnRight = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnRight->setFrame(CGRectMake(987, 330, 23, 87));
    view()->addSubview(m_btnRight);
    m_pageControl = std::make_shared<UIPageControl>(CGRectMake(312, 712, 400, 30));
    view()->addSubview(m_pageControl);
}

void ProductDetailImageController::configureScroller(UIScrollView& scroller)
{
    scroller.setPagingEnabled(true);
    scroller.setShowsHorizontalScrollIndicator(false);
    scroller.setShowsVerticalScrollIndicator(false);
    scroller.setScrollsToTop(false);
    scroller.setDelegate(std::static_pointer_cast<UIScrollViewDelegate>(protect<ProductDetailImageController>()));
    scroller.setBackgroundColor(UIColor::whiteColor());
    scroller.setAlwaysBounceHorizontal(true);
}

void ProductDetailImageController::viewDidLoad()
{
    PopBaseController::viewDidLoad();
    auto weak = weakSelf<ProductDetailImageController>();
    view()->setBackgroundColor(UIColor::blackColor());

    m_btnSlideShow = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnSlideShow->setFrame(CGRectMake(15, 5, 60, 34));
    PublicFunction::initializeToButtonHeight34(m_btnSlideShow);
    m_btnSlideShow->setImageForState(UIImage::imageNamed("icon_slideshow.png"), UIControlStateNormal);
    m_btnSlideShow->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->startSlideShow();
    });
    titlebar()->addSubview(m_btnSlideShow);

    configureScroller(*m_myScrollView);
    initialScrollView();
    setScrollViewContentSize(*m_myScrollView);

    m_btnLeft->setImageForState(
        SkinManager::skinFromImageName(std::string("Icon_Arrow_Left_23x87.png")), UIControlStateNormal);
    m_btnLeft->setImageForState(SkinManager::skinFromImageName(std::string("Icon_Arrow_Left_Highlighted_23x87.png")),
        UIControlStateHighlighted);
    m_btnRight->setImageForState(
        SkinManager::skinFromImageName(std::string("Icon_Arrow_Right_23x87.png")), UIControlStateNormal);
    m_btnRight->setImageForState(SkinManager::skinFromImageName(std::string("Icon_Arrow_Right_Highlighted_23x87.png")),
        UIControlStateHighlighted);
    for (const auto& arrow : { m_btnLeft, m_btnRight }) {
        arrow->addTarget(UIControlEventTouchUpInside, [weak](UIControl& sender, UIEvent*) {
            auto self = weak.lock();
            if (auto button = dynamic_cast<UIButton*>(&sender); self && button)
                self->btnClick(*button);
        });
    }
    m_pageControl->addTarget(UIControlEventValueChanged, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->changePage();
    });
    if (lblTittle)
        lblTittle->setText(m_productTitle);

    m_btnProductInfo = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnProductInfo->setFrame(CGRectMake(975, 698, 50, 50));
    m_btnProductInfo->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("product-info-off.png")), UIControlStateNormal);
    m_btnProductInfo->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("product-info-on.png")), UIControlStateSelected);
    m_btnProductInfo->addTarget(UIControlEventTouchUpInside, [weak](UIControl& sender, UIEvent*) {
        auto self = weak.lock();
        if (auto button = dynamic_cast<UIButton*>(&sender); self && button)
            self->btnProductInfoClick(*button);
    });
    view()->addSubview(m_btnProductInfo);
    m_productInfoView = ProductInfoView::initWithFrame(CGRectMake(0, 0, 1024, 768));
    m_productInfoView->setDelegate(std::static_pointer_cast<ProductInfoViewDelegate>(weak.lock()));

    titlebar()->setAlpha(0.8f);
    m_btnLeft->setAlpha(0.8f);
    m_btnRight->setAlpha(0.8f);
    m_btnProductInfo->setAlpha(0.8f);
    view()->bringSubviewToFront(titlebar());
    loadScrollViewPages();
    m_pageCurling = false;
    m_isPageMoving = false;
}

void ProductDetailImageController::viewDidAppear(bool animated)
{
    PopBaseController::viewDidAppear(animated);
    m_isTitlebarHidden = false;
    m_isAnimating = false;
    m_slideShow = false;
}

void ProductDetailImageController::viewDidUnload()
{
    PopBaseController::viewDidUnload();
    m_pageControl.reset();
    m_imagesArray.clear();
    m_thumbImagesArray.clear();
    m_btnLeft.reset();
    m_btnRight.reset();
    m_myScrollView.reset();
    m_bigImageViews.clear();
    m_currentImageCache.reset();
}

void ProductDetailImageController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    PopBaseController::updateLanguage();
    if (m_productInfoView)
        m_productInfoView->updateLanguage();
}

// Pages.

void ProductDetailImageController::initialScrollView()
{
    m_startWithIndex = m_tag;
    m_imageCount = m_imagesArray.empty() ? 1 : static_cast<int>(m_imagesArray.size());
    m_pageControl->setNumberOfPages(m_imageCount);
    m_pageControl->setCurrentPage(m_startWithIndex);
    m_bigImageViews.assign(static_cast<size_t>(m_imageCount), nullptr);
    m_leftTransition = -10;
    m_rightTransition = m_myScrollView->frame().size.width * static_cast<CGFloat>(m_imageCount - 1) + 10;
}

void ProductDetailImageController::setScrollViewContentSize(UIScrollView& scroller) const
{
    const CGSize page = m_myScrollView->frame().size;
    scroller.setContentSize(CGSizeMake(page.width * static_cast<CGFloat>(std::max(1, m_imageCount)), page.height / 2));
}

void ProductDetailImageController::loadScrollViewPages()
{
    setCurrentIndex(m_startWithIndex);
    scrollToIndexAnimated(m_startWithIndex, false);
    if (lblTittle)
        lblTittle->setText(m_productTitle);
}

CGRect ProductDetailImageController::frameForPageAtIndex(int index) const
{
    const CGSize page = m_myScrollView->frame().size;
    return CGRectMake(page.width * static_cast<CGFloat>(index), 0, page.width, page.height);
}

void ProductDetailImageController::scrollToIndexAnimated(int index, bool animated)
{
    m_isPageMoving = true;
    m_myScrollView->scrollRectToVisibleAnimated(frameForPageAtIndex(index), animated);
    m_isPageMoving = false;
}

void ProductDetailImageController::setCurrentIndex(int index)
{
    m_currentIndex = index;
    m_pageControl->setCurrentPage(index);
    loadImageScrollView(index, *m_myScrollView);
    loadImageAsyncScrollView(index + 1, *m_myScrollView);
    loadImageAsyncScrollView(index - 1, *m_myScrollView);
    unloadImage(index + 2);
    unloadImage(index - 2);
}

std::shared_ptr<ProductBigImageView> ProductDetailImageController::makePage(int index)
{
    auto page = ProductBigImageView::initWithFrame(frameForPageAtIndex(index));
    page->setScroller(std::static_pointer_cast<ProductBigImageScroller>(protect<ProductDetailImageController>()));
    page->setIndex(index);
    return page;
}

void ProductDetailImageController::loadImageScrollView(int index, UIScrollView& scroller)
{
    if (!validIndex(index))
        return;
    auto& slot = m_bigImageViews[static_cast<size_t>(index)];
    if (slot) {
        slot->turnOffZoom();
        return;
    }
    auto page = makePage(index);
    PublicFunction::ImageViewFitImgImg(page->imageView(), getBigImage(index));
    scroller.addSubview(page);
    slot = page;
}

void ProductDetailImageController::loadThumbImageScrollView(int index, UIScrollView& scroller)
{
    if (!validIndex(index))
        return;
    auto& slot = m_bigImageViews[static_cast<size_t>(index)];
    if (slot) {
        slot->turnOffZoom();
        return;
    }
    auto page = makePage(index);
    page->imageView()->setContentMode(UIViewContentModeCenter);
    page->imageView()->setImage(resizeThumbImageToFitFullImageSize(getThumbImage(index), imageSizeOfFullImage(index)));
    scroller.addSubview(page);
    slot = page;
}

void ProductDetailImageController::loadImageAsyncScrollView(int index, UIScrollView& scroller)
{
    if (!validIndex(index))
        return;
    const bool existed = m_bigImageViews[static_cast<size_t>(index)] != nullptr;
    loadThumbImageScrollView(index, scroller);
    if (!existed)
        loadFullImageToImageViewAsyncImageIndexUnique(m_bigImageViews[static_cast<size_t>(index)], index, false);
}

void ProductDetailImageController::unloadImage(int index)
{
    if (!validIndex(index))
        return;
    auto& slot = m_bigImageViews[static_cast<size_t>(index)];
    if (!slot)
        return;
    slot->setImage(nullptr);
    slot->removeFromSuperview();
    slot.reset();
}

// Image sources.

std::shared_ptr<UIImage> ProductDetailImageController::getBigImage(int index) const
{
    if (index == m_cachedImageIndex && m_currentImageCache)
        return m_currentImageCache;
    return getNoCachedBigImage(index);
}

std::shared_ptr<UIImage> ProductDetailImageController::getNoCachedBigImage(int index) const
{
    std::optional<std::string> path;
    if (index >= 0 && index < static_cast<int>(m_imagesArray.size()))
        path = PublicFunction::filePathWithNameFiletype(m_imagesArray[static_cast<size_t>(index)], 1);
    return readScaled(path, m_myScrollView->bounds().size);
}

std::shared_ptr<UIImage> ProductDetailImageController::getThumbImage(int index) const
{
    std::optional<std::string> path;
    if (index >= 0 && index < static_cast<int>(m_thumbImagesArray.size()))
        path = PublicFunction::filePathWithNameFiletype(m_thumbImagesArray[static_cast<size_t>(index)], 1);
    return readScaled(path, m_myScrollView->bounds().size);
}

CGSize ProductDetailImageController::imageSizeOfFullImage(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_imagesArray.size()))
        return CGSizeZero;
    auto source = CGImageSourceCreateWithURL(
        PublicFunction::filePathWithNameFiletype(m_imagesArray[static_cast<size_t>(index)], 1));
    if (!source)
        return CGSizeZero;
    const Value properties = CGImageSourceCopyPropertiesAtIndex(source, 0);
    if (!properties.isDictionary())
        return CGSizeZero;
    const Value& width = properties[kCGImagePropertyPixelWidth];
    const Value& height = properties[kCGImagePropertyPixelHeight];
    return CGSizeMake(static_cast<CGFloat>(width.doubleValue()), static_cast<CGFloat>(height.doubleValue()));
}

std::shared_ptr<UIImage> ProductDetailImageController::resizeThumbImageToFitFullImageSize(
    const std::shared_ptr<UIImage>& thumb, CGSize full) const
{
    if (!thumb)
        return nullptr;
    const CGSize box = m_myScrollView->bounds().size;
    const CGSize own = thumb->size();
    const bool wide = full.height > 0 && full.width / full.height > 1.45f;
    CGFloat scale;
    if (full.width < box.width && full.height < box.height)
        scale = wide ? full.width / own.width : full.height / own.height;
    else
        scale = wide ? box.width / own.width : box.height / own.height;
    const CGSize size = CGSizeMake(own.width * scale, own.height * scale);
    if (size.width < 1 || size.height < 1)
        return nullptr;
    UIGraphicsBeginImageContextWithOptions(size, false, 1);
    thumb->drawInRect(CGRectMake(0, 0, size.width, size.height));
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

void ProductDetailImageController::loadFullImageToImageViewAsyncImageIndexUnique(
    const std::shared_ptr<ProductBigImageView>& page, int index, bool unique)
{
    if (!page)
        return;
    // What the worker needs is taken here, on the main thread.
    std::shared_ptr<UIImage> cached = index == m_cachedImageIndex ? m_currentImageCache : nullptr;
    std::optional<std::string> path;
    if (index >= 0 && index < static_cast<int>(m_imagesArray.size()))
        path = PublicFunction::filePathWithNameFiletype(m_imagesArray[static_cast<size_t>(index)], 1);
    const CGSize box = m_myScrollView->bounds().size;
    const std::string name = path ? m_imagesArray[static_cast<size_t>(index)] : std::string();
    std::weak_ptr<ProductBigImageView> weakPage = page;
    auto weak = weakSelf<ProductDetailImageController>();
    // The page may have been given another product's picture (the slot is
    // reused when the product changes) or left the viewer meanwhile.
    BackgroundWork::run(
        page->imageView(), [cached, path, box] { return cached ? cached : readScaled(path, box); },
        [weak, weakPage, index, name](const UIImageView&) {
            auto self = weak.lock();
            auto shown = weakPage.lock();
            if (!self || !shown || index < 0 || static_cast<size_t>(index) >= self->m_bigImageViews.size())
                return false;
            const auto& names = self->m_imagesArray;
            const std::string now
                = static_cast<size_t>(index) < names.size() ? names[static_cast<size_t>(index)] : std::string();
            return self->m_bigImageViews[static_cast<size_t>(index)] == shown && now == name;
        },
        [unique](const std::shared_ptr<UIImageView>& view, const std::shared_ptr<UIImage>& image) {
            ImageLoadQueueManager::sharedInstance()->loadImageWithOperationUnique(
                std::make_shared<ImageLoadOperation>(image, view, false), unique);
        });
}

// Page tracking.

void ProductDetailImageController::scrollViewDidScroll(UIScrollView& scrollView)
{
    if (&scrollView != m_myScrollView.get() || m_pageControlUsed || m_pageCurling || m_isPageMoving)
        return;
    const CGFloat w = m_myScrollView->frame().size.width;
    const CGFloat x = scrollView.contentOffset().x;
    const int page = static_cast<int>(std::floor((x - w / 2) / w) + 1);
    if (page != m_currentIndex) {
        if (validIndex(page)) {
            m_pageControl->setCurrentPage(page);
            setCurrentIndex(page);
        }
        return;
    }
    if (page == 0 && x < m_leftTransition && !m_btnLeft->isHidden()) {
        loadPreviousProduct();
        return;
    }
    if (m_currentIndex == m_imageCount - 1 && x > m_rightTransition && !m_btnRight->isHidden())
        loadNextProduct();
}

void ProductDetailImageController::scrollViewWillBeginDragging(UIScrollView& scrollView)
{
    if (&scrollView != m_myScrollView.get())
        return;
    m_pageControlUsed = false;
    toggleChrome(true);
}

void ProductDetailImageController::changePage()
{
    const int page = static_cast<int>(m_pageControl->currentPage());
    setCurrentIndex(page);
    scrollToIndexAnimated(page, true);
    m_pageControlUsed = true;
}

// Chrome.

void ProductDetailImageController::toggleChromeDisplay() { toggleChrome(!m_isChromeHidden); }

void ProductDetailImageController::toggleChrome(bool hide)
{
    if (m_isAnimating)
        return;
    m_isChromeHidden = hide;
    if (hide && !m_isTitlebarHidden)
        hideTitlebar();
    else if (!hide && m_isTitlebarHidden)
        showTitlebar();
}

void ProductDetailImageController::moveChrome(bool hide)
{
    auto reflect = [](const std::shared_ptr<UIView>& item, auto change) {
        if (!item)
            return;
        CGRect f = item->frame();
        change(f);
        item->setFrame(f);
    };
    reflect(titlebar(), [](CGRect& f) { f.origin.y = -f.origin.y - f.size.height; });
    reflect(m_btnLeft, [](CGRect& f) { f.origin.x = -f.origin.x - f.size.width; });
    reflect(m_btnRight, [](CGRect& f) { f.origin.x = 2048 - f.origin.x; });
    reflect(m_pageControl, [](CGRect& f) { f.origin.y = 1496 - f.origin.y; });
    reflect(m_btnProductInfo, [](CGRect& f) { f.origin.y = 1496 - f.origin.y; });
    m_btnLeft->setAlpha(hide ? 0 : 1);
}

void ProductDetailImageController::showTitlebar()
{
    m_isAnimating = true;
    auto weak = weakSelf<ProductDetailImageController>();
    UIView::animateWithDuration(
        0.3, 0, UIViewAnimationOptionCurveEaseOut,
        [weak] {
            if (auto self = weak.lock())
                self->moveChrome(false);
        },
        [weak](bool) {
            if (auto self = weak.lock()) {
                self->m_isTitlebarHidden = false;
                self->m_isAnimating = false;
            }
        });
}

void ProductDetailImageController::hideTitlebar()
{
    m_isAnimating = true;
    auto weak = weakSelf<ProductDetailImageController>();
    UIView::animateWithDuration(
        0.3, 0, UIViewAnimationOptionCurveEaseIn | UIViewAnimationOptionAllowUserInteraction,
        [weak] {
            if (auto self = weak.lock())
                self->moveChrome(true);
        },
        [weak](bool) {
            if (auto self = weak.lock()) {
                self->m_isTitlebarHidden = true;
                self->m_isAnimating = false;
            }
        });
}

// Previous and next product.

void ProductDetailImageController::btnClick(UIButton& button)
{
    if (&button == m_btnLeft.get())
        loadPreviousProduct();
    else if (&button == m_btnRight.get())
        loadNextProduct();
}

void ProductDetailImageController::loadPreviousProduct()
{
    m_myScrollView->setScrollEnabled(false);
    m_pageCurling = true;
    changeProduct(1);
}

void ProductDetailImageController::loadNextProduct()
{
    m_myScrollView->setScrollEnabled(false);
    m_pageCurling = true;
    changeProduct(2);
}

void ProductDetailImageController::setChangeProductBtnInteraction(bool on)
{
    m_btnLeft->setUserInteractionEnabled(on);
    m_btnRight->setUserInteractionEnabled(on);
}

void ProductDetailImageController::changeProduct(int direction)
{
    m_cachedImageIndex = -1;
    m_currentImageCache.reset();
    auto target = std::dynamic_pointer_cast<DetailImageDelegate>(delegate());
    if (!target)
        return;
    auto keep = protect<ProductDetailImageController>();
    setChangeProductBtnInteraction(false);
    target->changeProductSlideshow(direction, m_slideShow);
    if (lblTittle)
        lblTittle->setText(m_productTitle);
    refreshView(direction);
}

void ProductDetailImageController::refreshView(int direction)
{
    view()->layer()->removeAllAnimations();
    auto old = m_myScrollView;
    initialScrollView();
    m_currentIndex = m_startWithIndex;
    auto fresh = std::make_shared<UIScrollView>(old->frame());
    configureScroller(*fresh);
    m_myScrollView = fresh;
    setScrollViewContentSize(*fresh);
    loadThumbImageScrollView(m_currentIndex, *fresh);
    auto cover = std::make_shared<UIView>(CGRectZero);
    cover->setBackgroundColor(UIColor::blackColor());
    const bool previous = direction == 1;
    if (previous) {
        fresh->setFrame(CGRectMake(0, 0, kPageWidth, kPageHeight));
        fresh->setTransform(CGAffineTransformMakeScale(0.95f, 0.95f));
        cover->setFrame(fresh->bounds());
        cover->setAlpha(0.5f);
        fresh->addSubview(cover);
        view()->insertSubviewBelowSubview(fresh, old);
    } else {
        fresh->setFrame(CGRectMake(1024, 0, kPageWidth, kPageHeight));
        cover->setFrame(old->bounds());
        cover->setAlpha(0);
        old->addSubview(cover);
        view()->insertSubviewAboveSubview(fresh, old);
    }
    setChangeProductBtnInteraction(true);
    auto weak = weakSelf<ProductDetailImageController>();
    UIView::animateWithDuration(
        0.5, 0, UIViewAnimationOptionAllowUserInteraction,
        [previous, fresh, old, cover] {
            if (previous) {
                fresh->setTransform(CGAffineTransformIdentity);
                old->setFrame(CGRectMake(1024, 0, kPageWidth, kPageHeight));
                cover->setAlpha(0);
            } else {
                fresh->setFrame(CGRectMake(0, 0, kPageWidth, kPageHeight));
                old->setTransform(CGAffineTransformMakeScale(0.95f, 0.95f));
                cover->setAlpha(0.5f);
            }
        },
        [weak, fresh, old, cover](bool finished) {
            cover->removeFromSuperview();
            fresh->setTransform(CGAffineTransformIdentity);
            old->removeFromSuperview();
            auto self = weak.lock();
            if (!self)
                return;
            self->m_pageCurling = false;
            if (!finished && !self->m_slideShow)
                return;
            PerformRequests::performAfterDelay(
                self.get(), "loadImageAfterProductChangeInScrollView",
                [weak, fresh] {
                    if (auto again = weak.lock())
                        again->loadImageAfterProductChangeInScrollView(fresh);
                },
                0);
            self->loadImageAsyncScrollView(self->m_currentIndex + 1, *fresh);
        });
}

void ProductDetailImageController::loadImageAfterProductChangeInScrollView(
    const std::shared_ptr<UIScrollView>& scroller)
{
    if (m_imageCount < 1)
        return;
    auto& slot = m_bigImageViews[0];
    if (slot) {
        slot->turnOffZoom();
        loadFullImageToImageViewAsyncImageIndexUnique(slot, 0, true);
        return;
    }
    auto page = makePage(0);
    loadFullImageToImageViewAsyncImageIndexUnique(page, 0, true);
    scroller->addSubview(page);
    slot = page;
}

// Information overlay.

void ProductDetailImageController::btnProductInfoClick(UIButton& button)
{
    if (button.isSelected()) {
        productInfoViewClose();
        return;
    }
    m_productInfoView->setProductEntity(m_productEntity);
    m_productInfoView->setLabelPriceDiscountPrice(m_productPrice, m_productDiscountPrice);
    view()->addSubview(m_productInfoView);
    auto info = m_productInfoView;
    info->setAlpha(0);
    UIView::animateWithDuration(
        0.35, 0, UIViewAnimationOptionCurveEaseIn, [info] { info->setAlpha(1.0f); }, nullptr);
    button.setSelected(true);
}

void ProductDetailImageController::productInfoViewClose()
{
    if (!m_btnProductInfo->isSelected())
        return;
    auto info = m_productInfoView;
    UIView::animateWithDuration(
        0.35, 0, UIViewAnimationOptionCurveEaseIn, [info] { info->setAlpha(0); }, nullptr);
    m_btnProductInfo->setSelected(false);
}

// Slide show.

void ProductDetailImageController::startSlideShow()
{
    endSlideShow();
    std::make_shared<UIToast>()->show(Language::stringOrKey("SLIDESHOWBEGIN"));
    auto show = std::make_shared<SlideShowController>();
    show->setDetailImageController(weakSelf<ProductDetailImageController>());
    show->setModalPresentationStyle(UIModalPresentationFullScreen);
    show->setModalTransitionStyle(UIModalTransitionStyleCrossDissolve);
    presentModalViewControllerAnimated(show, true);
    show->slideFirstShowImage(getNoCachedBigImage(m_currentIndex));
    m_slideShowController = show;
    auto weak = weakSelf<ProductDetailImageController>();
    m_autoShowTimer = NSTimer::scheduledTimerWithTimeInterval(kSlideShowInterval, true, [weak](NSTimer&) {
        if (auto self = weak.lock())
            self->autoShowImage();
    });
    m_slideShow = true;
}

void ProductDetailImageController::autoShowImage()
{
    if (m_pageControlUsed || m_pageCurling || m_isPageMoving)
        return;
    const CGFloat w = m_myScrollView->frame().size.width;
    const CGFloat x = m_myScrollView->contentOffset().x;
    const CGFloat cw = m_myScrollView->contentSize().width;
    if (x < cw - w)
        m_myScrollView->setContentOffsetAnimated(CGPointMake(x + w, 0), true);
    else
        loadNextProduct();
    if (auto show = slideShowController())
        show->slideShowImage(getNoCachedBigImage(m_currentIndex));
}

void ProductDetailImageController::endSlideShow()
{
    if (!m_slideShow)
        return;
    if (m_autoShowTimer) {
        m_autoShowTimer->invalidate();
        m_autoShowTimer.reset();
    }
    m_slideShow = false;
    std::make_shared<UIToast>()->show(Language::stringOrKey("SLIDESHOWSTOP"));
}
