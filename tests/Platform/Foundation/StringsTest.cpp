#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/TextEncoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

using Pieces = std::vector<std::string>;

TEST(NSString, NumbersReadFromTheStartOfTheText)
{
    struct Case {
        const char* text;
        int intValue;
        double doubleValue;
        bool boolValue;
    };
    const Case cases[] = {
        { "12.50", 12, 12.5, true },
        { "  -7abc", -7, -7, true },  // the sign is skipped
        { "+3", 3, 3, true },
        { "", 0, 0, false },
        { "abc", 0, 0, false },
        { "\t\n 42", 42, 42, true },
        { "99999999999", INT_MAX, 99999999999.0, true },
        { "-99999999999", INT_MIN, -99999999999.0, true },
        { "1,5", 1, 1, true },
        { "YES", 0, 0, true },
        { "no", 0, 0, false },
        { "0.5", 0, 0.5, false },
        { "007", 7, 7, true },
        { ".5", 0, 0.5, false },
        { "1e3", 1, 1000, true },
        { "1e", 1, 1, true },
        { "- 4", 0, 0, false },
        { "   ", 0, 0, false },
        { "true", 0, 0, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.intValue, NSString::intValue(c.text));
        EXPECT_DOUBLE_EQ(c.doubleValue, NSString::doubleValue(c.text));
        EXPECT_EQ(c.boolValue, NSString::boolValue(c.text));
    }
    EXPECT_EQ(99999999999L, NSString::integerValue("99999999999"));
    EXPECT_EQ(LLONG_MAX, NSString::longLongValue("99999999999999999999999"));
    EXPECT_EQ(LLONG_MIN, NSString::longLongValue("-9223372036854775808"));
    EXPECT_EQ(LLONG_MAX, NSString::longLongValue("9223372036854775807"));
    EXPECT_FLOAT_EQ(75.3f, NSString::floatValue("75.3"));
}

TEST(NSString, SplitKeepsEmptyPieces)
{
    struct Case {
        const char* text;
        const char* separator;
        Pieces pieces;
    };
    const Case cases[] = {
        { "a,b", ",", { "a", "b" } },
        { ",,", ",", { "", "", "" } },
        { "a,", ",", { "a", "" } },
        { "", ",", { "" } },
        { "abc", ",", { "abc" } },
        { "k:v::w", ":", { "k", "v", "", "w" } },
        { "a--b--", "--", { "a", "b", "" } },
        { "abc", "", { "abc" } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pieces, NSString::componentsSeparatedByString(c.text, c.separator)) << c.text;
}

TEST(NSString, TrimmingByCharacterSet)
{
    struct Case {
        const char* text;
        CharacterSet set;
        const char* expected;
    };
    const char* ideographicSpace = "\xe3\x80\x80";
    std::string wide = std::string(ideographicSpace) + "x" + ideographicSpace;
    std::string nbsp = "\xc2\xa0y\xc2\xa0";
    const Case cases[] = {
        { "  a b \t", CharacterSet::whitespace, "a b" },
        { "\n a \n", CharacterSet::whitespace, "\n a \n" },
        { "\n a \r\n", CharacterSet::whitespaceAndNewline, "a" },
        { wide.c_str(), CharacterSet::whitespace, "x" },
        { nbsp.c_str(), CharacterSet::whitespaceAndNewline, "y" },
        { nbsp.c_str(), CharacterSet::spaceAndTab, nbsp.c_str() },
        { " \t z\t ", CharacterSet::spaceAndTab, "z" },
        { "\nz", CharacterSet::spaceAndTab, "\nz" },
        { "   ", CharacterSet::whitespace, "" },
        { "", CharacterSet::whitespaceAndNewline, "" },
        { "\xe4\xb8\xad ", CharacterSet::whitespace, "\xe4\xb8\xad" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, NSString::stringByTrimmingCharactersInSet(c.text, c.set)) << c.text;
}

TEST(NSString, SearchCompareAndCase)
{
    EXPECT_EQ(NSMakeRange(2, 4), NSString::rangeOfStringOptions("a HTTP://x", "http", NSCaseInsensitiveSearch));
    EXPECT_EQ(NSNotFound, NSString::rangeOfString("a HTTP://x", "http").location);
    EXPECT_EQ(NSNotFound, NSString::rangeOfString("abc", "").location);
    EXPECT_TRUE(NSString::containsStringCaseInsensitive("Zhang San", "ng s"));
    EXPECT_TRUE(NSString::containsStringCaseInsensitive("\xc3\x89T\xc3\x89", "\xc3\xa9t"));  // ÉTÉ holds ét
    EXPECT_FALSE(NSString::containsStringCaseInsensitive("abc", "abcd"));

    std::vector<std::string> names = { "b", "A", "a", "B", "_", "1" };
    std::sort(names.begin(), names.end(),
        [](const auto& x, const auto& y) { return NSString::compare(x, y) == NSOrderedAscending; });
    EXPECT_EQ((Pieces { "1", "A", "B", "_", "a", "b" }), names);
    EXPECT_EQ(NSOrderedSame, NSString::compare("x", "x"));
    EXPECT_EQ(NSOrderedDescending, NSString::compare("ab", "a"));

    EXPECT_EQ("abc \xc3\xa9", NSString::lowercaseString("AbC \xc3\x89"));
    EXPECT_EQ("ABC \xc3\x89", NSString::uppercaseString("abc \xc3\xa9"));
    EXPECT_EQ("\xe4\xb8\xad", NSString::uppercaseString("\xe4\xb8\xad"));

    // Protocol words fold A to Z only; other bytes pass through untouched.
    EXPECT_EQ("content-type: \xc3\x89", NSString::lowercaseASCII("Content-Type: \xc3\x89"));
    EXPECT_TRUE(NSString::equalsIgnoringASCIICase("Set-Cookie", "set-COOKIE"));
    EXPECT_FALSE(NSString::equalsIgnoringASCIICase("\xc3\x89", "\xc3\xa9"));
    EXPECT_FALSE(NSString::equalsIgnoringASCIICase("gzip", "gzip "));
}

TEST(NSString, ReplaceAll)
{
    EXPECT_EQ("1234567.00", NSString::stringByReplacingOccurrencesOfStringWithString("1,234,567.00", ",", ""));
    EXPECT_EQ("ZhangSan", NSString::stringByReplacingOccurrencesOfStringWithString("Zhang San", " ", ""));
    EXPECT_EQ("xxxx", NSString::stringByReplacingOccurrencesOfStringWithString("aa", "a", "xx"));
    EXPECT_EQ("abc", NSString::stringByReplacingOccurrencesOfStringWithString("abc", "", "x"));
}

TEST(NSString, PathHelpers)
{
    struct Case {
        const char* path;
        const char* last;
        const char* extension;
        const char* withoutExtension;
        const char* parent;
    };
    const Case cases[] = {
        { "/tmp/scratch.tiff", "scratch.tiff", "tiff", "/tmp/scratch", "/tmp" },
        { "/tmp/lock/", "lock", "", "/tmp/lock", "/tmp" },
        { "/tmp", "tmp", "", "/tmp", "/" },
        { "/", "/", "", "/", "/" },
        { "scratch.tiff", "scratch.tiff", "tiff", "scratch", "" },
        { "Docs/Guide.PDF", "Guide.PDF", "PDF", "Docs/Guide", "Docs" },
        { "a/b.tar.gz", "b.tar.gz", "gz", "a/b.tar", "a" },
        { "scratch..tiff", "scratch..tiff", "tiff", "scratch.", "" },
        { "/x/.hidden", ".hidden", "", "/x/.hidden", "/x" },
        { "dir.d/file", "file", "", "dir.d/file", "dir.d" },
        { "", "", "", "", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.last, NSString::lastPathComponent(c.path));
        EXPECT_EQ(c.extension, NSString::pathExtension(c.path));
        EXPECT_EQ(c.withoutExtension, NSString::stringByDeletingPathExtension(c.path));
        EXPECT_EQ(c.parent, NSString::stringByDeletingLastPathComponent(c.path));
    }
    EXPECT_EQ("/tmp/scratch.tiff", NSString::stringByAppendingPathComponent("/tmp", "scratch.tiff"));
    EXPECT_EQ("/tmp/scratch", NSString::stringByAppendingPathComponent("/tmp/", "/scratch/"));
    EXPECT_EQ("/scratch", NSString::stringByAppendingPathComponent("/", "scratch"));
    EXPECT_EQ("scratch", NSString::stringByAppendingPathComponent("", "scratch"));
    EXPECT_EQ("/tmp", NSString::stringByAppendingPathComponent("/tmp", ""));
    EXPECT_EQ("Support/Guide.plist", NSString::stringByAppendingPathExtension("Support/Guide", "plist"));
}

TEST(NSString, LegacyPercentEscapingOfURLs)
{
    struct Case {
        const char* text;
        const char* escaped;
    };
    const Case cases[] = {
        // URL punctuation and the unreserved marks stay.
        { "http://host:48080/path/SyncServer;S1?x=1&y=2#f", "http://host:48080/path/SyncServer;S1?x=1&y=2#f" },
        { "-_.!~*'()@$+,", "-_.!~*'()@$+," },
        // Controls, blanks, non-ASCII and the unsafe characters are escaped.
        { "a b", "a%20b" },
        { "\t\n\x7f", "%09%0A%7F" },
        { "\"%<>[\\]^`{|}", "%22%25%3C%3E%5B%5C%5D%5E%60%7B%7C%7D" },
        { "\xe4\xb8\xad.jpg", "%E4%B8%AD.jpg" },
        { "mailto://s@x?subject=bug report&body=<br>", "mailto://s@x?subject=bug%20report&body=%3Cbr%3E" },
        { "", "" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.escaped, NSString::stringByAddingPercentEscapesUsingEncoding(c.text).value_or("<none>")) << c.text;
        EXPECT_EQ(c.text, NSString::stringByReplacingPercentEscapesUsingEncoding(c.escaped).value_or("<none>"))
            << c.text;
    }
    // Unescaping leaves what is not a well-formed escape, and refuses bytes that are not text.
    EXPECT_EQ("100%, %zz %4", NSString::stringByReplacingPercentEscapes("100%25, %zz %4"));
    EXPECT_FALSE(NSString::stringByReplacingPercentEscapesUsingEncoding("%FF").has_value());

    // Invalid UTF-8 cannot be written as UTF-8.
    EXPECT_FALSE(NSString::stringByAddingPercentEscapesUsingEncoding("\xff").has_value());
    // Form bodies escape URL punctuation as well.
    EXPECT_EQ("a%3Db%26c%20d%2B", NSString::stringByAddingPercentEscapes("a=b&c d+", ":/?#[]@!$&'()*+,;="));
}

TEST(TextEncoding, UTF8ValidityAndConversions)
{
    struct Case {
        const char* bytes;
        bool valid;
    };
    const Case cases[] = {
        { "plain", true }, { "\xe4\xb8\xad\xe6\x96\x87", true }, { "\xf0\x9f\x98\x80", true }, { "\xff", false },
        { "\xc0\xaf", false },  // overlong "/"
        { "\xed\xa0\x80", false },  // a surrogate
        { "\xe4\xb8", false },  // cut short
        { "\xf4\x90\x80\x80", false },  // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.valid, TextEncoding::isValidUTF8(c.bytes)) << c.bytes;
        std::string_view sv(c.bytes);
        Data data(sv.begin(), sv.end());
        EXPECT_EQ(c.valid, NSString::initWithDataEncoding(data, NSUTF8StringEncoding).has_value());
    }

    // The GB18030 bytes of a Chinese name, as the customer list's initials need them.
    NSStringEncoding gb = CFStringConvertEncodingToNSStringEncoding(kCFStringEncodingGB_18030_2000);
    EXPECT_EQ(0x80000632u, gb);
    auto bytes = NSString::dataUsingEncoding("\xe4\xb8\xad\xe6\x96\x87 A", gb);  // 中文 A
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ((Data { 0xD6, 0xD0, 0xCE, 0xC4, ' ', 'A' }), *bytes);
    EXPECT_EQ("\xe4\xb8\xad\xe6\x96\x87 A", NSString::initWithDataEncoding(*bytes, gb).value_or(""));

    // Latin-1 reads any byte; ASCII refuses what it cannot hold.
    EXPECT_EQ("caf\xc3\xa9",
        NSString::initWithDataEncoding(Data { 'c', 'a', 'f', 0xE9 }, NSISOLatin1StringEncoding).value_or(""));
    EXPECT_FALSE(NSString::dataUsingEncoding("caf\xc3\xa9", NSASCIIStringEncoding).has_value());
    EXPECT_FALSE(NSString::dataUsingEncoding("x", 9999).has_value());
    EXPECT_EQ("\xe2\x82\xac"
              "5",
        NSString::initWithDataEncoding(Data { 0x80, '5' }, NSWindowsCP1252StringEncoding).value_or(""));
    EXPECT_FALSE(NSString::initWithDataEncoding(Data { 0x81 }, NSWindowsCP1252StringEncoding).has_value());
    auto utf16 = NSString::dataUsingEncoding("A\xe4\xb8\xad", NSUTF16StringEncoding);
    EXPECT_EQ((Data { 0xFF, 0xFE, 'A', 0, 0x2D, 0x4E }), utf16.value_or(Data {}));
    EXPECT_EQ("A\xe4\xb8\xad", NSString::initWithDataEncoding(*utf16, NSUTF16StringEncoding).value_or(""));
    EXPECT_EQ("A",
        NSString::initWithDataEncoding(Data { 0, 'A' }, NSUTF16StringEncoding).value_or(""));  // no mark: big-endian

    EXPECT_EQ(NSISOLatin1StringEncoding, TextEncoding::encodingForIANACharsetName("ISO-8859-1"));
    EXPECT_EQ(NSUTF8StringEncoding, TextEncoding::encodingForIANACharsetName("utf-8"));
    EXPECT_FALSE(TextEncoding::encodingForIANACharsetName("klingon").has_value());
    EXPECT_EQ("utf-8", TextEncoding::ianaCharsetName(NSUTF8StringEncoding).value_or(""));
}
