#include "Database/ProductModel.h"

#include "Database/ModelSupport.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"

using namespace ModelSupport;

namespace {

constexpr const char* kTagTableSQL = "create table if not exists corvelle_product_tag(tag_id INTEGER PRIMARY KEY "
                                     "AUTOINCREMENT,tag_name VARCHAR(64) NOT NULL UNIQUE)";
constexpr const char* kRelatedTagTableSQL
    = "create table if not exists corvelle_product_related_tag(id INTEGER PRIMARY KEY AUTOINCREMENT NOT "
      "NULL,product_id INTEGER NOT NULL,tag_id INTEGER NOT NULL)";

EntityList<corvelle_tag_entity> groupTags(const std::shared_ptr<SQLResultSet>& rs, bool skipZeroProduct)
{
    EntityList<corvelle_tag_entity> tags;
    if (!rs)
        return tags;
    while (rs->next()) {
        const int tagId = rs->intForColumn("tag_id");
        if (tags.empty() || tags.back()->tag_id != tagId) {
            auto tag = std::make_shared<corvelle_tag_entity>();
            tag->tag_id = tagId;
            tag->tag_name = rs->stringForColumn("tag_name").value_or(std::string());
            tags.push_back(std::move(tag));
        }
        const int productId = rs->intForColumn("product_id");
        if (!skipZeroProduct || productId != 0)
            tags.back()->products.push_back(productId);
    }
    return tags;
}

std::shared_ptr<corvelle_product_Entity> lastProduct(
    const std::shared_ptr<SQLResultSet>& rs, bool blankPlaceholder = true)
{
    auto products = readProducts(rs, blankPlaceholder);
    return products.empty() ? nullptr : products.back();
}

}  // namespace

// ---- ProductModel ----

EntityList<corvelle_product_Entity> ProductModel::getAllProducts()
{
    auto db = database();
    return db ? readProducts(db->executeQuery("select * from corvelle_product where product_publish = 1"))
              : EntityList<corvelle_product_Entity> {};
}

EntityList<corvelle_product_Entity> ProductModel::getProductsByCategory_id(int categoryId)
{
    auto db = database();
    if (!db)
        return {};
    if (categoryId == -1)
        return readProducts(db->executeQuery("select * from corvelle_product p,corvelle_product_category_xref x where "
                                             "p.product_id = x.product_id and p.product_publish = 1 "
                                             "and x.category_id = 0"));
    return readProducts(db->executeQuery("select * from corvelle_product p,corvelle_product_category_xref x where "
                                         "p.product_id = x.product_id and p.product_publish = 1 "
                                         "and x.category_id = ?  and x.category_id <>0",
        categoryId));
}

std::shared_ptr<corvelle_product_Entity> ProductModel::getProductByProductId(int productId)
{
    auto db = database();
    return db ? lastProduct(db->executeQuery(
               "select * from corvelle_product where product_publish = 1 and product_id = ? limit 0,1", productId))
              : nullptr;
}

std::shared_ptr<corvelle_product_Entity> ProductModel::getAllProductByProductId(int productId)
{
    auto db = database();
    return db
        ? lastProduct(db->executeQuery("select * from corvelle_product where product_id = ? limit 0,1", productId))
        : nullptr;
}

std::shared_ptr<corvelle_product_Entity> ProductModel::getProductByProductSKU(const std::optional<std::string>& sku)
{
    auto db = database();
    return db ? lastProduct(
               db->executeQuery(
                   "select * from corvelle_product where product_publish = 1 and product_sku = ? limit 0,1", sku),
               false)
              : nullptr;
}

EntityList<corvelle_product_Entity> ProductModel::getProductsBySearchString(const std::optional<std::string>& text)
{
    auto db = database();
    if (!db)
        return {};
    return readProducts(db->executeQuery(
        "select t1.* from corvelle_product t1 where (t1.product_sku like '%' || ?1 || '%' escape '\\' or "
        "t1.product_name like '%' || ?1 || '%' escape '\\' "
        "or t1.product_tags like '%' || ?1 || '%' escape '\\') and t1.product_publish = 1  order by t1.product_name",
        likeText(text)));
}

EntityList<product_attribute_cell_Entity> ProductModel::getProductAttributeByProductId(int productId)
{
    EntityList<product_attribute_cell_Entity> cells;
    auto db = database();
    if (!db)
        return cells;
    auto rs = db->executeQuery(
        "select  t1.product_id,t2.field_name,t1.selection_list from corvelle_product_attribute t1, "
        "corvelle_fields_product_attribute t2 "
        "where t1.attribute_fields_id = t2.field_id and t2.published = 1  and t2.display = 1 and t1.product_id = ?",
        productId);
    if (!rs)
        return cells;
    while (rs->next()) {
        auto cell = std::make_shared<product_attribute_cell_Entity>();
        cell->fieldName = rs->stringForColumn("field_name");
        cell->attributeList = rs->stringForColumn("selection_list");
        cells.push_back(std::move(cell));
    }
    return cells;
}

std::vector<std::string> ProductModel::getAllTagsByProduct_id(int productId)
{
    auto db = database();
    if (!db)
        return { std::string() };
    auto rs = db->executeQuery(
        "select product_tags from corvelle_product where product_id = ? and product_publish = 1", productId);
    std::optional<std::string> tags = std::string();
    if (rs) {
        while (rs->next())
            tags = rs->stringForColumn("product_tags");
    }
    if (!tags)
        return {};
    return NSString::componentsSeparatedByString(*tags, ",");
}

EntityList<corvelle_tag_entity> ProductModel::getAllProductTags()
{
    auto db = database();
    if (!db)
        return {};
    return groupTags(db->executeQuery("select t1.tag_id,t1.tag_name,t2.product_id from corvelle_product_tag t1 left "
                                      "join corvelle_product_related_tag t2 "
                                      "on t1.tag_id = t2.tag_id and t2.product_id in (select product_id from "
                                      "corvelle_product where product_publish = 1) "
                                      "order by t1.tag_id,t2.product_id"),
        true);
}

EntityList<corvelle_tag_entity> ProductModel::getTagsByProductID(int productId)
{
    auto db = database();
    if (!db)
        return {};
    return groupTags(
        db->executeQuery("select t1.tag_id,t1.tag_name,t2.product_id from corvelle_product_tag t1 left join "
                         "corvelle_product_related_tag t2 "
                         "on t1.tag_id = t2.tag_id where t2.product_id = ? order by t1.tag_id,t2.product_id",
            productId),
        false);
}

EntityList<corvelle_product_Entity> ProductModel::getAllTags()
{
    auto db = database();
    if (!db)
        return {};
    return readProducts(db->executeQuery("select * from corvelle_product p,corvelle_product_category_xref x where "
                                         "p.product_id = x.product_id and p.product_publish = 1 "
                                         "and x.category_id <> 0"));
}

bool ProductModel::saveToDatabaseProduct(const OptionalEntityList<corvelle_product_Entity>& products)
{
    return saveInTransaction(products, [](SQLDatabase& db, const corvelle_product_Entity& p) {
        return RecordColumns::saveRow(db, p)
            && db.executeUpdate("delete from corvelle_product_attribute where product_id = ?;", p.product_id);
    });
}

bool ProductModel::saveToDatabaseProductAttribute(
    const OptionalEntityList<corvelle_product_attribute_Entity>& attributes)
{
    return saveInTransaction(attributes,
        [](SQLDatabase& db, const corvelle_product_attribute_Entity& a) { return RecordColumns::saveRow(db, a); });
}

bool ProductModel::saveToDatabaseFieldsProductAttribute(
    const OptionalEntityList<corvelle_fields_product_attribute_Entity>& fields)
{
    return saveInTransaction(fields, [](SQLDatabase& db, const corvelle_fields_product_attribute_Entity& f) {
        return RecordColumns::saveRow(db, f);
    });
}

bool ProductModel::saveToDatabaseProductTag(const OptionalEntityList<corvelle_tag_entity>& tags)
{
    if (!tags)
        return false;
    auto db = database();
    if (!db)
        return false;
    // Delete-all then insert: only as one batch can it never leave the table half filled.
    return db->inBatch([&](SQLDatabase& connection) {
        if (!connection.executeUpdate("delete from corvelle_product_tag;"))
            return false;
        for (const auto& tag : *tags) {
            if (tag && !RecordColumns::saveRow(connection, *tag))
                return false;
        }
        return true;
    });
}

bool ProductModel::saveToDatabaseProductRelatedTag(const OptionalEntityList<corvelle_product_related_tag_Entity>& links)
{
    if (!links)
        return false;
    auto db = database();
    if (!db)
        return false;
    return db->inBatch([&](SQLDatabase& connection) {
        if (!connection.executeUpdate("delete from corvelle_product_related_tag;"))
            return false;
        for (const auto& link : *links) {
            if (link && !RecordColumns::saveRow(connection, *link))
                return false;
        }
        return true;
    });
}

bool ProductModel::createProductTagTable()
{
    auto db = database();
    return db && db->goodConnection() && db->executeUpdate(kTagTableSQL);
}

bool ProductModel::createProductRelatedTagTable()
{
    auto db = database();
    return db && db->goodConnection() && db->executeUpdate(kRelatedTagTableSQL);
}

bool ProductModel::alterProductAttributeTable()
{
    auto db = database();
    return db && db->goodConnection()
        && db->executeUpdate("ALTER TABLE corvelle_product_attribute ADD selection_list TEXT");
}

void ProductModel::moveDataForUpdate()
{
    auto db = database();
    if (!db)
        return;
    auto products = getAllProducts();
    // The tags and their links to products move together or not at all.
    const bool moved = db->inBatch([&](SQLDatabase& connection) {
        for (const auto& product : products) {
            if (!product->product_tags)
                continue;
            for (const auto& piece : NSString::componentsSeparatedByString(*product->product_tags, ",")) {
                if (!NSString::stringByTrimmingCharactersInSet(piece, CharacterSet::whitespace).empty()
                    && !connection.executeUpdate(
                        "INSERT or REPLACE INTO corvelle_product_tag(tag_name) VALUES(?);", piece))
                    return false;
            }
        }
        EntityList<corvelle_product_related_tag_Entity> links;
        auto rs = connection.executeQuery("select * from corvelle_product_tag");
        std::vector<std::pair<int, std::string>> tags;
        if (rs) {
            while (rs->next())
                tags.emplace_back(rs->intForColumn("tag_id"), rs->stringForColumn("tag_name").value_or(std::string()));
        }
        for (const auto& [tagId, tagName] : tags) {
            for (const auto& product : products) {
                if (product->product_tags && NSString::containsStringCaseInsensitive(*product->product_tags, tagName)) {
                    auto link = std::make_shared<corvelle_product_related_tag_Entity>();
                    link->product_id = product->product_id;
                    link->tag_id = tagId;
                    links.push_back(std::move(link));
                }
            }
        }
        return saveToDatabaseProductRelatedTag(links);
    });
    if (!moved)
        NSLog("moving the products' tags into the tag tables failed");
}
