#pragma once

// Small text rules the records share.

#include <optional>
#include <string>

namespace RecordText {

// True for an absent text or one of white space only.
bool isBlank(const std::optional<std::string>& text);
// The text split at every ",", each piece followed by a line break; "" when blank.
std::string linesOfPieces(const std::optional<std::string>& text);

}  // namespace RecordText
