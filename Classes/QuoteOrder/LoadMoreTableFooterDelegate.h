#pragma once

class LoadMoreTableFooterView;

class LoadMoreTableFooterDelegate {
public:
    virtual ~LoadMoreTableFooterDelegate() = default;
    virtual void loadMoreTableFooterDidTriggerLoadMore(LoadMoreTableFooterView& footer) = 0;
};
