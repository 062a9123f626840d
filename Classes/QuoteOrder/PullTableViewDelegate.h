#pragma once

class PullTableView;

// Told when the user pulls a PullTableView past a threshold and lets go.
class PullTableViewDelegate {
public:
    virtual ~PullTableViewDelegate() = default;
    virtual void pullTableViewDidTriggerRefresh(PullTableView& table) = 0;
    virtual void pullTableViewDidTriggerLoadMore(PullTableView& table) = 0;
};
