#include "Classes/Library/LibraryText.h"

#include "Classes/Frame/PublicFunction.h"
#include "Database/corvelle_library_files_Entity.h"
#include "Platform/Foundation/NSPathUtilities.h"

namespace LibraryText {

std::string formatOf(const corvelle_library_files_Entity& file)
{
    const std::string info = file.info.value_or(std::string());
    return info.substr(0, info.find('/'));
}

int typeCodeOf(const std::optional<std::string>& type)
{
    return PublicFunction::getFileType(type.value_or(std::string()));
}

bool isSafeName(const std::optional<std::string>& name) { return name && NSPathIsSafeComponent(*name); }

}  // namespace LibraryText
