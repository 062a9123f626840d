#pragma once

// What an order line cell tells the editor that shows it. The editor finds
// the order line by the cell's tag (6500 plus the row).

#include <memory>

class QuoteOrderItemsTableViewCell;

class QuoteOrderItemDelegate {
public:
    virtual ~QuoteOrderItemDelegate() = default;

    virtual void tapImage(long tag) = 0;
    virtual void QuoteOrderItemCellBeginEdit(const std::shared_ptr<QuoteOrderItemsTableViewCell>& cell) = 0;
    // Sent after every edit of a field, whether its text passed the check or not.
    virtual void QuoteOrderItemCellChanged(const std::shared_ptr<QuoteOrderItemsTableViewCell>& cell) = 0;
};
