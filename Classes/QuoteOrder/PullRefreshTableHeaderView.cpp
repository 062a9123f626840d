#include "Classes/QuoteOrder/PullRefreshTableHeaderView.h"

#include "Classes/QuoteOrder/PullTableLook.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/QuartzCore/CATransform3D.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIScrollView.h"

#include <algorithm>
#include <cmath>

namespace {

std::string text(const char* key)
{
    return NSBundle::mainBundle()->localizedStringForKeyValueTable(
        key, std::nullopt, std::string_view("PullTableViewLan"));
}

}  // namespace

PullRefreshTableHeaderView::PullRefreshTableHeaderView(CGRect frame)
    : UIView(frame)
{
    const CGFloat h = frame.size.height;
    setBackgroundColor(PullTableLook::backgroundColour());

    m_lastUpdatedLabel
        = PullTableLook::statusLabel(CGRectMake(0, h - 30, frame.size.width, 20), UIFont::systemFontOfSize(12));
    addSubview(m_lastUpdatedLabel);
    m_statusLabel
        = PullTableLook::statusLabel(CGRectMake(0, h - 38, frame.size.width, 20), UIFont::boldSystemFontOfSize(13));
    addSubview(m_statusLabel);

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
    static const char* const keys[] = { "Release to refresh...", "Pull down to refresh...", "Loading..." };
    if (state < Pulling || state > Loading)
        return;
    // The header's arrow points down (pull down) at rest and turns up once pulled far enough.
    const CATransform3D flipped = CATransform3DMakeRotation(M_PI, 0, 0, 1);
    PullTableLook::showState(state, m_state, text(keys[state]), *m_statusLabel, *m_activityView, *m_arrowImage,
        CATransform3DIdentity, flipped);
    if (state == Normal)
        refreshLastUpdatedDate();
    m_state = state;
}

void PullRefreshTableHeaderView::pullRefreshScrollViewWillBeginDragging(UIScrollView&) { refreshLastUpdatedDate(); }

void PullRefreshTableHeaderView::pullRefreshScrollViewDidScroll(UIScrollView& scrollView)
{
    const CGFloat y = scrollView.contentOffset().y;
    const CGFloat loadingInset = std::min(kLoadingHeight, std::max(-y, CGFloat(0)));
    const int next = PullTableLook::scrolled(scrollView, m_state, y, m_isLoading, &UIEdgeInsets::top, loadingInset);
    if (next != m_state)
        setState(next);
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
    PullTableLook::animateInset(scrollView, &UIEdgeInsets::top, kLoadingHeight, 0.2);
    if (y == 0)
        scrollView.setContentOffsetAnimated(CGPointMake(scrollView.contentOffset().x, -kTriggerDistance), true);
}

void PullRefreshTableHeaderView::pullRefreshScrollViewDataSourceDidFinishedLoading(UIScrollView& scrollView)
{
    m_isLoading = false;
    PullTableLook::animateInset(scrollView, &UIEdgeInsets::top, 0, 0.3);
    setState(Normal);
}
