#pragma once

// What the quote-order store tells the quote-order screen on show. Only the
// upload outcome must be handled; the rest default to doing nothing.

#include <optional>
#include <string>

class QuoteOrderStoreDelegate {
public:
    virtual ~QuoteOrderStoreDelegate() = default;

    virtual void finishedUploadQuoteOrdersMessage(
        const std::optional<std::string>& status, const std::optional<std::string>& message)
        = 0;
    virtual void finishedSyncHistoryQuoteOrdersMessage(
        const std::optional<std::string>& /*status*/, const std::optional<std::string>& /*message*/)
    {
    }
    // The order the screen shows is no longer current, or a first add found none.
    virtual void popSelfView() { }
    virtual void updateCustomerIdNewId(int /*oldId*/, int /*newId*/) { }
};
