#pragma once

#include <memory>

struct corvelle_product_Entity;

// The screen that opened the add-to-order pop-up: told when the salesperson
// confirmed attributes and quantity, with `count` and `attributes` set on the product.
class AddToOrderControllerDelegate {
public:
    virtual ~AddToOrderControllerDelegate() = default;
    virtual void addProductToOrderWithProductCellIndex(
        const std::shared_ptr<corvelle_product_Entity>& product, unsigned cellIndex)
        = 0;
};
