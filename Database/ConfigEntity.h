#pragma once

// One row of the module configuration table; `configType` is stored in the
// column cfg_type.

#include <optional>
#include <string>

struct ConfigEntity {
    std::optional<std::string> _id;
    std::optional<std::string> clientid;
    std::optional<std::string> configType;
    std::optional<std::string> desc;
    std::optional<std::string> update_date;
};
