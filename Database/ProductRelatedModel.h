#pragma once

// Each product's related products, stored as a list of SKUs.

#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_Entity.h"
#include "Database/corvelle_product_related_Entity.h"

#include <optional>
#include <string>
#include <vector>

class ProductRelatedModel : public BaseDataModel {
public:
    // The published products of the product's related SKUs, by name; nothing
    // when there is no row or no usable SKU text.
    std::optional<EntityList<corvelle_product_Entity>> getrelatedProductIDsByProductid(int productId);
    // Published products whose SKU is one of these, by name.
    EntityList<corvelle_product_Entity> getProductByProductSKU(const std::vector<std::string>& skus);
    [[nodiscard]] bool saveToDatabaseProductrelated(const OptionalEntityList<corvelle_product_related_Entity>& related);
};
