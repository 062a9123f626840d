#include "Classes/QuoteOrder/PullTableView.h"

#include "Classes/QuoteOrder/LoadMoreTableFooterView.h"
#include "Classes/QuoteOrder/MessageInterceptor.h"
#include "Classes/QuoteOrder/PullRefreshTableHeaderView.h"

#include <algorithm>

PullTableView::PullTableView(CGRect frame, UITableViewStyle style)
    : UITableView(frame, style)
{
}

PullTableView::~PullTableView() = default;

void PullTableView::configure()
{
    m_delegateInterceptor = std::make_shared<MessageInterceptor>();
    m_delegateInterceptor->setMiddleMan(this);
    m_delegateInterceptor->setReceiver(UITableView::delegate());
    UITableView::setDelegate(m_delegateInterceptor);

    m_pullTableIsRefreshing = false;
    m_pullTableIsLoadingMore = false;

    const CGSize size = bounds().size;
    auto self = protect<PullTableView>();
    m_refreshView = std::make_shared<PullRefreshTableHeaderView>(CGRectMake(0, -size.height, size.width, size.height));
    m_refreshView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleBottomMargin);
    m_refreshView->setDelegate(std::static_pointer_cast<PullRefreshTableHeaderDelegate>(self));
    addSubview(m_refreshView);

    m_loadMoreView = std::make_shared<LoadMoreTableFooterView>(CGRectMake(0, size.height, size.width, size.height));
    m_loadMoreView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleTopMargin);
    m_loadMoreView->setDelegate(std::static_pointer_cast<LoadMoreTableFooterDelegate>(self));
    addSubview(m_loadMoreView);
}

void PullTableView::setDelegate(std::weak_ptr<UITableViewDelegate> delegate)
{
    if (m_delegateInterceptor)
        m_delegateInterceptor->setReceiver(std::move(delegate));
    else
        UITableView::setDelegate(std::move(delegate));
}

void PullTableView::setRefreshEnable(bool on)
{
    m_refreshEnable = on;
    if (m_refreshView)
        m_refreshView->setHidden(!on);
}

void PullTableView::setLoadMoreEnable(bool on)
{
    m_loadMoreEnable = on;
    if (m_loadMoreView)
        m_loadMoreView->setHidden(!on);
}

void PullTableView::setPullTableIsRefreshing(bool on)
{
    if (on && !m_pullTableIsRefreshing) {
        m_refreshView->startAnimatingWithScrollView(*this);
        m_pullTableIsRefreshing = true;
    } else if (!on && m_pullTableIsRefreshing) {
        m_refreshView->pullRefreshScrollViewDataSourceDidFinishedLoading(*this);
        m_pullTableIsRefreshing = false;
    }
}

void PullTableView::setPullTableIsLoadingMore(bool on)
{
    if (on && !m_pullTableIsLoadingMore) {
        m_loadMoreView->startAnimatingWithScrollView(*this);
        m_pullTableIsLoadingMore = true;
    } else if (!on && m_pullTableIsLoadingMore) {
        m_loadMoreView->pullRefreshScrollViewDataSourceDidFinishedLoading(*this);
        m_pullTableIsLoadingMore = false;
    }
}

void PullTableView::reloadData()
{
    UITableView::reloadData();
    // The footer follows the new content length.
    if (m_loadMoreView)
        m_loadMoreView->pullRefreshScrollViewDidScroll(*this);
}

void PullTableView::layoutSubviews()
{
    UITableView::layoutSubviews();
    if (!m_loadMoreView)
        return;
    CGRect frame = m_loadMoreView->frame();
    frame.origin.y = std::max(bounds().size.height, contentSize().height);
    m_loadMoreView->setFrame(frame);
}

void PullTableView::scrollViewDidScroll(UIScrollView& scrollView)
{
    if (m_refreshEnable)
        m_refreshView->pullRefreshScrollViewDidScroll(scrollView);
    if (m_loadMoreEnable)
        m_loadMoreView->pullRefreshScrollViewDidScroll(scrollView);
}

void PullTableView::scrollViewWillBeginDragging(UIScrollView& scrollView)
{
    if (m_refreshEnable)
        m_refreshView->pullRefreshScrollViewWillBeginDragging(scrollView);
}

void PullTableView::scrollViewDidEndDraggingWillDecelerate(UIScrollView& scrollView, bool)
{
    if (m_refreshEnable)
        m_refreshView->pullRefreshScrollViewDidEndDragging(scrollView);
    if (m_loadMoreEnable)
        m_loadMoreView->pullRefreshScrollViewDidEndDragging(scrollView);
}

void PullTableView::loadMoreTableFooterDidTriggerLoadMore(LoadMoreTableFooterView&)
{
    m_pullTableIsLoadingMore = true;
    if (auto d = pullDelegate())
        d->pullTableViewDidTriggerLoadMore(*this);
}

void PullTableView::pullRefreshTableHeaderDidTriggerRefresh(PullRefreshTableHeaderView&)
{
    m_pullTableIsRefreshing = true;
    if (auto d = pullDelegate())
        d->pullTableViewDidTriggerRefresh(*this);
}

std::optional<Date> PullTableView::pullRefreshTableHeaderDataSourceLastUpdated(PullRefreshTableHeaderView&)
{
    return pullLastRefreshDate;
}
