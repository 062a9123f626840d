#pragma once

// One row of the module configuration table; `configType` is stored in the
// column cfg_type.

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

struct ConfigEntity {
    std::optional<std::string> _id;
    std::optional<std::string> clientid;
    std::optional<std::string> configType;
    std::optional<std::string> desc;
    std::optional<std::string> update_date;
};

// The row's id is the table's own; the saves leave it to the table.
template <> struct RecordColumns::Table<ConfigEntity> {
    static constexpr std::string_view name = "Corvelle_component_config";
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("id", "", &ConfigEntity::_id, RecordColumns::NotSaved),
            RecordColumns::column("client_id", "", &ConfigEntity::clientid),
            RecordColumns::column("cfg_type", "", &ConfigEntity::configType),
            RecordColumns::column("desc", "", &ConfigEntity::desc),
            RecordColumns::column("update_date", "", &ConfigEntity::update_date));
};
