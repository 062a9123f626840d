#pragma once

// Links between products and library files (a product's related documents).

#include "Database/BaseDataModel.h"
#include "Database/corvelle_library_files_Entity.h"
#include "Database/corvelle_product_Entity.h"

#include <optional>
#include <string>

class ProductMaterialModel : public BaseDataModel {
public:
    bool updateVersion() override;
    bool createProductRelatedFileTable();
    bool alterProductRelatedFileTable();
    // The published library files linked to the product's SKU, by title.
    EntityList<corvelle_library_files_Entity> getProductRelatedFilesByProductId(int productId);
    // Replaces the whole table with a non-empty list; an empty one keeps it.
    [[nodiscard]] bool saveToDatabaseProductRelatedFile(
        const OptionalEntityList<corvelle_product_related_files_Entity>& links);
};

// Its includers expect the model that once shared this header.
#include "Database/LibraryFavoriteModel.h"
