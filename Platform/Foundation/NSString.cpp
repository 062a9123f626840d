#include "Platform/Foundation/NSString.h"

#include "Platform/Foundation/TextEncoding.h"
#include "Platform/Foundation/NumberParsing.h"

#include <algorithm>
#include <clocale>
#include <cwctype>
#include <locale.h>

namespace {

// Decodes one character at i (advancing i); a malformed byte reads as itself
// so that no input is lost or read past its end.
uint32_t decodeAt(std::string_view s, size_t& i)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (len <= 1 || i + len > s.size()) {
        ++i;
        return c;
    }
    uint32_t cp = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
    for (size_t k = 1; k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) {
            ++i;
            return c;
        }
        cp = (cp << 6) | (cc & 0x3F);
    }
    i += len;
    return cp;
}

// The character that ends just before position `end`, and where it starts.
size_t startOfLastCharacter(std::string_view s, size_t end)
{
    size_t i = end - 1;
    size_t steps = 0;
    while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80 && steps < 3) {
        --i;
        ++steps;
    }
    size_t probe = i;
    decodeAt(s, probe);
    return probe == end ? i : end - 1;
}

bool isSpaceSeparator(uint32_t c)
{
    return c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F
        || c == 0x3000;
}

bool inSet(uint32_t c, CharacterSet set)
{
    switch (set) {
    case CharacterSet::spaceAndTab:
        return c == ' ' || c == '\t';
    case CharacterSet::whitespace:
        return c == '\t' || isSpaceSeparator(c);
    case CharacterSet::whitespaceAndNewline:
        return c == '\t' || isSpaceSeparator(c) || (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
    }
    return false;
}

// Case mapping by Unicode data, whatever locale the process runs in.
locale_t unicodeLocale()
{
    static locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    }();
    return locale;
}

uint32_t foldCase(uint32_t c)
{
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + 32 : c;
    return static_cast<uint32_t>(towlower_l(static_cast<wint_t>(c), unicodeLocale()));
}

template <typename Map> std::string mapCase(std::string_view text, Map map)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        size_t start = i;
        uint32_t c = decodeAt(text, i);
        if (c >= 0x80 && i - start == 1) {
            out += text[start];  // a stray byte stays as it was
            continue;
        }
        TextEncoding::appendUTF8(out, map(c));
    }
    return out;
}

bool isSlash(char c) { return c == '/'; }

// The path without trailing slashes; the root stays "/".
std::string_view withoutTrailingSlashes(std::string_view path)
{
    while (path.size() > 1 && isSlash(path.back()))
        path.remove_suffix(1);
    return path;
}

// Position of the extension's dot in the last component, or npos.
size_t extensionDot(std::string_view path)
{
    size_t slash = path.rfind('/');
    size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart || dot + 1 == path.size())
        return std::string_view::npos;
    return dot;
}

}  // namespace

int NSString::intValue(std::string_view text) { return NumberParsing::intValue(text); }
long NSString::integerValue(std::string_view text) { return NumberParsing::integerValue(text); }
long long NSString::longLongValue(std::string_view text) { return NumberParsing::longLongValue(text); }
double NSString::doubleValue(std::string_view text) { return NumberParsing::doubleValue(text); }
float NSString::floatValue(std::string_view text) { return NumberParsing::floatValue(text); }
bool NSString::boolValue(std::string_view text) { return NumberParsing::boolValue(text); }

std::vector<std::string> NSString::componentsSeparatedByString(std::string_view text, std::string_view separator)
{
    std::vector<std::string> parts;
    if (separator.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    size_t start = 0;
    while (true) {
        size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

std::string NSString::stringByTrimmingCharactersInSet(std::string_view text, CharacterSet set)
{
    size_t begin = 0;
    while (begin < text.size()) {
        size_t next = begin;
        if (!inSet(decodeAt(text, next), set))
            break;
        begin = next;
    }
    size_t end = text.size();
    while (end > begin) {
        size_t start = startOfLastCharacter(text, end);
        size_t probe = start;
        if (!inSet(decodeAt(text, probe), set))
            break;
        end = start;
    }
    return std::string(text.substr(begin, end - begin));
}

std::string NSString::stringByReplacingOccurrencesOfStringWithString(
    std::string_view text, std::string_view target, std::string_view replacement)
{
    if (target.empty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t start = 0;
    while (true) {
        size_t at = text.find(target, start);
        if (at == std::string_view::npos)
            break;
        out.append(text.substr(start, at - start));
        out.append(replacement);
        start = at + target.size();
    }
    out.append(text.substr(start));
    return out;
}

NSRange NSString::rangeOfString(std::string_view text, std::string_view search)
{
    return rangeOfStringOptions(text, search, 0);
}

NSRange NSString::rangeOfStringOptions(std::string_view text, std::string_view search, unsigned long options)
{
    if (search.empty())
        return { NSNotFound, 0 };
    if (!(options & NSCaseInsensitiveSearch)) {
        size_t at = text.find(search);
        return at == std::string_view::npos ? NSRange { NSNotFound, 0 } : NSRange { at, search.size() };
    }
    std::vector<uint32_t> needle;
    for (size_t i = 0; i < search.size();)
        needle.push_back(foldCase(decodeAt(search, i)));
    for (size_t start = 0; start < text.size();) {
        size_t i = start;
        size_t k = 0;
        while (k < needle.size() && i < text.size() && foldCase(decodeAt(text, i)) == needle[k])
            ++k;
        if (k == needle.size())
            return { start, i - start };
        decodeAt(text, start);
    }
    return { NSNotFound, 0 };
}

NSComparisonResult NSString::compare(std::string_view a, std::string_view b)
{
    int r = a.compare(b);
    return r < 0 ? NSOrderedAscending : r > 0 ? NSOrderedDescending : NSOrderedSame;
}

std::string NSString::lowercaseASCII(std::string_view text)
{
    std::string out(text);
    for (auto& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool NSString::equalsIgnoringASCIICase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y)
            return false;
    }
    return true;
}

std::string NSString::lowercaseString(std::string_view text)
{
    return mapCase(text, [](uint32_t c) { return foldCase(c); });
}

std::string NSString::uppercaseString(std::string_view text)
{
    return mapCase(text, [](uint32_t c) -> uint32_t {
        if (c < 0x80)
            return c >= 'a' && c <= 'z' ? c - 32 : c;
        return static_cast<uint32_t>(towupper_l(static_cast<wint_t>(c), unicodeLocale()));
    });
}

std::string NSString::lastPathComponent(std::string_view path)
{
    path = withoutTrailingSlashes(path);
    if (path == "/")
        return "/";
    size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string NSString::pathExtension(std::string_view path)
{
    path = withoutTrailingSlashes(path);
    size_t dot = extensionDot(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot + 1));
}

std::string NSString::stringByDeletingPathExtension(std::string_view path)
{
    path = withoutTrailingSlashes(path);
    size_t dot = extensionDot(path);
    return std::string(dot == std::string_view::npos ? path : path.substr(0, dot));
}

std::string NSString::stringByDeletingLastPathComponent(std::string_view path)
{
    path = withoutTrailingSlashes(path);
    if (path == "/")
        return "/";
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    if (slash == 0)
        return "/";
    return std::string(withoutTrailingSlashes(path.substr(0, slash)));
}

std::string NSString::stringByAppendingPathComponent(std::string_view path, std::string_view component)
{
    std::string joined(path);
    if (!joined.empty() && !component.empty())
        joined += '/';
    joined += component;
    // Doubled slashes collapse and a trailing one goes, as the platform tidies paths.
    std::string out;
    out.reserve(joined.size());
    for (char c : joined) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out += c;
    }
    return std::string(withoutTrailingSlashes(out));
}

std::string NSString::stringByAppendingPathExtension(std::string_view path, std::string_view extension)
{
    return std::string(withoutTrailingSlashes(path)) + "." + std::string(extension);
}

std::string NSString::stringByAddingPercentEscapes(std::string_view bytes, std::string_view alsoEscape)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        unsigned char c = static_cast<unsigned char>(ch);
        bool escape = c <= 0x20 || c >= 0x7F || std::string_view("\"%<>[\\]^`{|}").find(ch) != std::string_view::npos
            || alsoEscape.find(ch) != std::string_view::npos;
        if (escape) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string NSString::stringByReplacingPercentEscapes(std::string_view text)
{
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::string> NSString::stringByReplacingPercentEscapesUsingEncoding(
    std::string_view text, NSStringEncoding encoding)
{
    std::string bytes = stringByReplacingPercentEscapes(text);
    return TextEncoding::decode(bytes, encoding);
}

std::optional<std::string> NSString::stringByAddingPercentEscapesUsingEncoding(
    std::string_view text, NSStringEncoding encoding)
{
    auto bytes = TextEncoding::encode(text, encoding);
    if (!bytes)
        return std::nullopt;
    return stringByAddingPercentEscapes(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

std::optional<std::string> NSString::initWithDataEncoding(const Data& data, NSStringEncoding encoding)
{
    return TextEncoding::decode(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), encoding);
}

std::optional<Data> NSString::dataUsingEncoding(std::string_view text, NSStringEncoding encoding)
{
    return TextEncoding::encode(text, encoding);
}

namespace {

// The UTF-8 length of the character starting with `lead`, and its UTF-16 units.
void characterAt(unsigned char lead, size_t& bytes, NSUInteger& units)
{
    bytes = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 1;
    units = bytes == 4 ? 2 : 1;
}

}  // namespace

NSUInteger NSString::length(std::string_view text)
{
    NSUInteger units = 0;
    for (size_t i = 0; i < text.size();) {
        size_t bytes;
        NSUInteger n;
        characterAt(static_cast<unsigned char>(text[i]), bytes, n);
        i += bytes;
        units += n;
    }
    return units;
}

NSRange NSString::byteRangeOfCharacterRange(std::string_view text, NSRange characters)
{
    size_t i = 0;
    NSUInteger unit = 0;
    auto advanceTo = [&](NSUInteger target) {
        while (i < text.size() && unit < target) {
            size_t bytes;
            NSUInteger n;
            characterAt(static_cast<unsigned char>(text[i]), bytes, n);
            i = std::min(text.size(), i + bytes);
            unit += n;
        }
    };
    advanceTo(characters.location);
    size_t start = i;
    NSUInteger end = characters.length > ~NSUInteger(0) - characters.location ? ~NSUInteger(0)
                                                                              : characters.location + characters.length;
    advanceTo(end);
    return NSMakeRange(start, i - start);
}
