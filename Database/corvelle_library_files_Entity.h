#pragma once

// The records of the sales library tables: documents, favourites, pending
// replacements, categories and the per-category file count.

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

// A library favourites row: file_id from id, file_name.
struct corvelle_library_favorite_Entity : corvelle_library_files_Entity {};

struct corvelle_library_files_update_Entity {
    int fileID = 0;
    std::optional<std::string> oldFileName;
    std::optional<std::string> oldFileType;
};

struct corvelle_library_category_Entity {
    // Column id.
    int categoryID = 0;
    std::optional<std::string> name;
    int ordering = 0;
    int published = 0;
    int parent_id = 0;
    // Filled by the library's category screen.
    int count = 0;
    int childCount = 0;
    bool hasChild = false;
};

struct corvelle_lib_category_cell_entity {
    int category_id = 0;
    int files_count = 0;
};
