#include "Database/LibraryFilesModel.h"

#include "Database/ModelSupport.h"
#include "Platform/Foundation/NSLog.h"

using namespace ModelSupport;

namespace {

template <typename... Args>
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

bool LibraryFilesModel::updateVersion()
{
    BaseDataModel::updateVersion();
    alterLibFilesTable();
    return true;
}

bool LibraryFilesModel::alterLibFilesTable()
{
    auto db = database();
    return db && db->goodConnection()
        && db->executeUpdate("ALTER TABLE corvelle_library_files ADD isNew INTEGER DEFAULT 0;");
}

EntityList<corvelle_library_files_Entity> LibraryFilesModel::getAllLibFiles()
{
    auto db = database();
    return db
        ? readLibraryFiles(db->executeQuery("select * from corvelle_library_files where published = 1 order by title"))
        : EntityList<corvelle_library_files_Entity> {};
}

EntityList<corvelle_library_files_Entity> LibraryFilesModel::getAllLibFilesOrderByDate()
{
    auto db = database();
    return db ? readLibraryFiles(
               db->executeQuery("select * from corvelle_library_files where published = 1 order by date desc,title"))
              : EntityList<corvelle_library_files_Entity> {};
}

EntityList<corvelle_library_files_Entity> LibraryFilesModel::getAllLibFilesOrderByType()
{
    auto db = database();
    return db ? readLibraryFiles(
               db->executeQuery("select * from corvelle_library_files where published = 1 order by type desc"))
              : EntityList<corvelle_library_files_Entity> {};
}

EntityList<corvelle_library_files_Entity> LibraryFilesModel::getLibFilesBycatalogId(int categoryId)
{
    auto db = database();
    return db ? readLibraryFiles(db->executeQuery(
               "select * from corvelle_library_files where published = 1 and category = ? order by title", categoryId))
              : EntityList<corvelle_library_files_Entity> {};
}

EntityList<corvelle_library_files_Entity> LibraryFilesModel::getLibFilesBysearchNameOrderBy(
    const std::optional<std::string>& text, const std::optional<std::string>& orderBy)
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
    return readLibraryFiles(db->executeQuery(std::string("select * from corvelle_library_files where published = 1 and "
                                                         "(title like '%' || ? || '%' escape '\\') order by ")
            + ordering,
        likeText(text)));
}

std::shared_ptr<corvelle_library_files_Entity> LibraryFilesModel::getFilesByFileId(int fileId)
{
    auto db = database();
    auto files = db ? readLibraryFiles(db->executeQuery(
                     "select * from corvelle_library_files where published = 1 and id = ? limit 0,1", fileId))
                    : EntityList<corvelle_library_files_Entity> {};
    return files.empty() ? nullptr : files.back();
}

std::optional<std::string> LibraryFilesModel::getCoverImageByFileName(const std::optional<std::string>& fileName)
{
    return lastText("cover_image",
        "select * from corvelle_library_files where file_name = ? and published = 1 limit 0,1", fileName);
}

std::optional<std::string> LibraryFilesModel::getFileTypeByFileName(const std::optional<std::string>& fileName)
{
    return lastText(
        "type", "select * from corvelle_library_files where file_name = ? and published = 1 limit 0,1", fileName);
}

std::optional<std::string> LibraryFilesModel::getTitleByFileName(const std::optional<std::string>& fileName)
{
    return lastText(
        "title", "select * from corvelle_library_files where file_name = ? and published = 1 limit 0,1", fileName);
}

int LibraryFilesModel::getFileIDbyFileName(const std::optional<std::string>& fileName)
{
    auto db = database();
    auto rs = db ? db->executeQuery(
                  "select * from corvelle_library_files where file_name = ? and published = 1 limit 0,1", fileName)
                 : nullptr;
    int id = 0;
    if (rs) {
        while (rs->next())
            id = rs->intForColumn("id");
    }
    return id;
}

std::optional<std::string> LibraryFilesModel::getFileNameByTitle(const std::optional<std::string>& title)
{
    return lastText(
        "file_name", "select * from corvelle_library_files where title = ? and published = 1 limit 0,1", title);
}

std::optional<std::string> LibraryFilesModel::getFileNameById(int fileId)
{
    return lastText(
        "file_name", "select * from corvelle_library_files where id = ? and published = 1 limit 0,1", fileId);
}

std::optional<std::string> LibraryFilesModel::getFileInfoByFileId(int fileId)
{
    return lastText("info", "select info from corvelle_library_files where id = ? and published = 1 limit 0,1", fileId);
}

std::vector<std::string> LibraryFilesModel::getAllFilesImg()
{
    std::vector<std::string> names;
    auto db = database();
    auto rs = db ? db->executeQuery("select distinct cover_image from corvelle_library_files where published = 1")
                 : nullptr;
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
    auto rs = db ? db->executeQuery(
                  "SELECT category,count(*) as count FROM corvelle_library_files where published = 1 group by category")
                 : nullptr;
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
    const OptionalEntityList<corvelle_library_files_Entity> list
        = files ? files : EntityList<corvelle_library_files_Entity> {};
    return saveInTransaction(
        list, [](SQLDatabase& db, const corvelle_library_files_Entity& f) { return RecordColumns::saveRow(db, f); });
}

bool LibraryFilesModel::saveLibraryFileToDatabase(const std::shared_ptr<corvelle_library_files_Entity>& file)
{
    if (!file)
        return saveToDatabaseLibraryFiles(EntityList<corvelle_library_files_Entity> {});
    return saveToDatabaseLibraryFiles(EntityList<corvelle_library_files_Entity> { file });
}
