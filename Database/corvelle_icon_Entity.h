#pragma once

#include "Database/RecordColumns.h"

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

template <> struct RecordColumns::Table<corvelle_icon_Entity> {
    static constexpr std::string_view name = "corvelle_icon";
    static constexpr auto columns = std::make_tuple(RecordColumns::column("id", "iconID", &corvelle_icon_Entity::_id),
        RecordColumns::column("title", "iconTitle", &corvelle_icon_Entity::title),
        RecordColumns::column("name", "iconName", &corvelle_icon_Entity::name),
        RecordColumns::column("width", "iconWidth", &corvelle_icon_Entity::width),
        RecordColumns::column("height", "iconHeight", &corvelle_icon_Entity::height),
        RecordColumns::column("description", "iconDesc", &corvelle_icon_Entity::description),
        RecordColumns::column("category", "iconCategory", &corvelle_icon_Entity::category),
        RecordColumns::column("publish", "iconPublish", &corvelle_icon_Entity::publish));
};
