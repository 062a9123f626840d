#pragma once

// Digests, Base64, identifiers and random numbers of the platform's system
// library.

#include "Platform/Foundation/Value.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Hashing {

std::array<uint8_t, 16> md5(std::string_view bytes);
// The digest as 32 hexadecimal digits.
std::string md5HexLower(std::string_view bytes);
std::string md5HexUpper(std::string_view bytes);

// RFC 4648 alphabet with "=" padding and no line breaks.
std::string base64Encode(std::string_view bytes);
inline std::string base64Encode(const Data& data)
{
    return base64Encode(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}
// White space and "=" are skipped wherever they stand; any other character
// outside the alphabet, or a final group of a single character, gives nothing.
std::optional<Data> base64Decode(std::string_view text);

// A new random (version 4) UUID in upper case, 8-4-4-4-12 digits.
std::string uuidString();

// A uniformly random 32-bit number from the system's entropy source.
uint32_t random32();

}  // namespace Hashing
