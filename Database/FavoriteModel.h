#pragma once

// The salesperson's favourite products. The list holds a product at most once
// (a second add is refused).

#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_Entity.h"

#include <optional>
#include <string>

class FavoriteModel : public BaseDataModel {
public:
    void deleteAllFavorites();
    // Favourites whose product exists with a publish state other than -1.
    EntityList<corvelle_favorite_Entity> getFavorites();
    // SKU as stored; nothing when the product is not a favourite.
    std::shared_ptr<corvelle_favorite_Entity> getFavoriteByFavoriteId(int productId);
    void deleteSingleFavoriteByFavoriteId(int productId);
    [[nodiscard]] bool saveToDatabaseFavoriteSkuName(
        int productId, const std::optional<std::string>& sku, const std::optional<std::string>& name);
};

// Its includers expect the model that once shared this header.
#include "Database/CompareModel.h"
