#pragma once

// The catalogue screen's side of the product search list: a chosen product and its row.

#include <memory>

struct corvelle_product_Entity;

class UISearchControllerDelegate {
public:
    virtual ~UISearchControllerDelegate() = default;
    virtual void didselectSearchResultIndex(const std::shared_ptr<corvelle_product_Entity>& product, long index) = 0;
};
