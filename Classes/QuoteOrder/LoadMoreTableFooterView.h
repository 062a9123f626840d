#pragma once

// The footer below a PullTableView's content: an arrow and a status text
// that invite pulling up, and a spinner while more rows are loading.

#include "Classes/QuoteOrder/LoadMoreTableFooterDelegate.h"
#include "Classes/QuoteOrder/PullTableLook.h"
#include "Platform/UIKit/UIView.h"

#include <memory>

class CALayer;
class UIActivityIndicatorView;
class UILabel;
class UIScrollView;

class LoadMoreTableFooterView : public UIView {
public:
    enum State { Pulling = PullTableLook::Pulling, Normal = PullTableLook::Normal, Loading = PullTableLook::Loading };
    // How far past the end the content must be pulled to load more.
    static constexpr CGFloat kTriggerDistance = PullTableLook::kTriggerDistance;
    static constexpr CGFloat kLoadingHeight = 60;

    explicit LoadMoreTableFooterView(CGRect frame);

    std::shared_ptr<LoadMoreTableFooterDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<LoadMoreTableFooterDelegate> d) { m_delegate = std::move(d); }
    int state() const { return m_state; }
    void setState(int state);
    bool isLoading() const { return m_isLoading; }

    void pullRefreshScrollViewDidScroll(UIScrollView& scrollView);
    void pullRefreshScrollViewDidEndDragging(UIScrollView& scrollView);
    void startAnimatingWithScrollView(UIScrollView& scrollView);
    void pullRefreshScrollViewDataSourceDidFinishedLoading(UIScrollView& scrollView);

    // 0 at rest at the end of the content, -d when dragged d points beyond it.
    static CGFloat scrollViewOffsetFromBottom(const UIScrollView& scrollView);
    // The empty height below content shorter than the view.
    static CGFloat visibleTableHeightDiffWithBoundsHeight(const UIScrollView& scrollView);

    const std::shared_ptr<UILabel>& statusLabel() const { return m_statusLabel; }
    const std::shared_ptr<CALayer>& arrowImage() const { return m_arrowImage; }
    const std::shared_ptr<UIActivityIndicatorView>& activityView() const { return m_activityView; }

private:
    std::weak_ptr<LoadMoreTableFooterDelegate> m_delegate;
    int m_state = Normal;
    bool m_isLoading = false;
    std::shared_ptr<UILabel> m_statusLabel;
    std::shared_ptr<CALayer> m_arrowImage;
    std::shared_ptr<UIActivityIndicatorView> m_activityView;
};
