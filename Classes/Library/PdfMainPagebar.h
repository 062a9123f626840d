#pragma once

// The reader's page scrubber: a row of tiny page marks spread over the whole
// document, a larger thumbnail of the current page that slides along it, and
// a page-number box floating above the bar. Dragging previews pages; resting
// a quarter of a second or lifting the finger jumps to the page under it, and
// the bar then ignores touches for a quarter of a second.

#include "Platform/UIKit/UIView.h"

#include <map>
#include <memory>

class NSTimer;
class PdfDocument;
class PdfMainPagebar;
class PdfPagebarShadow;
class PdfPagebarThumb;
class PdfTrackControl;
class UILabel;

class PdfMainPagebarDelegate {
public:
    virtual ~PdfMainPagebarDelegate() = default;
    virtual void pagebarGotoPage(PdfMainPagebar& pagebar, long page) = 0;
};

class PdfMainPagebar : public UIView {
public:
    static constexpr CGFloat kMarkWidth = 22;
    static constexpr CGFloat kMarkHeight = 28;
    static constexpr CGFloat kMarkSpacing = 24;
    static constexpr CGFloat kThumbWidth = 32;
    static constexpr CGFloat kThumbHeight = 42;
    static constexpr double kTimerInterval = 0.25;

    static std::shared_ptr<PdfMainPagebar> initWithFrameDocument(
        CGRect frame, const std::shared_ptr<PdfDocument>& document);
    explicit PdfMainPagebar(CGRect frame);
    ~PdfMainPagebar() override;

    void layoutSubviews() override;
    void updatePagebar();
    void updatePagebarViews();
    void updatePageThumbView(long page);
    void updatePageNumberText(long page);
    void hidePagebar();
    void showPagebar();
    // Leaving the screen stops both timers.
    void willMoveToSuperview(UIView* newSuperview) override;
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

    long trackViewPageNumber(const PdfTrackControl& control) const;
    void setDelegate(std::weak_ptr<PdfMainPagebarDelegate> delegate) { m_delegate = std::move(delegate); }

    const std::shared_ptr<PdfTrackControl>& trackControl() const { return m_trackControl; }
    const std::shared_ptr<PdfPagebarThumb>& pageThumbView() const { return m_pageThumbView; }
    const std::shared_ptr<UILabel>& pageNumberLabel() const { return m_pageNumberLabel; }
    // The marks shown now, by page.
    std::map<long, std::shared_ptr<PdfPagebarThumb>> visibleMarks() const;
    // How many times the page text was written (it is not rebuilt for the same page).
    int pageTextUpdates() const { return m_pageTextUpdates; }

private:
    void build(const std::shared_ptr<PdfDocument>& document);
    void trackViewTouchDown(PdfTrackControl& control);
    void trackViewValueChanged(PdfTrackControl& control);
    void trackViewTouchUp(PdfTrackControl& control);
    void restartTrackTimer();
    void startEnableTimer();
    void trackTimerFired();
    void enableTimerFired();
    long pageCount() const;

    std::shared_ptr<PdfDocument> m_document;
    std::shared_ptr<PdfTrackControl> m_trackControl;
    std::map<long, std::shared_ptr<PdfPagebarThumb>> m_miniThumbViews;
    std::shared_ptr<PdfPagebarThumb> m_pageThumbView;
    std::shared_ptr<UILabel> m_pageNumberLabel;
    std::shared_ptr<UIView> m_pageNumberView;
    std::shared_ptr<PdfPagebarShadow> m_shadow;
    std::shared_ptr<NSTimer> m_trackTimer;
    std::shared_ptr<NSTimer> m_enableTimer;
    std::weak_ptr<PdfMainPagebarDelegate> m_delegate;
    int m_pageTextUpdates = 0;
};
