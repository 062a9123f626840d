#pragma once

// What the order-discount pop-up tells the order editor.
class DiscountPopControllerDelegate {
public:
    virtual ~DiscountPopControllerDelegate() = default;
    // The field is about to end editing; the editor closes the pop-over.
    virtual void discountWillEndInput() = 0;
    // The rate typed: the percentage of the total the customer pays.
    virtual void discountRatChanged(double rate) = 0;
};
