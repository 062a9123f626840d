#include "Classes/Catalog/CatalogText.h"

#include "Classes/Frame/Language.h"
#include "Platform/Foundation/NSString.h"

namespace CatalogText {

std::string text(const std::string& key) { return Language::stringOrKey(key); }

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
