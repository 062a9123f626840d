#pragma once

// The owner of an ordering menu, told which ordering the person chose.

class OrderingController;

class OrderingControllerDelegate {
public:
    virtual ~OrderingControllerDelegate() = default;
    virtual void orderingDidSelectedSelectedIndex(OrderingController& controller, unsigned selectedIndex) = 0;
};
