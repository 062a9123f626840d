#include "Database/ImageModel.h"

#include "Database/ModelSupport.h"

using namespace ModelSupport;

std::shared_ptr<corvelle_image_Entity> ImageModel::getImageByKeyId(int keyId)
{
    auto db = database();
    auto images = db
        ? RecordColumns::readRows<corvelle_image_Entity>(db->executeQuery(
            "select * from corvelle_image where image_isdault =1 and image_publis =1 and key_id= ? limit 0,1", keyId))
        : EntityList<corvelle_image_Entity> {};
    return images.empty() ? nullptr : images.back();
}

EntityList<corvelle_image_Entity> ImageModel::getManyImageByKeyId(int keyId)
{
    auto db = database();
    return db ? RecordColumns::readRows<corvelle_image_Entity>(db->executeQuery(
               "select * from corvelle_image where key_id= ? and image_publis =1 order by image_isdault desc", keyId))
              : EntityList<corvelle_image_Entity> {};
}

ValueArray ImageModel::getPublishImages(bool published)
{
    ValueArray rows;
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_image where image_publis = ?", published ? 1 : 0) : nullptr;
    if (!rs)
        return rows;
    while (rs->next()) {
        Value row = Value::dictionary();
        if (auto full = rs->stringForColumn("image_full_address"))
            row.set("imageFull", Value(*full));
        if (auto thumb = rs->stringForColumn("image_thumb_address"))
            row.set("imageThumb", Value(*thumb));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> ImageModel::getThumbImages()
{
    auto db = database();
    return columnTexts(db ? db->executeQuery("select * from corvelle_image") : nullptr, "image_thumb_address");
}

std::vector<std::string> ImageModel::getFullImages()
{
    auto db = database();
    return columnTexts(db ? db->executeQuery("select * from corvelle_image") : nullptr, "image_full_address");
}

std::optional<std::string> ImageModel::getFullImagePathByName(const std::optional<std::string>& title)
{
    if (!title || title->empty())
        return std::nullopt;
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_icon where publish = 1 and title = ?", title) : nullptr;
    std::optional<std::string> name;
    if (rs) {
        while (rs->next())
            name = rs->stringForColumn("name");
    }
    return name;
}

bool ImageModel::saveToDatabaseImage(const OptionalEntityList<corvelle_image_Entity>& images)
{
    return saveInTransaction(
        images, [](SQLDatabase& db, const corvelle_image_Entity& i) { return RecordColumns::saveRow(db, i); });
}
