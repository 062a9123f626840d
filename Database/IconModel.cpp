#include "Database/IconModel.h"

#include "Database/ModelSupport.h"

using namespace ModelSupport;

namespace {

std::shared_ptr<corvelle_icon_Entity> lastIcon(const std::shared_ptr<SQLResultSet>& rs)
{
    auto icon = std::make_shared<corvelle_icon_Entity>();
    if (!rs)
        return icon;
    while (rs->next())
        RecordColumns::readRow(*rs, *icon);
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
    return saveInTransaction(
        icons, [](SQLDatabase& db, const corvelle_icon_Entity& i) { return RecordColumns::saveRow(db, i); });
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
