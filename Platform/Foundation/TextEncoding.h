#pragma once

// Conversion between our UTF-8 text and the byte encodings the system names by
// the platform's string-encoding numbers. Conversions are strict: a text that
// cannot be written in the encoding, or bytes that are not valid in it, give
// no result rather than a damaged one.

#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using NSStringEncoding = uint32_t;

inline constexpr NSStringEncoding NSASCIIStringEncoding = 1;
inline constexpr NSStringEncoding NSUTF8StringEncoding = 4;
inline constexpr NSStringEncoding NSISOLatin1StringEncoding = 5;
inline constexpr NSStringEncoding NSUTF16StringEncoding = 10;  // written with a byte-order mark, little-endian
inline constexpr NSStringEncoding NSWindowsCP1252StringEncoding = 12;

// The CoreFoundation number of GB18030 and the platform encoding it maps to.
inline constexpr uint32_t kCFStringEncodingGB_18030_2000 = 0x632;
inline constexpr uint32_t kCFStringEncodingGBK_95 = 0x631;
NSStringEncoding CFStringConvertEncodingToNSStringEncoding(uint32_t cfEncoding);

namespace TextEncoding {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUTF8(std::string_view bytes);

// Appends the UTF-8 form of a code point; surrogates and values past U+10FFFF
// become U+FFFD.
void appendUTF8(std::string& out, uint32_t codePoint);

// The bytes of a text in the encoding; nothing when a character has no form
// there or the encoding is unknown.
std::optional<Data> encode(std::string_view utf8, NSStringEncoding encoding);
// The text of bytes in the encoding; nothing when they are not valid in it.
std::optional<std::string> decode(std::string_view bytes, NSStringEncoding encoding);

// IANA charset names, for content types ("utf-8", "iso-8859-1", ...).
std::optional<std::string> ianaCharsetName(NSStringEncoding encoding);
std::optional<NSStringEncoding> encodingForIANACharsetName(std::string_view name);  // case-insensitive

}  // namespace TextEncoding
