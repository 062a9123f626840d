#include "Database/FavoriteModel.h"

#include "Database/ModelSupport.h"

using namespace ModelSupport;

void FavoriteModel::deleteAllFavorites()
{
    if (auto db = database())
        db->executeUpdate("delete from corvelle_favorite");
}

EntityList<corvelle_favorite_Entity> FavoriteModel::getFavorites()
{
    auto db = database();
    auto favorites = RecordColumns::readRows<corvelle_favorite_Entity>(db
            ? db->executeQuery("SELECT t1.*  FROM corvelle_favorite t1,corvelle_product t2 where t1.product_id = "
                               "t2.product_id and t2.product_publish <> -1")
            : nullptr);
    for (auto& f : favorites)
        blankPlaceholderSku(*f);
    return favorites;
}

std::shared_ptr<corvelle_favorite_Entity> FavoriteModel::getFavoriteByFavoriteId(int productId)
{
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_favorite where  product_id = ?", productId) : nullptr;
    if (!rs || !rs->next())
        return nullptr;
    auto f = std::make_shared<corvelle_favorite_Entity>();
    RecordColumns::readRow(*rs, *f);
    rs->close();
    return f;
}

void FavoriteModel::deleteSingleFavoriteByFavoriteId(int productId)
{
    if (auto db = database())
        db->executeUpdate("delete from corvelle_favorite where product_id = ?", productId);
}

bool FavoriteModel::saveToDatabaseFavoriteSkuName(
    int productId, const std::optional<std::string>& sku, const std::optional<std::string>& name)
{
    auto db = database();
    return db && saveProductMark<corvelle_favorite_Entity>(*db, productId, sku, name);
}
