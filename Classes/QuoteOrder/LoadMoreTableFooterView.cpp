#include "Classes/QuoteOrder/LoadMoreTableFooterView.h"

#include "Classes/Frame/Language.h"
#include "Classes/QuoteOrder/PullTableLook.h"
#include "Platform/QuartzCore/CATransform3D.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIScrollView.h"

#include <algorithm>
#include <cmath>

LoadMoreTableFooterView::LoadMoreTableFooterView(CGRect frame)
    : UIView(frame)
{
    setBackgroundColor(PullTableLook::backgroundColour());

    m_statusLabel
        = PullTableLook::statusLabel(CGRectMake(0, 20, frame.size.width, 20), UIFont::boldSystemFontOfSize(13));
    addSubview(m_statusLabel);

    m_arrowImage = PullTableLook::arrowLayer(CGRectMake(25, 10, 30, 55));
    layer()->addSublayer(m_arrowImage);

    m_activityView = std::make_shared<UIActivityIndicatorView>(UIActivityIndicatorViewStyleGray);
    m_activityView->setFrame(CGRectMake(25, 22, 20, 20));
    addSubview(m_activityView);

    setState(Normal);
}

void LoadMoreTableFooterView::setState(int state)
{
    static const char* const keys[] = { "PULLUPRELEASE", "PULLUPTOLOADMORE", "PULLUPLOADING" };
    if (state < Pulling || state > Loading)
        return;
    // The footer's arrow points up (pull up) at rest and turns down once pulled far enough.
    const CATransform3D flipped = CATransform3DMakeRotation(M_PI, 0, 0, 1);
    PullTableLook::showState(state, m_state, text(keys[state]), *m_statusLabel, *m_activityView, *m_arrowImage, flipped,
        CATransform3DIdentity);
    m_state = state;
}

CGFloat LoadMoreTableFooterView::scrollViewOffsetFromBottom(const UIScrollView& scrollView)
{
    const CGFloat content = scrollView.contentSize().height;
    const CGFloat visible = std::min(scrollView.bounds().size.height, content);
    return content - (scrollView.contentOffset().y + visible);
}

CGFloat LoadMoreTableFooterView::visibleTableHeightDiffWithBoundsHeight(const UIScrollView& scrollView)
{
    const CGFloat bounds = scrollView.bounds().size.height;
    return bounds - std::min(bounds, scrollView.contentSize().height);
}

void LoadMoreTableFooterView::pullRefreshScrollViewDidScroll(UIScrollView& scrollView)
{
    const CGFloat g = scrollViewOffsetFromBottom(scrollView);
    // While loading the footer stays in view, following the drag up to its own height.
    const CGFloat m = std::min(kLoadingHeight, std::max(-g, CGFloat(0)));
    const CGFloat loadingInset = m == 0 ? 0 : visibleTableHeightDiffWithBoundsHeight(scrollView) + m;
    const int next = PullTableLook::scrolled(scrollView, m_state, g, m_isLoading, &UIEdgeInsets::bottom, loadingInset);
    if (next != m_state)
        setState(next);
}

void LoadMoreTableFooterView::pullRefreshScrollViewDidEndDragging(UIScrollView& scrollView)
{
    if (scrollViewOffsetFromBottom(scrollView) > -kTriggerDistance || m_isLoading)
        return;
    if (auto d = delegate())
        d->loadMoreTableFooterDidTriggerLoadMore(*this);
    startAnimatingWithScrollView(scrollView);
}

void LoadMoreTableFooterView::startAnimatingWithScrollView(UIScrollView& scrollView)
{
    const CGFloat g = scrollViewOffsetFromBottom(scrollView);
    m_isLoading = true;
    setState(Loading);
    PullTableLook::animateInset(
        scrollView, &UIEdgeInsets::bottom, visibleTableHeightDiffWithBoundsHeight(scrollView) + kLoadingHeight, 0.2);
    if (g == 0) {
        CGPoint offset = scrollView.contentOffset();
        offset.y += kTriggerDistance;
        scrollView.setContentOffsetAnimated(offset, true);
    }
}

void LoadMoreTableFooterView::pullRefreshScrollViewDataSourceDidFinishedLoading(UIScrollView& scrollView)
{
    m_isLoading = false;
    PullTableLook::animateInset(scrollView, &UIEdgeInsets::bottom, 0, 0.3);
    setState(Normal);
}
