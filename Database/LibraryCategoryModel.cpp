#include "Database/LibraryCategoryModel.h"

#include "Database/ModelSupport.h"
#include "Platform/Foundation/NSLog.h"

using namespace ModelSupport;

namespace {

constexpr const char* kCycleMembers = "(with recursive up(start, cur) as (select id, parent_id from corvelle_library_category "
                                      "union select up.start, c.parent_id from up join corvelle_library_category c on c.id = up.cur) "
                                      "select start from up where cur = start)";

std::string effectiveParent(const char* alias)
{
    const std::string a(alias);
    return "(case when " + a + ".id in " + kCycleMembers + " then 0 else " + a + ".parent_id end)";
}

EntityList<corvelle_library_category_Entity> readCategories(const std::shared_ptr<SQLResultSet>& rs)
{
    EntityList<corvelle_library_category_Entity> categories;
    if (!rs)
        return categories;
    while (rs->next()) {
        auto c = std::make_shared<corvelle_library_category_Entity>();
        c->categoryID = rs->intForColumn("id");
        c->name = rs->stringForColumn("name");
        c->ordering = rs->intForColumn("ordering");
        c->published = rs->intForColumn("published");
        c->parent_id = rs->intForColumn("parent_id");
        categories.push_back(std::move(c));
    }
    return categories;
}

EntityList<corvelle_library_files_Entity> readFiles(const std::shared_ptr<SQLResultSet>& rs, bool withNewMark = true)
{
    EntityList<corvelle_library_files_Entity> files;
    if (!rs)
        return files;
    while (rs->next())
        files.push_back(readLibraryFile(*rs, withNewMark));
    return files;
}

template<typename... Args>
std::optional<std::string> lastText(const char* column, std::string_view sql, const Args&... args)
{
    auto db = SQLDatabase::sharedDataBase();
    auto rs = db ? db->executeQuery(sql, args...) : nullptr;
    std::optional<std::string> text;
    if (rs) {
        while (rs->next())
            text = rs->stringForColumn(column);
    }
    return text;
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
    return db && db->goodConnection() && db->executeUpdate("ALTER TABLE corvelle_library_category ADD parent_id integer DEFAULT 0;");
}

EntityList<corvelle_library_category_Entity> LibraryCategoryModel::getLibraryCategorys()
{
    auto db = database();
    return db ? readCategories(db->executeQuery("select * from corvelle_library_category where published = 1 order by lower(name)"))
              : EntityList<corvelle_library_category_Entity> {};
}

EntityList<corvelle_library_category_Entity> LibraryCategoryModel::getLibSubCategoriesByParentCategoryID(int parentId)
{
    auto db = database();
    return db ? readCategories(db->executeQuery(
                    "select * from corvelle_library_category c where published = 1 and " + effectiveParent("c") + " = ? order by lower(name)", parentId))
              : EntityList<corvelle_library_category_Entity> {};
}

std::shared_ptr<corvelle_library_category_Entity> LibraryCategoryModel::getLibraryCategoryByCategoryid(int categoryId)
{
    auto db = database();
    auto categories = db ? readCategories(db->executeQuery("select * from corvelle_library_category where published = 1 and id = ? order by lower(name)", categoryId))
                         : EntityList<corvelle_library_category_Entity> {};
    return categories.empty() ? std::make_shared<corvelle_library_category_Entity>() : categories.back();
}

int LibraryCategoryModel::getLibParentCategoryIDByCategoryID(int categoryId)
{
    auto db = database();
    auto rs = db ? db->executeQuery("select " + effectiveParent("c") + " as parent_id from corvelle_library_category c where c.id = ?", categoryId) : nullptr;
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
        return readFiles(db->executeQuery("select * from corvelle_library_files f where f.category = 0 and f.published = 1 order by title"), false);
    return readFiles(db->executeQuery("select * from corvelle_library_category c,corvelle_library_files f where c.id = f.category and  c.published=1 and "
                                      "f.published = 1  and c.id  = ? order by title",
                         categoryId),
        false);
}

std::vector<std::string> LibraryCategoryModel::getLibraryFilesNameByCategoryName(const std::optional<std::string>& name)
{
    std::vector<std::string> names;
    auto db = database();
    auto rs = db ? db->executeQuery("select f.file_name as file_name from corvelle_library_category c,corvelle_library_files f where c.id =f.category and  "
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

bool LibraryCategoryModel::saveToDatabaseLibraryCategory(const OptionalEntityList<corvelle_library_category_Entity>& categories)
{
    return saveInTransaction(categories, [](SQLDatabase& db, const corvelle_library_category_Entity& c) {
        return db.executeUpdate("INSERT or REPLACE INTO corvelle_library_category(id,name,ordering,published,parent_id) VALUES(?,?,?,?,?);", c.categoryID, c.name, c.ordering,
            c.published, c.parent_id);
    });
}

bool LibraryCategoryModel::saveToDatabaseLibraryUpdate(const std::shared_ptr<corvelle_library_files_update_Entity>& update)
{
    auto db = database();
    if (!update || !db)
        return false;
    return db->executeUpdate("INSERT or REPLACE INTO corvelle_update(fileId,old_file_name,old_file_type) VALUES(?,?,?);", update->fileID, update->oldFileName,
        update->oldFileType);
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
            update->fileID = rs->intForColumn("fileId");
            update->oldFileName = rs->stringForColumn("old_file_name");
            update->oldFileType = rs->stringForColumn("old_file_type");
        }
    }
    return update;
}

void LibraryCategoryModel::deleteFileUpdateWithFileID(int fileId)
{
    if (auto db = database())
        db->executeUpdate("delete from corvelle_update where fileId = ?", fileId);
}

// ---- LibraryFilesModel ----

bool LibraryFilesModel::updateVersion()
{
    BaseDataModel::updateVersion();
    alterLibFilesTable();
    return true;
}

bool LibraryFilesModel::alterLibFilesTable()
{
    auto db = database();
    return db && db->goodConnection() && db->executeUpdate("ALTER TABLE corvelle_library_files ADD isNew INTEGER DEFAULT 0;");
}

EntityList<corvelle_library_files_Entity> LibraryFilesModel::getAllLibFiles()
{
    auto db = database();
    return db ? readFiles(db->executeQuery("select * from corvelle_library_files where published = 1 order by title")) : EntityList<corvelle_library_files_Entity> {};
}

EntityList<corvelle_library_files_Entity> LibraryFilesModel::getAllLibFilesOrderByDate()
{
    auto db = database();
    return db ? readFiles(db->executeQuery("select * from corvelle_library_files where published = 1 order by date desc,title"))
              : EntityList<corvelle_library_files_Entity> {};
}

EntityList<corvelle_library_files_Entity> LibraryFilesModel::getAllLibFilesOrderByType()
{
    auto db = database();
    return db ? readFiles(db->executeQuery("select * from corvelle_library_files where published = 1 order by type desc"))
              : EntityList<corvelle_library_files_Entity> {};
}

EntityList<corvelle_library_files_Entity> LibraryFilesModel::getLibFilesBycatalogId(int categoryId)
{
    auto db = database();
    return db ? readFiles(db->executeQuery("select * from corvelle_library_files where published = 1 and category = ? order by title", categoryId))
              : EntityList<corvelle_library_files_Entity> {};
}

EntityList<corvelle_library_files_Entity> LibraryFilesModel::getLibFilesBysearchNameOrderBy(const std::optional<std::string>& text,
    const std::optional<std::string>& orderBy)
{
    // The ordering is spliced into the statement, so only the library screen's own clauses pass.
    static constexpr const char* kOrderings[] = { "title", "date desc", "type desc" };
    const char* ordering = nullptr;
    for (const char* known : kOrderings) {
        if (orderBy == known)
            ordering = known;
    }
    if (!ordering) {
        NSLog("Unknown ordering of library files: %@", orderBy.value_or("(null)"));
        return {};
    }
    auto db = database();
    if (!db)
        return {};
    return readFiles(db->executeQuery(std::string("select * from corvelle_library_files where published = 1 and (title like '%' || ? || '%') order by ") + ordering,
        text));
}

std::shared_ptr<corvelle_library_files_Entity> LibraryFilesModel::getFilesByFileId(int fileId)
{
    auto db = database();
    auto files = db ? readFiles(db->executeQuery("select * from corvelle_library_files where published = 1 and id = ? limit 0,1", fileId))
                    : EntityList<corvelle_library_files_Entity> {};
    return files.empty() ? nullptr : files.back();
}

std::optional<std::string> LibraryFilesModel::getCoverImageByFileName(const std::optional<std::string>& fileName)
{
    return lastText("cover_image", "select * from corvelle_library_files where file_name = ? and published = 1 limit 0,1", fileName);
}

std::optional<std::string> LibraryFilesModel::getFileTypeByFileName(const std::optional<std::string>& fileName)
{
    return lastText("type", "select * from corvelle_library_files where file_name = ? and published = 1 limit 0,1", fileName);
}

std::optional<std::string> LibraryFilesModel::getTitleByFileName(const std::optional<std::string>& fileName)
{
    return lastText("title", "select * from corvelle_library_files where file_name = ? and published = 1 limit 0,1", fileName);
}

int LibraryFilesModel::getFileIDbyFileName(const std::optional<std::string>& fileName)
{
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_library_files where file_name = ? and published = 1 limit 0,1", fileName) : nullptr;
    int id = 0;
    if (rs) {
        while (rs->next())
            id = rs->intForColumn("id");
    }
    return id;
}

std::optional<std::string> LibraryFilesModel::getFileNameByTitle(const std::optional<std::string>& title)
{
    return lastText("file_name", "select * from corvelle_library_files where title = ? and published = 1 limit 0,1", title);
}

std::optional<std::string> LibraryFilesModel::getFileNameById(int fileId)
{
    return lastText("file_name", "select * from corvelle_library_files where id = ? and published = 1 limit 0,1", fileId);
}

std::optional<std::string> LibraryFilesModel::getFileInfoByFileId(int fileId)
{
    return lastText("info", "select info from corvelle_library_files where id = ? and published = 1 limit 0,1", fileId);
}

std::vector<std::string> LibraryFilesModel::getAllFilesImg()
{
    std::vector<std::string> names;
    auto db = database();
    auto rs = db ? db->executeQuery("select distinct cover_image from corvelle_library_files where published = 1") : nullptr;
    if (rs) {
        while (rs->next()) {
            if (auto name = rs->stringForColumn("cover_image"))
                names.push_back(*name);
        }
    }
    return names;
}

EntityList<corvelle_lib_category_cell_entity> LibraryFilesModel::getCategoryFilesCount()
{
    EntityList<corvelle_lib_category_cell_entity> cells;
    auto db = database();
    auto rs = db ? db->executeQuery("SELECT category,count(*) as count FROM corvelle_library_files where published = 1 group by category") : nullptr;
    if (rs) {
        while (rs->next()) {
            auto cell = std::make_shared<corvelle_lib_category_cell_entity>();
            cell->category_id = rs->intForColumn("category");
            cell->files_count = rs->intForColumn("count");
            cells.push_back(std::move(cell));
        }
    }
    return cells;
}

bool LibraryFilesModel::updateOldNewFlags()
{
    auto db = database();
    return db && db->goodConnection() && db->executeUpdate("update corvelle_library_files set isNew = 0;");
}

bool LibraryFilesModel::saveToDatabaseLibraryFiles(const OptionalEntityList<corvelle_library_files_Entity>& files)
{
    // An absent list is an empty transaction here.
    const OptionalEntityList<corvelle_library_files_Entity> list = files ? files : EntityList<corvelle_library_files_Entity> {};
    return saveInTransaction(list, [](SQLDatabase& db, const corvelle_library_files_Entity& f) {
        return db.executeUpdate("INSERT or REPLACE INTO corvelle_library_files(id,title,file_name,category,type,date,description,ordering,published,cover_image,info,isNew) "
                         "VALUES(?,?,?,?,?,?,?,?,?,?,?,?);",
            f.file_id, f.title, f.file_name, f.category, f.type, f.date, f.description, f.ordering, f.published, f.cover_image, f.info, f.isNew);
    });
}

bool LibraryFilesModel::saveLibraryFileToDatabase(const std::shared_ptr<corvelle_library_files_Entity>& file)
{
    if (!file)
        return saveToDatabaseLibraryFiles(EntityList<corvelle_library_files_Entity> {});
    return saveToDatabaseLibraryFiles(EntityList<corvelle_library_files_Entity> { file });
}
