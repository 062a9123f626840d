#pragma once

// Base64 coding of data (the standard alphabet with "=" padding, no line
// breaks), as the skin service carries images in text.

#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>
#include <string_view>

namespace Base64Coding {

// White space and "=" are skipped wherever they stand; any other character
// outside the alphabet, or a last group of a single character, gives nothing.
std::optional<Data> dataWithBase64EncodedString(std::string_view text);
// "" for empty data.
std::string base64Encoding(const Data& data);

}  // namespace Base64Coding
