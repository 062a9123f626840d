#pragma once

// One page of the reader's paging strip: a zooming scroll view holding a
// white card with a shadow, in which the page's thumbnail lies under the
// sharp tiled page. It fits the page at its smallest zoom, steps up to three
// times that on double taps, keeps the page centred, and tells its delegate of
// every touch-down so that the reader can hide its bars.

#include "Classes/Library/PdfDocumentLink.h"
#include "Platform/UIKit/UIScrollView.h"

#include <memory>
#include <optional>
#include <string>

class PdfContentPage;
class PdfContentThumb;
class PdfContentView;
class UIGestureRecognizer;
class UIImageView;

class PdfContentViewDelegate {
public:
    virtual ~PdfContentViewDelegate() = default;
    virtual void contentViewTouchesBegan(PdfContentView& contentView, const UITouchSet& touches) = 0;
};

class PdfContentView : public UIScrollView, public UIScrollViewDelegate {
public:
    static std::shared_ptr<PdfContentView> initWithFrameFileURLPagePassword(
        CGRect frame, const std::string& fileURL, long page, const std::optional<std::string>& password);
    explicit PdfContentView(CGRect frame);

    void setMessage(std::weak_ptr<PdfContentViewDelegate> message) { m_message = std::move(message); }
    void showPageThumbPagePasswordGuid(
        const std::string& fileURL, long page, const std::optional<std::string>& password, const std::string& guid);
    PdfLinkTarget processSingleTap(const UIGestureRecognizer& recognizer);
    void zoomIncrement();
    void zoomDecrement();
    void loopZoom();
    void zoomReset();

    std::shared_ptr<UIView> viewForZoomingInScrollView(UIScrollView&) override { return m_theContainerView; }
    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void layoutSubviews() override;
    // Frame changes keep the zoom inside the new limits (the frame observer).
    void setFrame(CGRect frame) override;

    const std::shared_ptr<PdfContentPage>& contentPage() const { return m_theContentView; }
    const std::shared_ptr<PdfContentThumb>& thumbView() const { return m_theThumbView; }
    const std::shared_ptr<UIView>& containerView() const { return m_theContainerView; }
    CGFloat zoomAmount() const { return m_zoomAmount; }

    const std::shared_ptr<UIImageView>& cardShadow() const { return m_cardShadow; }

private:
    static constexpr CGFloat kCardShadowRadius = 4;
    static constexpr CGFloat kCardShadowMargin = 2 * kCardShadowRadius;  // room for the blur around the card

    void updateMinimumMaximumZoom();
    void updateCardShadow();

    std::shared_ptr<PdfContentPage> m_theContentView;
    std::shared_ptr<PdfContentThumb> m_theThumbView;
    std::shared_ptr<UIView> m_theContainerView;
    std::shared_ptr<UIImageView> m_cardShadow;  // the card's shadow, drawn once per card size
    std::optional<CGSize> m_cardShadowSize;
    CGFloat m_zoomAmount = 0;
    std::weak_ptr<PdfContentViewDelegate> m_message;
};
