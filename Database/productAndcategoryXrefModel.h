#pragma once

// Links between products and categories.

#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_category_xref_Entity.h"

#include <string>
#include <vector>

class productAndcategoryXrefModel : public BaseDataModel {
public:
    // Decimal texts of the linked category ids.
    std::vector<std::string> getCategoryIDsByProductid(int productId);
    std::vector<int> getProductIDsByCategoryid(int categoryId);
    // Replaces the links of every product that occurs in the list.
    [[nodiscard]] bool saveToDatabasePxrefC(const OptionalEntityList<corvelle_product_category_xref_Entity>& links);
};
