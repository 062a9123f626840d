#include "Database/LibraryCategoryModel.h"

#include "Database/ModelSupport.h"

using namespace ModelSupport;

namespace {

constexpr const char* kCycleMembers
    = "(with recursive up(start, cur) as (select id, parent_id from corvelle_library_category "
      "union select up.start, c.parent_id from up join corvelle_library_category c on c.id = up.cur) "
      "select start from up where cur = start)";

std::string effectiveParent(const char* alias)
{
    const std::string a(alias);
    return "(case when " + a + ".id in " + kCycleMembers + " then 0 else " + a + ".parent_id end)";
}

}  // namespace

// ---- LibraryCategoryModel ----

bool LibraryCategoryModel::updateVersion()
{
    BaseDataModel::updateVersion();
    alterLibFileUpdateTable();
    alterLibraryCategoryTable();
    return true;
}

bool LibraryCategoryModel::alterLibFileUpdateTable()
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    const bool name = db->executeUpdate("ALTER TABLE corvelle_update ADD old_file_name VARCHAR DEFAULT NULL;");
    const bool type = db->executeUpdate("ALTER TABLE corvelle_update ADD old_file_type VARCHAR DEFAULT NULL;");
    return name && type;
}

bool LibraryCategoryModel::alterLibraryCategoryTable()
{
    auto db = database();
    return db && db->goodConnection()
        && db->executeUpdate("ALTER TABLE corvelle_library_category ADD parent_id integer DEFAULT 0;");
}

EntityList<corvelle_library_category_Entity> LibraryCategoryModel::getLibraryCategorys()
{
    auto db = database();
    return db ? RecordColumns::readRows<corvelle_library_category_Entity>(
               db->executeQuery("select * from corvelle_library_category where published = 1 order by lower(name)"))
              : EntityList<corvelle_library_category_Entity> {};
}

EntityList<corvelle_library_category_Entity> LibraryCategoryModel::getLibSubCategoriesByParentCategoryID(int parentId)
{
    auto db = database();
    return db ? RecordColumns::readRows<corvelle_library_category_Entity>(
               db->executeQuery("select * from corvelle_library_category c where published = 1 and "
                       + effectiveParent("c") + " = ? order by lower(name)",
                   parentId))
              : EntityList<corvelle_library_category_Entity> {};
}

std::shared_ptr<corvelle_library_category_Entity> LibraryCategoryModel::getLibraryCategoryByCategoryid(int categoryId)
{
    auto db = database();
    auto categories = db
        ? RecordColumns::readRows<corvelle_library_category_Entity>(db->executeQuery(
            "select * from corvelle_library_category where published = 1 and id = ? order by lower(name)", categoryId))
        : EntityList<corvelle_library_category_Entity> {};
    return categories.empty() ? std::make_shared<corvelle_library_category_Entity>() : categories.back();
}

int LibraryCategoryModel::getLibParentCategoryIDByCategoryID(int categoryId)
{
    auto db = database();
    // Walks up from this one category only: the whole-table cycle search made
    // every call cost as much as the tree, and the grid asks once per file.
    auto rs = db
        ? db->executeQuery("with recursive up(cur) as (select parent_id from corvelle_library_category where id = ?1 "
                           "union select c.parent_id from up join corvelle_library_category c on c.id = up.cur) "
                           "select case when exists (select 1 from up where cur = ?1) then 0 "
                           "else (select parent_id from corvelle_library_category where id = ?1) end as parent_id",
            categoryId)
        : nullptr;
    int parent = 0;
    if (rs) {
        while (rs->next())
            parent = rs->intForColumn("parent_id");
    }
    return parent;
}

EntityList<corvelle_library_files_Entity> LibraryCategoryModel::getLibraryFilesByCategory_id(int categoryId)
{
    auto db = database();
    if (!db)
        return {};
    if (categoryId == 0)
        return readLibraryFiles(
            db->executeQuery(
                "select * from corvelle_library_files f where f.category = 0 and f.published = 1 order by title"),
            false);
    return readLibraryFiles(db->executeQuery("select * from corvelle_library_category c,corvelle_library_files f where "
                                             "c.id = f.category and  c.published=1 and "
                                             "f.published = 1  and c.id  = ? order by title",
                                categoryId),
        false);
}

std::vector<std::string> LibraryCategoryModel::getLibraryFilesNameByCategoryName(const std::optional<std::string>& name)
{
    std::vector<std::string> names;
    auto db = database();
    auto rs = db ? db->executeQuery("select f.file_name as file_name from corvelle_library_category "
                                    "c,corvelle_library_files f where c.id =f.category and  "
                                    "c.published=1 and f.published = 1  and c.name  = ?",
                  name)
                 : nullptr;
    if (rs) {
        while (rs->next()) {
            if (auto fileName = rs->stringForColumn("file_name"))
                names.push_back(*fileName);
        }
    }
    return names;
}

bool LibraryCategoryModel::saveToDatabaseLibraryCategory(
    const OptionalEntityList<corvelle_library_category_Entity>& categories)
{
    return saveInTransaction(categories,
        [](SQLDatabase& db, const corvelle_library_category_Entity& c) { return RecordColumns::saveRow(db, c); });
}

bool LibraryCategoryModel::saveToDatabaseLibraryUpdate(
    const std::shared_ptr<corvelle_library_files_update_Entity>& update)
{
    auto db = database();
    if (!update || !db)
        return false;
    return RecordColumns::saveRow(*db, *update);
}

std::vector<int> LibraryCategoryModel::getAllLibFileUpdateIDs()
{
    std::vector<int> ids;
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_update") : nullptr;
    if (rs) {
        while (rs->next())
            ids.push_back(rs->intForColumn("fileId"));
    }
    return ids;
}

std::shared_ptr<corvelle_library_files_update_Entity> LibraryCategoryModel::getLibFileUpdateByFileID(int fileId)
{
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_update where fileId = ?", fileId) : nullptr;
    std::shared_ptr<corvelle_library_files_update_Entity> update;
    if (rs) {
        while (rs->next()) {
            update = std::make_shared<corvelle_library_files_update_Entity>();
            RecordColumns::readRow(*rs, *update);
        }
    }
    return update;
}

void LibraryCategoryModel::deleteFileUpdateWithFileID(int fileId)
{
    if (auto db = database())
        db->executeUpdate("delete from corvelle_update where fileId = ?", fileId);
}
