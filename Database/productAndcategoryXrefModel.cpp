#include "Database/productAndcategoryXrefModel.h"

#include "Database/ModelSupport.h"

#include <set>

using namespace ModelSupport;

std::vector<std::string> productAndcategoryXrefModel::getCategoryIDsByProductid(int productId)
{
    std::vector<std::string> ids;
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_product_category_xref where product_id = ?", productId)
                 : nullptr;
    if (rs) {
        while (rs->next())
            ids.push_back(std::to_string(rs->intForColumn("category_id")));
    }
    return ids;
}

std::vector<int> productAndcategoryXrefModel::getProductIDsByCategoryid(int categoryId)
{
    std::vector<int> ids;
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_product_category_xref where category_id = ?", categoryId)
                 : nullptr;
    if (rs) {
        while (rs->next())
            ids.push_back(rs->intForColumn("product_id"));
    }
    return ids;
}

bool productAndcategoryXrefModel::saveToDatabasePxrefC(
    const OptionalEntityList<corvelle_product_category_xref_Entity>& links)
{
    std::set<int> cleared;
    return saveInTransaction(links, [&cleared](SQLDatabase& db, const corvelle_product_category_xref_Entity& link) {
        if (cleared.insert(link.product_id).second
            && !db.executeUpdate("DELETE FROM corvelle_product_category_xref WHERE product_id = ?;", link.product_id))
            return false;
        return RecordColumns::saveRow(db, link);
    });
}
