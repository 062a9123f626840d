#pragma once

// The platform's reading of a number out of a text: leading white space is
// skipped, an optional sign is read, then the longest numeric prefix; a text
// with no such prefix reads as 0. Integers saturate at their type's range.
// Everything is locale-free ("1,5" reads as 1).

#include <string_view>

namespace NumberParsing {

int intValue(std::string_view text);
long long longLongValue(std::string_view text);
long integerValue(std::string_view text);
double doubleValue(std::string_view text);
float floatValue(std::string_view text);
// True for a leading "Y", "y", "T", "t" or a digit 1 to 9 (after blanks, a
// sign and leading zeros).
bool boolValue(std::string_view text);

// Shortest text that reads back to the same number ("0.1", "75.3", "12").
std::string_view shortest(double v, char (&buffer)[32]);
std::string_view shortest(float v, char (&buffer)[32]);

// The platform's text of a number, as its descriptions, format strings and
// JSON writer give it: a double with 16 significant digits ("%.16g": 200000
// is "200000", 1.1 + 2.2 is "3.3"), a float with 7 ("%.7g": 100/3 is
// "33.33333"). Locale-free.
std::string_view text(double v, char (&buffer)[32]);
std::string_view text(float v, char (&buffer)[32]);

}  // namespace NumberParsing
