#include "Database/IconModel.h"

#include "Database/ModelSupport.h"

using namespace ModelSupport;

namespace {

std::shared_ptr<corvelle_icon_Entity> lastIcon(const std::shared_ptr<SQLResultSet>& rs)
{
    auto icon = std::make_shared<corvelle_icon_Entity>();
    if (!rs)
        return icon;
    while (rs->next()) {
        icon->_id = rs->intForColumn("id");
        icon->title = rs->stringForColumn("title");
        icon->name = rs->stringForColumn("name");
        icon->width = rs->intForColumn("width");
        icon->height = rs->intForColumn("height");
        icon->description = rs->stringForColumn("description");
        icon->category = rs->stringForColumn("category");
        icon->publish = rs->intForColumn("publish");
    }
    return icon;
}

}  // namespace

std::vector<std::string> IconModel::getAllIconAddress()
{
    auto db = database();
    return columnTexts(db ? db->executeQuery("select * from corvelle_icon") : nullptr, "name");
}

bool IconModel::saveToDatabaseIcon(const OptionalEntityList<corvelle_icon_Entity>& icons)
{
    return saveInTransaction(icons, [](SQLDatabase& db, const corvelle_icon_Entity& i) {
        return db.executeUpdate(
            "INSERT or REPLACE INTO corvelle_icon(id,title,name,width,height,description,category,publish) "
            "VALUES(?,?,?,?,?,?,?,?);",
            i._id, i.title, i.name, i.width, i.height, i.description, i.category, i.publish);
    });
}

std::shared_ptr<corvelle_icon_Entity> IconModel::getIconByIconId(int iconId)
{
    auto db = database();
    return lastIcon(db ? db->executeQuery("select * from corvelle_icon where id = ?", iconId) : nullptr);
}

std::shared_ptr<corvelle_icon_Entity> IconModel::getPublishedIconByIconName(const std::optional<std::string>& name)
{
    auto db = database();
    return lastIcon(
        db ? db->executeQuery("select * from corvelle_icon where name = ?  and publish = 1", name) : nullptr);
}
