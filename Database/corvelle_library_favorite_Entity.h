#pragma once

#include "Database/corvelle_library_files_Entity.h"

// A library favourites row: file_id from id, file_name.
struct corvelle_library_favorite_Entity : corvelle_library_files_Entity { };

template <> struct RecordColumns::Table<corvelle_library_favorite_Entity> {
    static constexpr std::string_view name = "corvelle_library_favorite";
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("id", "", &corvelle_library_favorite_Entity::file_id),
            RecordColumns::column("file_name", "", &corvelle_library_favorite_Entity::file_name));
};
