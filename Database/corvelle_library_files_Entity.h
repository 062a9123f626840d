#pragma once

// A document of the sales library.

#include "Database/RecordColumns.h"

#include <memory>
#include <optional>
#include <string>

struct corvelle_library_files_Entity {
    virtual ~corvelle_library_files_Entity() = default;

    // Column id.
    int file_id = 0;
    std::optional<std::string> title;
    std::optional<std::string> file_name;
    int category = 0;
    std::optional<std::string> type;
    std::optional<std::string> date;
    std::optional<std::string> description;
    int ordering = 0;
    int published = 0;
    std::optional<std::string> cover_image;
    // A text and a duration joined by ",".
    std::optional<std::string> info;
    int isNew = 0;

    // The part of info before its first "," (all of it without one); "" when empty.
    std::string infoShow() const;
    // The part after the first ","; "" when missing or shorter than two characters.
    std::string duration() const;
    // A new record with the twelve column-backed values.
    std::shared_ptr<corvelle_library_files_Entity> copyWithZone() const;
};

template <> struct RecordColumns::Table<corvelle_library_files_Entity> {
    static constexpr std::string_view name = "corvelle_library_files";
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("id", "id", &corvelle_library_files_Entity::file_id),
            RecordColumns::column("title", "title", &corvelle_library_files_Entity::title),
            RecordColumns::column("file_name", "fileName", &corvelle_library_files_Entity::file_name),
            RecordColumns::column("category", "category", &corvelle_library_files_Entity::category),
            RecordColumns::column("type", "type", &corvelle_library_files_Entity::type),
            RecordColumns::column("date", "date", &corvelle_library_files_Entity::date),
            RecordColumns::column("description", "description", &corvelle_library_files_Entity::description),
            RecordColumns::column("ordering", "ordering", &corvelle_library_files_Entity::ordering),
            RecordColumns::column("published", "publish", &corvelle_library_files_Entity::published),
            RecordColumns::column("cover_image", "coverImage", &corvelle_library_files_Entity::cover_image),
            RecordColumns::column("info", "info", &corvelle_library_files_Entity::info),
            RecordColumns::column("isNew", "", &corvelle_library_files_Entity::isNew));
};

// The records that once shared this header; its includers still expect them.
#include "Database/corvelle_library_favorite_Entity.h"
#include "Database/corvelle_library_files_update_Entity.h"
#include "Database/corvelle_library_category_Entity.h"
#include "Database/corvelle_lib_category_cell_entity.h"
