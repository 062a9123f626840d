#pragma once

// What a product detail screen opened on an order line hands back to its
// opener: the product with the chosen quantity (`count`) and attributes, with
// the line's index, or that the person left without saving.

#include <memory>

struct corvelle_product_Entity;

class ProductDetailDelegate {
public:
    virtual ~ProductDetailDelegate() = default;
    virtual void saveOrderItemIndex(const std::shared_ptr<corvelle_product_Entity>& product, int index) = 0;
    virtual void back() = 0;
};
