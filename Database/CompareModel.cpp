#include "Database/CompareModel.h"

#include "Database/ModelSupport.h"
#include "Platform/Foundation/NSLog.h"

using namespace ModelSupport;

void CompareModel::deleteSingleCompareByCompareId(int productId)
{
    NSLog("%@", stringWithFormat("delete from corvelle_compare where product_id =%d", productId));
    if (auto db = database())
        db->executeUpdate("delete from corvelle_compare where product_id = ?", productId);
}

void CompareModel::deleteAllCompare()
{
    if (auto db = database())
        db->executeUpdate("delete  from corvelle_compare");
}

EntityList<corvelle_compare_Entity> CompareModel::getCompares()
{
    auto db = database();
    auto compares = RecordColumns::readRows<corvelle_compare_Entity>(
        db ? db->executeQuery("select * from corvelle_compare") : nullptr);
    EntityList<corvelle_compare_Entity> shown;
    for (auto& c : compares) {
        if (getPublishByCompareId(c->product_id) == -1)
            continue;
        if (isPlaceholderSku(c->product_sku, c->product_id))
            c->product_sku = std::string();
        shown.push_back(std::move(c));
    }
    return shown;
}

int CompareModel::getPublishByCompareId(int productId)
{
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_product where product_id = ?", productId) : nullptr;
    if (!rs)
        return 0;
    const std::string wanted = std::to_string(productId);
    while (rs->next()) {
        if (rs->stringForColumn("product_id") == wanted) {
            const int publish = rs->intForColumn("product_publish");
            rs->close();
            return publish;
        }
    }
    return 0;
}

std::shared_ptr<corvelle_compare_Entity> CompareModel::getCompareByCompareId(int productId)
{
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_compare where  product_id = ?", productId) : nullptr;
    if (!rs || !rs->next())
        return nullptr;
    auto c = std::make_shared<corvelle_compare_Entity>();
    RecordColumns::readRow(*rs, *c);
    rs->close();
    return c;
}

bool CompareModel::saveToDatabaseCompareSkuName(
    int productId, const std::optional<std::string>& sku, const std::optional<std::string>& name)
{
    auto db = database();
    return db && saveProductMark<corvelle_compare_Entity>(*db, productId, sku, name);
}
