#pragma once

#include <optional>
#include <string>

struct corvelle_icon_Entity {
    int _id = 0;
    std::optional<std::string> title;
    std::optional<std::string> name;
    int width = 0;
    int height = 0;
    std::optional<std::string> description;
    std::optional<std::string> category;
    int publish = 0;
};
