#include "Classes/QuoteOrder/MessageInterceptor.h"

#include "Classes/QuoteOrder/PullTableView.h"

// Without a receiver each message gets the platform's default answer.
#define FORWARD(call, fallback)                                                                                        \
    if (auto r = receiver())                                                                                           \
        return r->call;                                                                                                \
    return UITableViewDelegate::fallback;

void MessageInterceptor::scrollViewDidScroll(UIScrollView& s)
{
    if (m_middleMan)
        m_middleMan->scrollViewDidScroll(s);
    if (auto r = receiver())
        r->scrollViewDidScroll(s);
}

void MessageInterceptor::scrollViewWillBeginDragging(UIScrollView& s)
{
    if (m_middleMan)
        m_middleMan->scrollViewWillBeginDragging(s);
    if (auto r = receiver())
        r->scrollViewWillBeginDragging(s);
}

void MessageInterceptor::scrollViewDidEndDraggingWillDecelerate(UIScrollView& s, bool decelerate)
{
    if (m_middleMan)
        m_middleMan->scrollViewDidEndDraggingWillDecelerate(s, decelerate);
    if (auto r = receiver())
        r->scrollViewDidEndDraggingWillDecelerate(s, decelerate);
}

void MessageInterceptor::scrollViewWillEndDraggingWithVelocityTargetContentOffset(
    UIScrollView& s, CGPoint v, CGPoint* t)
{
    FORWARD(scrollViewWillEndDraggingWithVelocityTargetContentOffset(s, v, t),
        scrollViewWillEndDraggingWithVelocityTargetContentOffset(s, v, t))
}
void MessageInterceptor::scrollViewWillBeginDecelerating(UIScrollView& s)
{
    FORWARD(scrollViewWillBeginDecelerating(s), scrollViewWillBeginDecelerating(s))
}
void MessageInterceptor::scrollViewDidEndDecelerating(UIScrollView& s)
{
    FORWARD(scrollViewDidEndDecelerating(s), scrollViewDidEndDecelerating(s))
}
void MessageInterceptor::scrollViewDidEndScrollingAnimation(UIScrollView& s) {
    FORWARD(scrollViewDidEndScrollingAnimation(s), scrollViewDidEndScrollingAnimation(s))
} std::shared_ptr<UIView> MessageInterceptor::viewForZoomingInScrollView(UIScrollView& s)
{
    FORWARD(viewForZoomingInScrollView(s), viewForZoomingInScrollView(s))
}
void MessageInterceptor::scrollViewWillBeginZoomingWithView(UIScrollView& s, UIView* v)
{
    FORWARD(scrollViewWillBeginZoomingWithView(s, v), scrollViewWillBeginZoomingWithView(s, v))
}
void MessageInterceptor::scrollViewDidZoom(UIScrollView& s) { FORWARD(scrollViewDidZoom(s), scrollViewDidZoom(s)) }
void MessageInterceptor::scrollViewDidEndZoomingWithViewAtScale(UIScrollView& s, UIView* v, CGFloat scale)
{
    FORWARD(scrollViewDidEndZoomingWithViewAtScale(s, v, scale), scrollViewDidEndZoomingWithViewAtScale(s, v, scale))
}
bool MessageInterceptor::scrollViewShouldScrollToTop(UIScrollView& s)
{
    FORWARD(scrollViewShouldScrollToTop(s), scrollViewShouldScrollToTop(s))
}
void MessageInterceptor::scrollViewDidScrollToTop(
    UIScrollView& s) { FORWARD(scrollViewDidScrollToTop(s), scrollViewDidScrollToTop(s)) }

std::optional<CGFloat> MessageInterceptor::tableViewHeightForRowAtIndexPath(UITableView& t, const NSIndexPath& p) {
    FORWARD(tableViewHeightForRowAtIndexPath(t, p), tableViewHeightForRowAtIndexPath(t, p))
} std::optional<CGFloat> MessageInterceptor::tableViewHeightForHeaderInSection(UITableView& t, long s) {
    FORWARD(tableViewHeightForHeaderInSection(t, s), tableViewHeightForHeaderInSection(t, s))
} std::optional<CGFloat> MessageInterceptor::tableViewHeightForFooterInSection(UITableView& t, long s) {
    FORWARD(tableViewHeightForFooterInSection(t, s), tableViewHeightForFooterInSection(t, s))
} std::shared_ptr<UIView> MessageInterceptor::tableViewViewForHeaderInSection(UITableView& t, long s) {
    FORWARD(tableViewViewForHeaderInSection(t, s), tableViewViewForHeaderInSection(t, s))
} std::shared_ptr<UIView> MessageInterceptor::tableViewViewForFooterInSection(UITableView& t, long s)
{
    FORWARD(tableViewViewForFooterInSection(t, s), tableViewViewForFooterInSection(t, s))
}
void MessageInterceptor::tableViewWillDisplayCellForRowAtIndexPath(
    UITableView& t, UITableViewCell& c, const NSIndexPath& p) {
    FORWARD(tableViewWillDisplayCellForRowAtIndexPath(t, c, p), tableViewWillDisplayCellForRowAtIndexPath(t, c, p))
} std::optional<NSIndexPath> MessageInterceptor::tableViewWillSelectRowAtIndexPath(UITableView& t, const NSIndexPath& p)
{
    FORWARD(tableViewWillSelectRowAtIndexPath(t, p), tableViewWillSelectRowAtIndexPath(t, p))
}
void MessageInterceptor::tableViewDidSelectRowAtIndexPath(UITableView& t, const NSIndexPath& p)
{
    FORWARD(tableViewDidSelectRowAtIndexPath(t, p), tableViewDidSelectRowAtIndexPath(t, p))
}
void MessageInterceptor::tableViewDidDeselectRowAtIndexPath(UITableView& t, const NSIndexPath& p)
{
    FORWARD(tableViewDidDeselectRowAtIndexPath(t, p), tableViewDidDeselectRowAtIndexPath(t, p))
}
void MessageInterceptor::tableViewAccessoryButtonTappedForRowWithIndexPath(UITableView& t, const NSIndexPath& p) {
    FORWARD(tableViewAccessoryButtonTappedForRowWithIndexPath(t, p),
        tableViewAccessoryButtonTappedForRowWithIndexPath(t, p))
} UITableViewCellEditingStyle MessageInterceptor::tableViewEditingStyleForRowAtIndexPath(UITableView& t,
    const NSIndexPath& p) {
    FORWARD(tableViewEditingStyleForRowAtIndexPath(t, p), tableViewEditingStyleForRowAtIndexPath(t, p))
} std::optional<std::string> MessageInterceptor::tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(UITableView&
                                                                                                                t,
    const NSIndexPath& p)
{
    FORWARD(tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(t, p),
        tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(t, p))
}
void MessageInterceptor::tableViewWillBeginEditingRowAtIndexPath(UITableView& t, const NSIndexPath& p)
{
    FORWARD(tableViewWillBeginEditingRowAtIndexPath(t, p), tableViewWillBeginEditingRowAtIndexPath(t, p))
}
void MessageInterceptor::tableViewDidEndEditingRowAtIndexPath(UITableView& t, const NSIndexPath& p)
{
    FORWARD(tableViewDidEndEditingRowAtIndexPath(t, p), tableViewDidEndEditingRowAtIndexPath(t, p))
}
