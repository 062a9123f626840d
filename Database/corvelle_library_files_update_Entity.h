#pragma once

#include <optional>
#include <string>

struct corvelle_library_files_update_Entity {
    int fileID = 0;
    std::optional<std::string> oldFileName;
    std::optional<std::string> oldFileType;
};
