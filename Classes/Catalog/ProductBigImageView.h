#pragma once

// One page of the full-screen product image viewer: the image fitted into
// the page, zoomed two-fold round the point of a double tap and back out on
// the next. A single tap asks the pager to show or hide its controls half a
// second later, unless a second tap turns it into a double tap first. A
// double tap near the edge of an image that leaves margins zooms onto the
// image, never onto the empty margin.

#include "Classes/Catalog/ProductBigImageScroller.h"
#include "Platform/UIKit/UIScrollView.h"

#include <memory>

class UIImage;
class UIImageView;

class ProductBigImageView : public UIScrollView, public UIScrollViewDelegate {
public:
    static constexpr double kSingleTapDelay = 0.5;

    // Makes the page as its own zoom delegate, with its image view.
    static std::shared_ptr<ProductBigImageView> initWithFrame(CGRect frame);
    explicit ProductBigImageView(CGRect frame);
    ~ProductBigImageView() override;

    const std::shared_ptr<UIImageView>& imageView() const { return m_imageView; }
    std::shared_ptr<ProductBigImageScroller> scroller() const { return m_scroller.lock(); }
    void setScroller(std::weak_ptr<ProductBigImageScroller> scroller) { m_scroller = std::move(scroller); }
    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }

    // Centred when smaller than the page both ways, else fitted; nil counts as smaller.
    void setImage(const std::shared_ptr<UIImage>& image);
    bool isZoomed() const;
    void zoomToLocation(CGPoint point);
    void turnOffZoom();
    void toggleChromeDisplay();
    CGRect zoomRectForScaleWithCenter(CGFloat scale, CGPoint center) const;

    std::shared_ptr<UIView> viewForZoomingInScrollView(UIScrollView&) override;
    void layoutSubviews() override;
    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;

private:
    void loadSubviewsWithFrame(CGRect frame);

    std::shared_ptr<UIImageView> m_imageView;
    std::weak_ptr<ProductBigImageScroller> m_scroller;
    int m_index = 0;
};
