#pragma once

// The salesperson's own product lists: favourites and the compare list. Each
// holds a product at most once (a second add is refused).

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
    bool saveToDatabaseFavoriteSkuName(int productId, const std::optional<std::string>& sku, const std::optional<std::string>& name);
};

class CompareModel : public BaseDataModel {
public:
    void deleteSingleCompareByCompareId(int productId);
    void deleteAllCompare();
    // Entries in table order, leaving out those whose product's publish state is -1.
    EntityList<corvelle_compare_Entity> getCompares();
    // The product's publish state, 0 when it does not exist.
    int getPublishByCompareId(int productId);
    std::shared_ptr<corvelle_compare_Entity> getCompareByCompareId(int productId);
    bool saveToDatabaseCompareSkuName(int productId, const std::optional<std::string>& sku, const std::optional<std::string>& name);
};
