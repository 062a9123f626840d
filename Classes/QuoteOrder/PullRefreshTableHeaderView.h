#pragma once

// The header above a PullTableView's content: pull down to refresh. It
// mirrors the load-more footer at the top edge and adds a last-updated line.

#include "Classes/QuoteOrder/PullRefreshTableHeaderDelegate.h"
#include "Classes/QuoteOrder/PullTableLook.h"
#include "Platform/UIKit/UIView.h"

#include <memory>

class CALayer;
class UIActivityIndicatorView;
class UILabel;
class UIScrollView;

class PullRefreshTableHeaderView : public UIView {
public:
    enum State { Pulling = PullTableLook::Pulling, Normal = PullTableLook::Normal, Loading = PullTableLook::Loading };
    static constexpr CGFloat kTriggerDistance = PullTableLook::kTriggerDistance;
    static constexpr CGFloat kLoadingHeight = 60;

    explicit PullRefreshTableHeaderView(CGRect frame);

    std::shared_ptr<PullRefreshTableHeaderDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<PullRefreshTableHeaderDelegate> d) { m_delegate = std::move(d); }
    int state() const { return m_state; }
    void setState(int state);
    bool isLoading() const { return m_isLoading; }
    void refreshLastUpdatedDate();

    void pullRefreshScrollViewWillBeginDragging(UIScrollView& scrollView);
    void pullRefreshScrollViewDidScroll(UIScrollView& scrollView);
    void pullRefreshScrollViewDidEndDragging(UIScrollView& scrollView);
    void startAnimatingWithScrollView(UIScrollView& scrollView);
    void pullRefreshScrollViewDataSourceDidFinishedLoading(UIScrollView& scrollView);

    const std::shared_ptr<UILabel>& statusLabel() const { return m_statusLabel; }
    const std::shared_ptr<UILabel>& lastUpdatedLabel() const { return m_lastUpdatedLabel; }
    const std::shared_ptr<CALayer>& arrowImage() const { return m_arrowImage; }
    const std::shared_ptr<UIActivityIndicatorView>& activityView() const { return m_activityView; }

private:
    std::weak_ptr<PullRefreshTableHeaderDelegate> m_delegate;
    int m_state = Normal;
    bool m_isLoading = false;
    std::shared_ptr<UILabel> m_statusLabel;
    std::shared_ptr<UILabel> m_lastUpdatedLabel;
    std::shared_ptr<CALayer> m_arrowImage;
    std::shared_ptr<UIActivityIndicatorView> m_activityView;
};
