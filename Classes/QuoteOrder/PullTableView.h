#pragma once

// A table with a header above its content (pull down to refresh) and a footer
// below it (pull up to load more). Pulling past either end by the trigger
// distance and letting go tells the pull delegate; the header or footer then
// stays in view with a spinner until the owner ends the loading state. The
// owner keeps the table's delegate role: an interceptor lets the table see
// the scroll messages it tracks and passes every message on.

#include "Classes/QuoteOrder/LoadMoreTableFooterDelegate.h"
#include "Classes/QuoteOrder/PullRefreshTableHeaderDelegate.h"
#include "Classes/QuoteOrder/PullTableViewDelegate.h"
#include "Platform/UIKit/UITableView.h"

#include <memory>
#include <optional>

class LoadMoreTableFooterView;
class MessageInterceptor;
class PullRefreshTableHeaderView;

class PullTableView : public UITableView, public PullRefreshTableHeaderDelegate, public LoadMoreTableFooterDelegate {
public:
    // Makes and configures a table (or a subclass of it).
    template <typename T = PullTableView>
    static std::shared_ptr<T> create(CGRect frame, UITableViewStyle style = UITableViewStylePlain)
    {
        auto table = std::make_shared<T>(frame, style);
        table->configure();
        return table;
    }

    PullTableView(CGRect frame, UITableViewStyle style);
    ~PullTableView() override;

    // The owner's delegate; the interceptor stays the table's own.
    void setDelegate(std::weak_ptr<UITableViewDelegate> delegate);
    std::shared_ptr<PullTableViewDelegate> pullDelegate() const { return m_pullDelegate.lock(); }
    void setPullDelegate(std::weak_ptr<PullTableViewDelegate> d) { m_pullDelegate = std::move(d); }

    bool refreshEnable() const { return m_refreshEnable; }
    void setRefreshEnable(bool on);
    bool loadMoreEnable() const { return m_loadMoreEnable; }
    void setLoadMoreEnable(bool on);
    bool pullTableIsRefreshing() const { return m_pullTableIsRefreshing; }
    void setPullTableIsRefreshing(bool on);
    bool pullTableIsLoadingMore() const { return m_pullTableIsLoadingMore; }
    void setPullTableIsLoadingMore(bool on);
    std::optional<Date> pullLastRefreshDate;

    void reloadData();
    void layoutSubviews() override;

    // Scroll messages, from the interceptor.
    void scrollViewDidScroll(UIScrollView& scrollView);
    void scrollViewWillBeginDragging(UIScrollView& scrollView);
    void scrollViewDidEndDraggingWillDecelerate(UIScrollView& scrollView, bool decelerate);

    void loadMoreTableFooterDidTriggerLoadMore(LoadMoreTableFooterView& footer) override;
    void pullRefreshTableHeaderDidTriggerRefresh(PullRefreshTableHeaderView& header) override;
    std::optional<Date> pullRefreshTableHeaderDataSourceLastUpdated(PullRefreshTableHeaderView& header) override;

    const std::shared_ptr<PullRefreshTableHeaderView>& refreshView() const { return m_refreshView; }
    const std::shared_ptr<LoadMoreTableFooterView>& loadMoreView() const { return m_loadMoreView; }
    const std::shared_ptr<MessageInterceptor>& delegateInterceptor() const { return m_delegateInterceptor; }

protected:
    void configure();

private:
    std::weak_ptr<PullTableViewDelegate> m_pullDelegate;
    bool m_refreshEnable = true;
    bool m_loadMoreEnable = true;
    bool m_pullTableIsRefreshing = false;
    bool m_pullTableIsLoadingMore = false;
    std::shared_ptr<PullRefreshTableHeaderView> m_refreshView;
    std::shared_ptr<LoadMoreTableFooterView> m_loadMoreView;
    std::shared_ptr<MessageInterceptor> m_delegateInterceptor;
};
