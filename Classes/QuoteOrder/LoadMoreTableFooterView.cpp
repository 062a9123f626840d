#include "Classes/QuoteOrder/LoadMoreTableFooterView.h"

#include "Classes/Frame/Language.h"
#include "Classes/QuoteOrder/PullTableLook.h"
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
    return Language::stringWithName(key).value_or(key);
}

}  // namespace

LoadMoreTableFooterView::LoadMoreTableFooterView(CGRect frame)
    : UIView(frame)
{
    setBackgroundColor(PullTableLook::backgroundColour());

    m_statusLabel = std::make_shared<UILabel>(CGRectMake(0, 20, frame.size.width, 20));
    m_statusLabel->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    m_statusLabel->setFont(UIFont::boldSystemFontOfSize(13));
    m_statusLabel->setTextColor(PullTableLook::textColour());
    m_statusLabel->setShadowColor(PullTableLook::textShadowColour());
    m_statusLabel->setShadowOffset(CGSizeMake(0, 1));
    m_statusLabel->setBackgroundColor(UIColor::clearColor());
    m_statusLabel->setTextAlignment(UITextAlignmentCenter);
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
    switch (state) {
    case Pulling: {
        m_statusLabel->setText(text("PULLUPRELEASE"));
        CATransaction::begin();
        CATransaction::setAnimationDuration(kFlipDuration);
        m_arrowImage->setTransform(CATransform3DIdentity);
        CATransaction::commit();
        break;
    }
    case Normal: {
        const CATransform3D flipped = CATransform3DMakeRotation(M_PI, 0, 0, 1);
        if (m_state == Pulling) {
            CATransaction::begin();
            CATransaction::setAnimationDuration(kFlipDuration);
            m_arrowImage->setTransform(flipped);
            CATransaction::commit();
        }
        m_statusLabel->setText(text("PULLUPTOLOADMORE"));
        m_activityView->stopAnimating();
        CATransaction::begin();
        CATransaction::setDisableActions(true);
        m_arrowImage->setHidden(false);
        m_arrowImage->setTransform(flipped);
        CATransaction::commit();
        break;
    }
    case Loading: {
        m_statusLabel->setText(text("PULLUPLOADING"));
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
    UIEdgeInsets inset = scrollView.contentInset();
    if (m_state == Loading) {
        // The footer stays in view, following the drag up to its own height.
        const CGFloat m = std::min(kLoadingHeight, std::max(-g, CGFloat(0)));
        inset.bottom = m == 0 ? 0 : visibleTableHeightDiffWithBoundsHeight(scrollView) + m;
        scrollView.setContentInset(inset);
        return;
    }
    if (!scrollView.isDragging())
        return;
    if (m_state == Pulling && g > -kTriggerDistance && g < 0 && !m_isLoading)
        setState(Normal);
    else if (m_state == Normal && g < -kTriggerDistance && !m_isLoading)
        setState(Pulling);
    if (inset.bottom != 0) {
        inset.bottom = 0;
        scrollView.setContentInset(inset);
    }
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
    auto* view = &scrollView;
    const CGFloat bottom = visibleTableHeightDiffWithBoundsHeight(scrollView) + kLoadingHeight;
    UIView::animateWithDuration(0.2, [view, bottom] {
        UIEdgeInsets inset = view->contentInset();
        inset.bottom = bottom;
        view->setContentInset(inset);
    });
    if (g == 0) {
        CGPoint offset = scrollView.contentOffset();
        offset.y += kTriggerDistance;
        scrollView.setContentOffsetAnimated(offset, true);
    }
}

void LoadMoreTableFooterView::pullRefreshScrollViewDataSourceDidFinishedLoading(UIScrollView& scrollView)
{
    m_isLoading = false;
    auto* view = &scrollView;
    UIView::animateWithDuration(0.3, [view] {
        UIEdgeInsets inset = view->contentInset();
        inset.bottom = 0;
        view->setContentInset(inset);
    });
    setState(Normal);
}
