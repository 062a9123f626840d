#include "Database/RecordText.h"

#include "Platform/Foundation/NSString.h"

namespace RecordText {

bool isBlank(const std::optional<std::string>& text)
{
    return !text || NSString::stringByTrimmingCharactersInSet(*text, CharacterSet::whitespace).empty();
}

std::string linesOfPieces(const std::optional<std::string>& text)
{
    if (isBlank(text))
        return "";
    std::string out;
    for (const auto& piece : NSString::componentsSeparatedByString(*text, ","))
        out += piece + "\n";
    return out;
}

}  // namespace RecordText
