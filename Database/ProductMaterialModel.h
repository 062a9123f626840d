#pragma once

// Links between products and library files (a product's related documents),
// and the library files the salesperson has marked as favourites.

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
    bool saveToDatabaseProductRelatedFile(const OptionalEntityList<corvelle_product_related_files_Entity>& links);
};

class LibraryFavoriteModel : public BaseDataModel {
public:
    // Nothing when the file is not a favourite (or none was ever marked).
    std::shared_ptr<corvelle_library_favorite_Entity> getFavoriteByFavoriteId(int fileId);
    void deleteSingleFavoriteByFavoriteId(int fileId);
    bool saveToDatabaseFavoriteName(int fileId, const std::optional<std::string>& fileName);
};
