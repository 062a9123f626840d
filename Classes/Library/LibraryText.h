#pragma once

// Small helpers the library screens share: the parts of a library file
// record they show.

#include <optional>
#include <string>

struct corvelle_library_files_Entity;

namespace LibraryText {

// The part of the file's info text before its first "/" (the format).
std::string formatOf(const corvelle_library_files_Entity& file);
// The file-type code of the file's type text.
int typeCodeOf(const std::optional<std::string>& type);
// A name the server gave that may become one component of a local path.
bool isSafeName(const std::optional<std::string>& name);

}  // namespace LibraryText
