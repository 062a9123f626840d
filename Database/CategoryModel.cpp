#include "Database/CategoryModel.h"

#include "Database/ModelSupport.h"

using namespace ModelSupport;

namespace {

// The ids of the categories that lie on a cycle of parent links. Walking up
// from every category, the pairs (start, current) repeat once a walk loops,
// so the recursion ends; a start that meets itself is on a cycle.
constexpr const char* kCycleMembers
    = "(with recursive up(start, cur) as (select category_id, category_parent_id from corvelle_category "
      "union select up.start, c.category_parent_id from up join corvelle_category c on c.category_id = up.cur) "
      "select start from up where cur = start)";

// The parent a walk sees: the stored one, or 0 for a category on a cycle.
std::string effectiveParentIs(const char* alias)
{
    const std::string a(alias);
    return "(case when " + a + ".category_id in " + kCycleMembers + " then 0 else " + a
        + ".category_parent_id end) = ?";
}

int lastInt(const std::shared_ptr<SQLResultSet>& rs, const char* column)
{
    int value = 0;
    if (rs) {
        while (rs->next())
            value = rs->intForColumn(column);
    }
    return value;
}

}  // namespace

EntityList<corvelle_category_Entity> CategoryModel::getCategoryWithParentCategoryid(int parentId)
{
    auto db = database();
    if (!db)
        return {};
    return RecordColumns::readRows<corvelle_category_Entity>(
        db->executeQuery("select * from corvelle_category c where category_publish = 1 and " + effectiveParentIs("c")
                + " and category_id >0 order by lower(category_name)",
            parentId));
}

std::shared_ptr<corvelle_category_Entity> CategoryModel::getCategoryWithCategoryid(int categoryId)
{
    auto db = database();
    auto categories = db ? RecordColumns::readRows<corvelle_category_Entity>(
                          db->executeQuery("select * from corvelle_category where category_publish = 1 "
                                           "and category_id = ? order by lower(category_name)",
                              categoryId))
                         : EntityList<corvelle_category_Entity> {};
    return categories.empty() ? std::make_shared<corvelle_category_Entity>() : categories.back();
}

int CategoryModel::getParentCategoryId(int categoryId)
{
    auto db = database();
    if (!db)
        return 0;
    // Walks up from this one category only, not the whole table's cycles.
    return lastInt(
        db->executeQuery(
            "with recursive up(cur) as (select category_parent_id from corvelle_category where category_id = ?1 "
            "union select c.category_parent_id from up join corvelle_category c on c.category_id = up.cur) "
            "select case when exists (select 1 from up where cur = ?1) then 0 "
            "else (select category_parent_id from corvelle_category where category_id = ?1) end as category_parent_id",
            categoryId),
        "category_parent_id");
}

int CategoryModel::getCategoryCountUnderCategoryid(int parentId)
{
    auto db = database();
    if (!db)
        return 0;
    return lastInt(db->executeQuery("select count(*) from corvelle_category c where category_publish = 1  and "
                           + effectiveParentIs("c"),
                       parentId),
        "count(*)");
}

EntityList<corvelle_category_Entity> CategoryModel::getAllCategory()
{
    auto db = database();
    return db ? RecordColumns::readRows<corvelle_category_Entity>(db->executeQuery(
               "select * from corvelle_category where category_publish = 1 order by lower(category_name)"))
              : EntityList<corvelle_category_Entity> {};
}

EntityList<corvelle_category_Entity> CategoryModel::getCategoryByProductid(int productId)
{
    auto db = database();
    return db ? RecordColumns::readRows<corvelle_category_Entity>(
               db->executeQuery("select * from corvelle_product_category_xref x,corvelle_category c where "
                                "x.category_id = c.category_id and "
                                "c.category_publish = 1 and product_id = ? order by lower(category_name)",
                   productId))
              : EntityList<corvelle_category_Entity> {};
}

int CategoryModel::getProductCountUnderCategoryid(int parentId)
{
    auto db = database();
    if (!db)
        return 0;
    return lastInt(db->executeQuery("select count(*) from corvelle_category c,corvelle_product_category_xref  x where "
                                    "c.category_publish = 1 and  "
                                    "x.category_id = c.category_id and "
                           + effectiveParentIs("c"),
                       parentId),
        "count(*)");
}

EntityList<corvelle_category_Entity> CategoryModel::getProductByCategoryname(const std::optional<std::string>& name)
{
    auto db = database();
    return db ? RecordColumns::readRows<corvelle_category_Entity>(db->executeQuery(
               "select * from corvelle_category where category_publish = 1 and category_name = ?", name))
              : EntityList<corvelle_category_Entity> {};
}

bool CategoryModel::saveToDatabaseCategory(const OptionalEntityList<corvelle_category_Entity>& categories)
{
    return saveInTransaction(
        categories, [](SQLDatabase& db, const corvelle_category_Entity& c) { return RecordColumns::saveRow(db, c); });
}
