#include "Classes/Catalog/CatalogText.h"

#include "Platform/Foundation/NSString.h"

namespace CatalogText {

std::string trimmed(const std::optional<std::string>& value)
{
    return value ? NSString::stringByTrimmingCharactersInSet(*value, CharacterSet::whitespaceAndNewline)
                 : std::string();
}

bool isBlank(const std::optional<std::string>& value) { return trimmed(value).empty(); }

std::vector<std::string> splitList(const std::optional<std::string>& list)
{
    if (!list)
        return {};
    return NSString::componentsSeparatedByString(*list, ",");
}

}  // namespace CatalogText
