#include "Database/ConfigMode.h"

#include "Database/ModelSupport.h"

using namespace ModelSupport;

bool ConfigMode::syncConfigData(const OptionalEntityList<ConfigEntity>& rows)
{
    return saveInTransaction(
        rows, [](SQLDatabase& db, const ConfigEntity& row) { return RecordColumns::saveRow(db, row); });
}

std::shared_ptr<ConfigEntity> ConfigMode::queryConfig(const std::optional<std::string>& type)
{
    if (!type)
        return nullptr;
    auto entity = std::make_shared<ConfigEntity>();
    auto db = database();
    auto rs = db ? db->executeQuery("SELECT * FROM Corvelle_component_config where cfg_type = ? limit 0,1;", type)
                 : nullptr;
    if (rs && rs->next()) {
        RecordColumns::readRow(*rs, *entity);
        rs->close();
    }
    return entity;
}

void ConfigMode::deleteConfig()
{
    auto db = database();
    if (!db)
        return;
    db->open();
    db->executeUpdate("DELETE FROM Corvelle_component_config;");
    db->close();
}
