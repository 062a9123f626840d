#include "Database/LibraryFavoriteModel.h"

#include "Database/ModelSupport.h"

using namespace ModelSupport;

namespace {

constexpr const char* kFavoriteTable
    = "create table if not exists corvelle_library_favorite(id INTEGER PRIMARY KEY NOT NULL,file_name VARCHAR(64))";

}  // namespace

std::shared_ptr<corvelle_library_favorite_Entity> LibraryFavoriteModel::getFavoriteByFavoriteId(int fileId)
{
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_library_favorite where  id = ?", fileId) : nullptr;
    if (!rs || !rs->next())
        return nullptr;
    auto favorite = std::make_shared<corvelle_library_favorite_Entity>();
    RecordColumns::readRow(*rs, *favorite);
    rs->close();
    return favorite;
}

void LibraryFavoriteModel::deleteSingleFavoriteByFavoriteId(int fileId)
{
    if (auto db = database())
        db->executeUpdate("delete from corvelle_library_favorite where id = ?", fileId);
}

bool LibraryFavoriteModel::saveToDatabaseFavoriteName(int fileId, const std::optional<std::string>& fileName)
{
    auto db = database();
    if (!db)
        return false;
    db->executeUpdate(kFavoriteTable);
    corvelle_library_favorite_Entity favorite;
    favorite.file_id = fileId;
    favorite.file_name = fileName;
    return RecordColumns::saveRow(*db, favorite);
}
