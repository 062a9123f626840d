#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

struct corvelle_library_files_update_Entity {
    int fileID = 0;
    std::optional<std::string> oldFileName;
    std::optional<std::string> oldFileType;
};

template <> struct RecordColumns::Table<corvelle_library_files_update_Entity> {
    static constexpr std::string_view name = "corvelle_update";
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("fileId", "", &corvelle_library_files_update_Entity::fileID),
            RecordColumns::column("old_file_name", "", &corvelle_library_files_update_Entity::oldFileName),
            RecordColumns::column("old_file_type", "", &corvelle_library_files_update_Entity::oldFileType));
};
