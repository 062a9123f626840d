#include "Classes/QuoteOrder/PullRefreshTableHeaderView.h"

#include "Classes/QuoteOrder/PullTableLook.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/QuartzCore/CATransaction.h"
#include "Platform/QuartzCore/CATransform3D.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIScrollView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFlipDuration = 0.18;

std::string text(const char* key)
{
    return NSBundle::mainBundle()->localizedStringForKeyValueTable(key, std::nullopt, std::string_view("PullTableViewLan"));
}

}  // namespace

PullRefreshTableHeaderView::PullRefreshTableHeaderView(CGRect frame)
    : UIView(frame)
{
    const CGFloat h = frame.size.height;
    setBackgroundColor(PullTableLook::backgroundColour());

    auto label = [&](CGRect rect, std::shared_ptr<UIFont> font) {
        auto l = std::make_shared<UILabel>(rect);
        l->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
        l->setFont(std::move(font));
        l->setTextColor(PullTableLook::textColour());
        l->setShadowColor(PullTableLook::textShadowColour());
        l->setShadowOffset(CGSizeMake(0, 1));
        l->setBackgroundColor(UIColor::clearColor());
        l->setTextAlignment(UITextAlignmentCenter);
        addSubview(l);
        return l;
    };
    m_lastUpdatedLabel = label(CGRectMake(0, h - 30, frame.size.width, 20), UIFont::systemFontOfSize(12));
    m_statusLabel = label(CGRectMake(0, h - 38, frame.size.width, 20), UIFont::boldSystemFontOfSize(13));

    m_arrowImage = PullTableLook::arrowLayer(CGRectMake(25, h - 65, 30, 55));
    layer()->addSublayer(m_arrowImage);

    m_activityView = std::make_shared<UIActivityIndicatorView>(UIActivityIndicatorViewStyleGray);
    m_activityView->setFrame(CGRectMake(25, h - 38, 20, 20));
    addSubview(m_activityView);

    setState(Normal);
}

void PullRefreshTableHeaderView::refreshLastUpdatedDate()
{
    std::optional<Date> date;
    if (auto d = delegate())
        date = d->pullRefreshTableHeaderDataSourceLastUpdated(*this);
    m_lastUpdatedLabel->setText(date ? NSDateFormatter("MM/dd/yyyy HH:mm").stringFromDate(*date) : std::string());
}

void PullRefreshTableHeaderView::setState(int state)
{
    switch (state) {
    case Pulling: {
        m_statusLabel->setText(text("Release to refresh..."));
        CATransaction::begin();
        CATransaction::setAnimationDuration(kFlipDuration);
        m_arrowImage->setTransform(CATransform3DMakeRotation(M_PI, 0, 0, 1));
        CATransaction::commit();
        break;
    }
    case Normal: {
        if (m_state == Pulling) {
            CATransaction::begin();
            CATransaction::setAnimationDuration(kFlipDuration);
            m_arrowImage->setTransform(CATransform3DIdentity);
            CATransaction::commit();
        }
        m_statusLabel->setText(text("Pull down to refresh..."));
        m_activityView->stopAnimating();
        CATransaction::begin();
        CATransaction::setDisableActions(true);
        m_arrowImage->setHidden(false);
        m_arrowImage->setTransform(CATransform3DIdentity);
        CATransaction::commit();
        refreshLastUpdatedDate();
        break;
    }
    case Loading: {
        m_statusLabel->setText(text("Loading..."));
        m_activityView->startAnimating();
        CATransaction::begin();
        CATransaction::setDisableActions(true);
        m_arrowImage->setHidden(true);
        CATransaction::commit();
        break;
    }
    default:
        return;
    }
    m_state = state;
}

void PullRefreshTableHeaderView::pullRefreshScrollViewWillBeginDragging(UIScrollView&)
{
    refreshLastUpdatedDate();
}

void PullRefreshTableHeaderView::pullRefreshScrollViewDidScroll(UIScrollView& scrollView)
{
    const CGFloat y = scrollView.contentOffset().y;
    UIEdgeInsets inset = scrollView.contentInset();
    if (m_state == Loading) {
        inset.top = std::min(kLoadingHeight, std::max(-y, CGFloat(0)));
        scrollView.setContentInset(inset);
        return;
    }
    if (!scrollView.isDragging())
        return;
    if (m_state == Pulling && y > -kTriggerDistance && y < 0 && !m_isLoading)
        setState(Normal);
    else if (m_state == Normal && y < -kTriggerDistance && !m_isLoading)
        setState(Pulling);
    if (inset.top != 0) {
        inset.top = 0;
        scrollView.setContentInset(inset);
    }
}

void PullRefreshTableHeaderView::pullRefreshScrollViewDidEndDragging(UIScrollView& scrollView)
{
    if (scrollView.contentOffset().y > -kTriggerDistance || m_isLoading)
        return;
    if (auto d = delegate())
        d->pullRefreshTableHeaderDidTriggerRefresh(*this);
    startAnimatingWithScrollView(scrollView);
}

void PullRefreshTableHeaderView::startAnimatingWithScrollView(UIScrollView& scrollView)
{
    const CGFloat y = scrollView.contentOffset().y;
    m_isLoading = true;
    setState(Loading);
    auto* view = &scrollView;
    UIView::animateWithDuration(0.2, [view] {
        UIEdgeInsets inset = view->contentInset();
        inset.top = kLoadingHeight;
        view->setContentInset(inset);
    });
    if (y == 0)
        scrollView.setContentOffsetAnimated(CGPointMake(scrollView.contentOffset().x, -kTriggerDistance), true);
}

void PullRefreshTableHeaderView::pullRefreshScrollViewDataSourceDidFinishedLoading(UIScrollView& scrollView)
{
    m_isLoading = false;
    auto* view = &scrollView;
    UIView::animateWithDuration(0.3, [view] {
        UIEdgeInsets inset = view->contentInset();
        inset.top = 0;
        view->setContentInset(inset);
    });
    setState(Normal);
}
