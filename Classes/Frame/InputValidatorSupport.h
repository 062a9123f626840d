#pragma once

// What the validators share: matching a text against one fixed pattern, with
// ^ and $ matching at line breaks and a match anchored at the text's start.

#include <string_view>

namespace InputValidatorSupport {

bool matchesPattern(std::string_view text, std::string_view pattern);

}  // namespace InputValidatorSupport
