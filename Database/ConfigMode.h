#pragma once

// The module configuration table: one row per configuration type.

#include "Database/BaseDataModel.h"
#include "Database/ConfigEntity.h"

#include <optional>
#include <string>

class ConfigMode : public BaseDataModel {
public:
    // Stores each row (a row of a type already present replaces it).
    [[nodiscard]] bool syncConfigData(const OptionalEntityList<ConfigEntity>& rows);
    // Nothing for an absent type; otherwise a record, empty when there is no row.
    std::shared_ptr<ConfigEntity> queryConfig(const std::optional<std::string>& type);
    // Deletes every row and closes the shared connection.
    void deleteConfig();
};
