#pragma once

// The product category tree, kept through category_parent_id. The server's
// data may link categories in a cycle; a category on a cycle is treated as a
// top-level one (its parent reads as 0 and it is listed under 0, not under
// its stored parent), so every walk up or down the tree ends.

#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_Entity.h"

#include <optional>
#include <string>

class CategoryModel : public BaseDataModel {
public:
    // Published children (ids above 0), by name without regard to case.
    EntityList<corvelle_category_Entity> getCategoryWithParentCategoryid(int parentId);
    // Always a record; empty when there is no published category with the id.
    std::shared_ptr<corvelle_category_Entity> getCategoryWithCategoryid(int categoryId);
    int getParentCategoryId(int categoryId);
    int getCategoryCountUnderCategoryid(int parentId);
    EntityList<corvelle_category_Entity> getAllCategory();
    EntityList<corvelle_category_Entity> getCategoryByProductid(int productId);
    int getProductCountUnderCategoryid(int parentId);
    EntityList<corvelle_category_Entity> getProductByCategoryname(const std::optional<std::string>& name);
    [[nodiscard]] bool saveToDatabaseCategory(const OptionalEntityList<corvelle_category_Entity>& categories);
};
