#pragma once

// The platform's string operations over our UTF-8 texts. Ranges and positions
// are in bytes of the UTF-8 text. Case mapping and case-insensitive search
// work on Unicode characters; comparison is the plain one (character codes,
// no locale: upper case sorts before lower case).

#include "Platform/Foundation/NSRange.h"
#include "Platform/Foundation/TextEncoding.h"
#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class CharacterSet {
    whitespace,  // spaces of every kind and the tab
    whitespaceAndNewline,  // the above and the line ends (LF, VT, FF, CR, NEL, LS, PS)
    spaceAndTab,  // the ASCII space and tab only
};

enum NSStringCompareOptions : unsigned long {
    NSCaseInsensitiveSearch = 1,
    NSLiteralSearch = 2,
};

class NSString {
public:
    // Numbers read from the start of a text (see NumberParsing.h).
    static int intValue(std::string_view text);
    static long integerValue(std::string_view text);
    static long long longLongValue(std::string_view text);
    static double doubleValue(std::string_view text);
    static float floatValue(std::string_view text);
    static bool boolValue(std::string_view text);

    // The platform's length of a text, in its characters (UTF-16 units: a
    // Chinese character counts one, not the three bytes it takes here).
    static NSUInteger length(std::string_view text);
    // The bytes of `text` that a range in those characters covers, clamped to
    // the text; a range that splits a character takes the whole character.
    static NSRange byteRangeOfCharacterRange(std::string_view text, NSRange characters);

    // Every piece is kept: "a,,b," gives "a", "", "b", ""; "" gives one "".
    static std::vector<std::string> componentsSeparatedByString(std::string_view text, std::string_view separator);
    static std::string stringByTrimmingCharactersInSet(std::string_view text, CharacterSet set);
    static std::string stringByReplacingOccurrencesOfStringWithString(
        std::string_view text, std::string_view target, std::string_view replacement);

    // First occurrence, or {NSNotFound, 0}; an empty search text is never found.
    static NSRange rangeOfString(std::string_view text, std::string_view search);
    static NSRange rangeOfStringOptions(std::string_view text, std::string_view search, unsigned long options);
    static bool containsStringCaseInsensitive(std::string_view text, std::string_view search)
    {
        return rangeOfStringOptions(text, search, NSCaseInsensitiveSearch).location != NSNotFound;
    }

    static NSComparisonResult compare(std::string_view a, std::string_view b);
    static std::string lowercaseString(std::string_view text);
    static std::string uppercaseString(std::string_view text);
    // Only A to Z lowered, whatever the locale: for protocol words (header
    // names, schemes, file extensions, column names), not for people's text.
    static std::string lowercaseASCII(std::string_view text);
    static bool equalsIgnoringASCIICase(std::string_view a, std::string_view b);

    // Paths, "/"-separated.
    static std::string lastPathComponent(std::string_view path);
    static std::string pathExtension(std::string_view path);
    static std::string stringByDeletingPathExtension(std::string_view path);
    static std::string stringByDeletingLastPathComponent(std::string_view path);
    static std::string stringByAppendingPathComponent(std::string_view path, std::string_view component);
    static std::string stringByAppendingPathExtension(std::string_view path, std::string_view extension);

    // The legacy escaping of a whole URL: controls, blanks, non-ASCII bytes and
    // the characters " % < > [ \ ] ^ ` { | } become %XX (upper-case hex); the URL
    // punctuation (: / ; ? # @ & = + $ , and the marks - _ . ! ~ * ' ( )) stays.
    // Nothing when the text cannot be written in the encoding.
    static std::optional<std::string> stringByAddingPercentEscapesUsingEncoding(
        std::string_view text, NSStringEncoding encoding = NSUTF8StringEncoding);
    // The same over bytes already in their encoding, escaping also every
    // character of `alsoEscape` (form bodies escape URL punctuation too).
    static std::string stringByAddingPercentEscapes(std::string_view bytes, std::string_view alsoEscape = {});

    // The reverse: every well-formed %XX becomes its byte, anything else stays
    // as it is. Nothing when the bytes that result are not valid in the encoding.
    static std::optional<std::string> stringByReplacingPercentEscapesUsingEncoding(
        std::string_view text, NSStringEncoding encoding = NSUTF8StringEncoding);
    // The same, giving the bytes whatever they are.
    static std::string stringByReplacingPercentEscapes(std::string_view text);

    // Text from bytes; nothing when they are not valid in the encoding.
    static std::optional<std::string> initWithDataEncoding(const Data& data, NSStringEncoding encoding);
    static std::optional<Data> dataUsingEncoding(std::string_view text, NSStringEncoding encoding);
};
