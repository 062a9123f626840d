#pragma once

// The ordering menu's list reports the chosen row to its controller.

class OrderingTableViewControllerDelegate {
public:
    virtual ~OrderingTableViewControllerDelegate() = default;
    virtual void orderingDidSelected(unsigned index) = 0;
};
