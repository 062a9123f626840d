#include "Database/ProductRelatedModel.h"

#include "Database/ModelSupport.h"
#include "Platform/Foundation/NSString.h"

using namespace ModelSupport;

std::optional<EntityList<corvelle_product_Entity>> ProductRelatedModel::getrelatedProductIDsByProductid(int productId)
{
    auto db = database();
    if (!db)
        return std::nullopt;
    auto rs = db->executeQuery("select * from corvelle_product_related where product_id = ? limit 0,1", productId);
    std::optional<std::string> skuText;
    if (rs) {
        while (rs->next())
            skuText = rs->stringForColumn("related_product_sku");
    }
    if (!skuText || skuText->size() <= 1)
        return std::nullopt;
    return getProductByProductSKU(NSString::componentsSeparatedByString(*skuText, ","));
}

EntityList<corvelle_product_Entity> ProductRelatedModel::getProductByProductSKU(const std::vector<std::string>& skus)
{
    auto db = database();
    if (!db || skus.empty())
        return {};
    std::string placeholders;
    ValueArray values;
    for (const auto& sku : skus) {
        placeholders += placeholders.empty() ? "?" : ",?";
        values.push_back(Value(sku));
    }
    return readProducts(db->executeQueryWithArgumentsInArray(
        "select * from corvelle_product where product_publish = 1 and product_sku in (" + placeholders
            + ") order by product_name",
        values));
}

bool ProductRelatedModel::saveToDatabaseProductrelated(
    const OptionalEntityList<corvelle_product_related_Entity>& related)
{
    return saveInTransaction(related,
        [](SQLDatabase& db, const corvelle_product_related_Entity& r) { return RecordColumns::saveRow(db, r); });
}
