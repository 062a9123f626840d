#pragma once

#include "Platform/Foundation/NSDate.h"

#include <optional>

class PullRefreshTableHeaderView;

class PullRefreshTableHeaderDelegate {
public:
    virtual ~PullRefreshTableHeaderDelegate() = default;
    virtual void pullRefreshTableHeaderDidTriggerRefresh(PullRefreshTableHeaderView& header) = 0;
    // The date of the last update, or nothing.
    virtual std::optional<Date> pullRefreshTableHeaderDataSourceLastUpdated(PullRefreshTableHeaderView&)
    {
        return std::nullopt;
    }
};
