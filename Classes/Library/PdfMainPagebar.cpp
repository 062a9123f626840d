#include "Classes/Library/PdfMainPagebar.h"

#include "Classes/Library/GradientFill.h"
#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfPagebarShadow.h"
#include "Classes/Library/PdfPagebarThumb.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Classes/Library/PdfTrackControl.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"

#include <cmath>
#include <set>

PdfMainPagebar::PdfMainPagebar(CGRect frame)
    : UIView(frame)
{
}

PdfMainPagebar::~PdfMainPagebar()
{
    if (m_trackTimer)
        m_trackTimer->invalidate();
    if (m_enableTimer)
        m_enableTimer->invalidate();
}

std::shared_ptr<PdfMainPagebar> PdfMainPagebar::initWithFrameDocument(
    CGRect frame, const std::shared_ptr<PdfDocument>& document)
{
    if (!document)
        NSException::raiseFormat(NSInternalInconsistencyException, "Assertion failure in %s: %s",
            "Classes/Library/PdfMainPagebar", "object != nil");
    auto bar = std::make_shared<PdfMainPagebar>(frame);
    bar->build(document);
    return bar;
}

long PdfMainPagebar::pageCount() const { return m_document->pageCount().value_or(0); }

void PdfMainPagebar::build(const std::shared_ptr<PdfDocument>& document)
{
    setAutoresizesSubviews(true);
    setUserInteractionEnabled(true);
    setContentMode(UIViewContentModeRedraw);
    setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleTopMargin);
    setBackgroundColor(UIColor::clearColor());

    CGRect shadowRect = bounds();
    shadowRect.origin.y -= 4;
    shadowRect.size.height = 4;
    m_shadow = std::make_shared<PdfPagebarShadow>(shadowRect);
    addSubview(m_shadow);

    m_pageNumberView = std::make_shared<UIView>(CGRectMake((bounds().size.width - 96) / 2, -50, 96, 30));
    m_pageNumberView->setAutoresizesSubviews(false);
    m_pageNumberView->setUserInteractionEnabled(false);
    m_pageNumberView->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleRightMargin);
    m_pageNumberView->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.4f));
    auto layer = m_pageNumberView->layer();
    layer->setShadowOffset(CGSizeMake(0, 0));
    layer->setShadowColor(UIColor::colorWithWhiteAlpha(0, 0.6f)->CGColor());
    layer->setShadowPathRect(m_pageNumberView->bounds());
    layer->setShadowRadius(2);
    layer->setShadowOpacity(1);

    m_pageNumberLabel = std::make_shared<UILabel>(CGRectInset(m_pageNumberView->bounds(), 4, 2));
    m_pageNumberLabel->setAutoresizesSubviews(false);
    m_pageNumberLabel->setAutoresizingMask(UIViewAutoresizingNone);
    m_pageNumberLabel->setTextAlignment(UITextAlignmentCenter);
    m_pageNumberLabel->setBackgroundColor(UIColor::clearColor());
    m_pageNumberLabel->setTextColor(UIColor::whiteColor());
    m_pageNumberLabel->setFont(UIFont::systemFontOfSize(16));
    m_pageNumberLabel->setShadowOffset(CGSizeMake(0, 1));
    m_pageNumberLabel->setShadowColor(UIColor::blackColor());
    m_pageNumberLabel->setAdjustsFontSizeToFitWidth(true);
    m_pageNumberLabel->setMinimumFontSize(12);
    m_pageNumberView->addSubview(m_pageNumberLabel);
    addSubview(m_pageNumberView);

    m_trackControl = std::make_shared<PdfTrackControl>(bounds());
    std::weak_ptr<PdfMainPagebar> weak = std::static_pointer_cast<PdfMainPagebar>(sharedView());
    auto on = [weak](void (PdfMainPagebar::*handler)(PdfTrackControl&)) {
        return [weak, handler](UIControl& control, UIEvent*) {
            if (auto self = weak.lock())
                (self.get()->*handler)(static_cast<PdfTrackControl&>(control));
        };
    };
    m_trackControl->addTarget(UIControlEventTouchDown, on(&PdfMainPagebar::trackViewTouchDown));
    m_trackControl->addTarget(UIControlEventValueChanged, on(&PdfMainPagebar::trackViewValueChanged));
    m_trackControl->addTarget(
        UIControlEventTouchUpInside | UIControlEventTouchUpOutside, on(&PdfMainPagebar::trackViewTouchUp));
    addSubview(m_trackControl);

    m_document = document;
    updatePageNumberText(m_document->pageNumber());
}

void PdfMainPagebar::drawRect(CGRect)
{
    GradientFillBounds(bounds(), { 0.5f, 0.5f, 0.5f, 0.8f }, { 0.3f, 0.3f, 0.3f, 0.8f });
}

void PdfMainPagebar::layoutSubviews()
{
    CGRect area = CGRectInset(bounds(), 4, 0);
    long pages = pageCount();
    long fit = static_cast<long>(std::floor(area.size.width / kMarkSpacing));
    long marks = std::min(fit, pages);
    CGRect controlRect = area;
    controlRect.size.width = static_cast<CGFloat>(marks) * kMarkSpacing - 2;
    controlRect.origin.x = std::floor((bounds().size.width - controlRect.size.width) / 2);
    m_trackControl->setFrame(controlRect);
    CGFloat controlHeight = controlRect.size.height;

    if (!m_pageThumbView) {
        m_pageThumbView = std::make_shared<PdfPagebarThumb>(
            CGRectMake(0, std::floor((controlHeight - kThumbHeight) / 2), kThumbWidth, kThumbHeight), false);
        m_pageThumbView->layer()->setZPosition(1);
        m_trackControl->addSubview(m_pageThumbView);
    }
    updatePageThumbView(m_document->pageNumber());

    CGFloat stride
        = marks >= 2 ? static_cast<CGFloat>(pages) / static_cast<CGFloat>(marks - 1) : static_cast<CGFloat>(pages);
    std::set<long> hide;
    for (const auto& [page, mark] : m_miniThumbViews)
        hide.insert(page);
    for (long i = 0; i < marks; ++i) {
        CGRect frame = CGRectMake(kMarkSpacing * static_cast<CGFloat>(i), std::floor((controlHeight - kMarkHeight) / 2),
            kMarkWidth, kMarkHeight);
        long page = std::min(static_cast<long>(stride * static_cast<CGFloat>(i) + 1), pages);
        auto found = m_miniThumbViews.find(page);
        if (found != m_miniThumbViews.end()) {
            found->second->setHidden(false);
            hide.erase(page);
            if (!CGRectEqualToRect(found->second->frame(), frame))
                found->second->setFrame(frame);
            continue;
        }
        auto mark = std::make_shared<PdfPagebarThumb>(frame, true);
        auto request = PdfThumbRequest::newForViewFileURLPasswordGuidPageSize(mark, m_document->fileURL(),
            m_document->password(), m_document->guid(), page, CGSizeMake(kMarkWidth, kMarkHeight));
        auto entry = PdfThumbCache::sharedInstance().thumbRequestPriority(request, false);
        if (auto image = std::get_if<std::shared_ptr<UIImage>>(&entry))
            mark->showImage(*image);
        m_trackControl->addSubview(mark);
        m_miniThumbViews[page] = mark;
    }
    for (long page : hide)
        m_miniThumbViews[page]->setHidden(true);
}

std::map<long, std::shared_ptr<PdfPagebarThumb>> PdfMainPagebar::visibleMarks() const
{
    std::map<long, std::shared_ptr<PdfPagebarThumb>> shown;
    for (const auto& [page, mark] : m_miniThumbViews)
        if (!mark->isHidden())
            shown[page] = mark;
    return shown;
}

void PdfMainPagebar::updatePageThumbView(long page)
{
    if (!m_pageThumbView)
        return;
    long pages = pageCount();
    if (pages > 1) {
        CGFloat controlWidth = m_trackControl->bounds().size.width;
        CGFloat x = std::floor(
            static_cast<CGFloat>(page - 1) * ((controlWidth - kThumbWidth) / static_cast<CGFloat>(pages - 1)));
        CGRect frame = m_pageThumbView->frame();
        if (frame.origin.x != x) {
            frame.origin.x = x;
            m_pageThumbView->setFrame(frame);
        }
    }
    if (page != m_pageThumbView->tag()) {
        m_pageThumbView->setTag(page);
        m_pageThumbView->reuse();
        auto request = PdfThumbRequest::newForViewFileURLPasswordGuidPageSize(m_pageThumbView, m_document->fileURL(),
            m_document->password(), m_document->guid(), page, CGSizeMake(kThumbWidth, kThumbHeight));
        auto entry = PdfThumbCache::sharedInstance().thumbRequestPriority(request, true);
        auto image = std::get_if<std::shared_ptr<UIImage>>(&entry);
        m_pageThumbView->showImage(image ? *image : nullptr);
    }
}

void PdfMainPagebar::updatePageNumberText(long page)
{
    if (page == m_pageNumberLabel->tag())
        return;
    m_pageNumberLabel->setText(stringWithFormat("%d of %d", static_cast<int>(page), static_cast<int>(pageCount())));
    m_pageNumberLabel->setTag(page);
    ++m_pageTextUpdates;
}

void PdfMainPagebar::updatePagebarViews()
{
    long page = m_document->pageNumber();
    updatePageNumberText(page);
    updatePageThumbView(page);
}

void PdfMainPagebar::updatePagebar()
{
    if (!isHidden())
        updatePagebarViews();
}

void PdfMainPagebar::hidePagebar()
{
    if (isHidden())
        return;
    std::weak_ptr<UIView> weak = sharedView();
    UIView::animateWithDuration(
        kTimerInterval, 0, UIViewAnimationOptionCurveLinear | UIViewAnimationOptionAllowUserInteraction,
        [this] { setAlpha(0); },
        [weak](bool) {
            if (auto self = weak.lock())
                self->setHidden(true);
        });
}

void PdfMainPagebar::showPagebar()
{
    if (!isHidden())
        return;
    updatePagebarViews();
    UIView::animateWithDuration(
        kTimerInterval, 0, UIViewAnimationOptionCurveLinear | UIViewAnimationOptionAllowUserInteraction,
        [this] {
            setHidden(false);
            setAlpha(1);
        },
        nullptr);
}

void PdfMainPagebar::willMoveToSuperview(UIView* newSuperview)
{
    if (newSuperview)
        return;
    if (m_trackTimer)
        m_trackTimer->invalidate();
    m_trackTimer.reset();
    if (m_enableTimer)
        m_enableTimer->invalidate();
    m_enableTimer.reset();
}

long PdfMainPagebar::trackViewPageNumber(const PdfTrackControl& control) const
{
    long pages = pageCount();
    if (pages < 1)
        return 0;
    CGFloat width = control.bounds().size.width / static_cast<CGFloat>(pages);
    return static_cast<long>(control.value() / width) + 1;
}

void PdfMainPagebar::trackViewTouchDown(PdfTrackControl& control)
{
    long page = trackViewPageNumber(control);
    if (page != m_document->pageNumber()) {
        updatePageNumberText(page);
        updatePageThumbView(page);
        restartTrackTimer();
    }
    control.setTag(page);
}

void PdfMainPagebar::trackViewValueChanged(PdfTrackControl& control)
{
    long page = trackViewPageNumber(control);
    if (page != control.tag()) {
        updatePageNumberText(page);
        updatePageThumbView(page);
        control.setTag(page);
        restartTrackTimer();
    }
}

void PdfMainPagebar::trackViewTouchUp(PdfTrackControl& control)
{
    if (m_trackTimer)
        m_trackTimer->invalidate();
    m_trackTimer.reset();
    if (control.tag() != m_document->pageNumber()) {
        control.setUserInteractionEnabled(false);
        auto keep = sharedView();
        if (auto delegate = m_delegate.lock())
            delegate->pagebarGotoPage(*this, control.tag());
        startEnableTimer();
    }
    control.setTag(0);
}

void PdfMainPagebar::restartTrackTimer()
{
    if (m_trackTimer)
        m_trackTimer->invalidate();
    std::weak_ptr<PdfMainPagebar> weak = std::static_pointer_cast<PdfMainPagebar>(sharedView());
    m_trackTimer = NSTimer::scheduledTimerWithTimeInterval(kTimerInterval, false, [weak](NSTimer&) {
        if (auto self = weak.lock())
            self->trackTimerFired();
    });
}

void PdfMainPagebar::startEnableTimer()
{
    if (m_enableTimer)
        m_enableTimer->invalidate();
    std::weak_ptr<PdfMainPagebar> weak = std::static_pointer_cast<PdfMainPagebar>(sharedView());
    m_enableTimer = NSTimer::scheduledTimerWithTimeInterval(kTimerInterval, false, [weak](NSTimer&) {
        if (auto self = weak.lock())
            self->enableTimerFired();
    });
}

void PdfMainPagebar::trackTimerFired()
{
    if (m_trackTimer)
        m_trackTimer->invalidate();
    m_trackTimer.reset();
    if (m_trackControl->tag() != m_document->pageNumber()) {
        auto keep = sharedView();
        if (auto delegate = m_delegate.lock())
            delegate->pagebarGotoPage(*this, m_trackControl->tag());
    }
}

void PdfMainPagebar::enableTimerFired()
{
    if (m_enableTimer)
        m_enableTimer->invalidate();
    m_enableTimer.reset();
    m_trackControl->setUserInteractionEnabled(true);
}
