#include "Database/ConfigMode.h"

#include "Database/ModelSupport.h"

using namespace ModelSupport;

bool ConfigMode::syncConfigData(const OptionalEntityList<ConfigEntity>& rows)
{
    return saveInTransaction(rows, [](SQLDatabase& db, const ConfigEntity& row) {
        return db.executeUpdate(
            "INSERT OR REPLACE INTO Corvelle_component_config(client_id,cfg_type,desc,update_date) VALUES(?,?,?,?);",
            row.clientid, row.configType, row.desc, row.update_date);
    });
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
        entity->_id = rs->stringForColumn("id");
        entity->clientid = rs->stringForColumn("client_id");
        entity->configType = rs->stringForColumn("cfg_type");
        entity->desc = rs->stringForColumn("desc");
        entity->update_date = rs->stringForColumn("update_date");
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
