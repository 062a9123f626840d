#include "Database/ProductMaterialModel.h"

#include "Database/ModelSupport.h"

using namespace ModelSupport;

namespace {

constexpr const char* kRelatedFileTable = "create table if not exists corvelle_product_related_file(id INTEGER PRIMARY "
                                          "KEY AUTOINCREMENT NOT NULL,file_id INTEGER NOT NULL,product_sku varchar)";

}  // namespace

bool ProductMaterialModel::updateVersion()
{
    BaseDataModel::updateVersion();
    if (!createProductRelatedFileTable())
        return false;
    return alterProductRelatedFileTable();
}

bool ProductMaterialModel::createProductRelatedFileTable()
{
    auto db = database();
    return db && db->goodConnection() && db->executeUpdate(kRelatedFileTable);
}

bool ProductMaterialModel::alterProductRelatedFileTable()
{
    auto db = database();
    return db && db->goodConnection()
        && db->executeUpdate("ALTER TABLE corvelle_product_related_file ADD product_id integer ");
}

EntityList<corvelle_library_files_Entity> ProductMaterialModel::getProductRelatedFilesByProductId(int productId)
{
    EntityList<corvelle_library_files_Entity> files;
    auto db = database();
    auto rs = db
        ? db->executeQuery("select t1.* from corvelle_library_files t1, corvelle_product_related_file "
                           "t2,corvelle_product t3 where t1.id = t2.file_id and "
                           "t2.product_sku = t3.product_sku and t1.published = 1 and t3.product_id = ? order by title",
            productId)
        : nullptr;
    if (!rs)
        return files;
    // The documents screen shows the new mark, so it is read with the rest.
    while (rs->next())
        files.push_back(readLibraryFile(*rs));
    return files;
}

bool ProductMaterialModel::saveToDatabaseProductRelatedFile(
    const OptionalEntityList<corvelle_product_related_files_Entity>& links)
{
    if (!links || links->empty())
        return false;
    auto db = database();
    if (!db)
        return false;
    return db->inBatch([&](SQLDatabase& connection) {
        if (!connection.executeUpdate("delete from corvelle_product_related_file;"))
            return false;
        for (const auto& link : *links) {
            if (link && !RecordColumns::saveRow(connection, *link))
                return false;
        }
        return true;
    });
}
