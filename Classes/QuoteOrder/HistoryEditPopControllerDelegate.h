#pragma once

// Told which action the COPY / DELETE pop-up of an order row was touched for.

class HistoryEditPopControllerDelegate {
public:
    virtual ~HistoryEditPopControllerDelegate() = default;
    virtual void historyOrderCopy(int row) = 0;
    virtual void historyOrderDelete(int row) = 0;
};
