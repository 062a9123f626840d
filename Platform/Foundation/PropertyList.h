#pragma once

// Property lists in the platform's XML and binary forms, to and from Value:
// dictionaries, arrays, texts, integers (signed, and unsigned up to 2^64-1),
// reals, booleans, dates and data. Null has no property-list form. Dates of
// the years 1 to 9999 are kept; the binary form keeps those within 68 years
// either side of 2001 to the microsecond, the XML form and dates further out
// to the second. In the binary form a float is written in four bytes and a
// double in eight, and each reads back as the kind its size gives.
//
// Reading answers null for anything that is not a whole, well-formed
// property list; writing answers nullopt for a value that has no property-list
// form (a null inside, a text with a NUL byte or invalid UTF-8, a date out of
// range), never a file that would read back differently.
//
// A keyed archive's UID has no Value of its own: it reads as, and a dictionary
// whose one key is "CF$UID" with a non-negative integer writes as, a UID --
// the same form the platform's XML gives it.

#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace PropertyList {

enum class Format { XML, Binary };

Value propertyListWithData(std::span<const uint8_t> data, Format* format = nullptr);
std::optional<Data> dataWithPropertyList(const Value& plist, Format format, std::string* error = nullptr);

// Null when the file is missing or is no property list.
Value contentsOfFile(const std::string& path);
// Null unless the file holds a dictionary.
Value dictionaryWithContentsOfFile(const std::string& path);
// Writes atomically (temporary file, then rename).
bool writeToFile(
    const Value& plist, const std::string& path, Format format = Format::XML, std::string* error = nullptr);

}  // namespace PropertyList
