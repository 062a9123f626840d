#include "Classes/Frame/InputValidatorSupport.h"

#include "Platform/Foundation/NSRegularExpression.h"

namespace InputValidatorSupport {

bool matchesPattern(std::string_view text, std::string_view pattern)
{
    auto regex = NSRegularExpression::regularExpressionWithPatternOptionsError(
        pattern, NSRegularExpressionAnchorsMatchLines, nullptr);
    if (!regex)
        return false;
    return regex->numberOfMatchesInStringOptionsRange(text, NSMatchingAnchored, NSMakeRange(0, text.size())) > 0;
}

}  // namespace InputValidatorSupport
