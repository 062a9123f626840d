#include "Platform/Foundation/NSBundle.h"

#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/PropertyList.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

// ValueDictionary's default constructor cannot be used outside Value.cpp
// (its index type is incomplete here); copying the empty one can.
ValueDictionary emptyDictionary() { return Value().dictionaryValue(); }

void appendUTF8(std::string& out, uint32_t codePoint)
{
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        codePoint = 0xFFFD;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// String tables are often saved as UTF-16 with a byte order mark.
std::string textOfTable(const Data& bytes)
{
    if (bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        bool little = bytes[0] == 0xFF;
        std::string out;
        size_t i = 2;
        auto unit = [&](size_t at) -> uint32_t {
            const uint32_t first = bytes[at], second = bytes[at + 1];
            return little ? (first | (second << 8)) : ((first << 8) | second);
        };
        while (i + 1 < bytes.size()) {
            uint32_t u = unit(i);
            i += 2;
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < bytes.size()) {
                uint32_t low = unit(i);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    i += 2;
                    u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                }
            }
            appendUTF8(out, u);
        }
        return out;
    }
    size_t start = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
}

class StringsParser {
public:
    explicit StringsParser(std::string_view text)
        : m_text(text)
    {
    }

    std::optional<ValueDictionary> parse()
    {
        ValueDictionary table = emptyDictionary();
        for (;;) {
            if (!skipSpace())
                return std::nullopt;
            if (atEnd())
                return table;
            auto key = string();
            if (!key || !skipSpace())
                return std::nullopt;
            std::optional<std::string> value;
            if (peek() == '=') {
                ++m_at;
                if (!skipSpace())
                    return std::nullopt;
                value = string();
                if (!value || !skipSpace())
                    return std::nullopt;
            }
            if (peek() != ';')
                return std::nullopt;
            ++m_at;
            table.set(*key, Value(value ? std::move(*value) : *key));
        }
    }

private:
    bool atEnd() const { return m_at >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_at]; }

    // False on an unterminated comment.
    bool skipSpace()
    {
        while (!atEnd()) {
            char c = m_text[m_at];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++m_at;
            } else if (m_text.substr(m_at, 2) == "//") {
                auto end = m_text.find('\n', m_at);
                m_at = end == std::string_view::npos ? m_text.size() : end + 1;
            } else if (m_text.substr(m_at, 2) == "/*") {
                auto end = m_text.find("*/", m_at + 2);
                if (end == std::string_view::npos)
                    return false;
                m_at = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    static bool isBareCharacter(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$'
            || c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
    }

    std::optional<std::string> string()
    {
        if (peek() != '"') {
            size_t start = m_at;
            while (!atEnd() && isBareCharacter(m_text[m_at]))
                ++m_at;
            if (m_at == start)
                return std::nullopt;
            return std::string(m_text.substr(start, m_at - start));
        }
        ++m_at;
        std::string out;
        while (!atEnd()) {
            char c = m_text[m_at++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (atEnd())
                return std::nullopt;
            char e = m_text[m_at++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'v':
                out += '\v';
                break;
            case 'U':
            case 'u': {
                auto unit = hex4();
                if (!unit)
                    return std::nullopt;
                uint32_t codePoint = *unit;
                if (codePoint >= 0xD800 && codePoint <= 0xDBFF && m_text.substr(m_at, 2).size() == 2
                    && m_text[m_at] == '\\' && (m_text[m_at + 1] == 'U' || m_text[m_at + 1] == 'u')) {
                    size_t save = m_at;
                    m_at += 2;
                    auto low = hex4();
                    if (low && *low >= 0xDC00 && *low <= 0xDFFF)
                        codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (*low - 0xDC00);
                    else
                        m_at = save;
                }
                appendUTF8(out, codePoint);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    uint32_t octal = static_cast<uint32_t>(e - '0');
                    for (int k = 0; k < 2 && peek() >= '0' && peek() <= '7'; ++k)
                        octal = octal * 8 + static_cast<uint32_t>(m_text[m_at++] - '0');
                    appendUTF8(out, octal);
                } else {
                    out += e;  // \" \\ \' and any other character stand for themselves
                }
            }
        }
        return std::nullopt;
    }

    std::optional<uint32_t> hex4()
    {
        if (m_at + 4 > m_text.size())
            return std::nullopt;
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) {
            char c = m_text[m_at++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<uint32_t>(c - 'A' + 10);
            else
                return std::nullopt;
        }
        return v;
    }

    std::string_view m_text;
    size_t m_at = 0;
};

bool looksLikePropertyList(const Data& bytes)
{
    std::string_view head(reinterpret_cast<const char*>(bytes.data()), std::min<size_t>(bytes.size(), 64));
    size_t i = head.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (i == std::string_view::npos)
        return false;
    head.remove_prefix(i);
    return head.starts_with("bplist") || head.starts_with("<?xml") || head.starts_with("<!DOCTYPE")
        || head.starts_with("<plist");
}

}  // namespace

NSBundle::NSBundle(std::string path)
    : m_path(std::move(path))
    , m_info(PropertyList::dictionaryWithContentsOfFile(m_path + "/Info.plist").dictionaryValue())
{
}

std::shared_ptr<NSBundle> NSBundle::mainBundle()
{
    static std::mutex lock;
    static std::shared_ptr<NSBundle> bundle;
    static uint64_t generation = 0;
    std::lock_guard guard(lock);
    uint64_t current = AppEnvironment::generation();
    if (!bundle || generation != current) {
        bundle = bundleWithPath(AppEnvironment::bundleDirectory());
        generation = current;
    }
    return bundle;
}

std::shared_ptr<NSBundle> NSBundle::bundleWithPath(const std::string& path)
{
    return std::shared_ptr<NSBundle>(new NSBundle(path));
}

std::optional<std::string> NSBundle::pathForResourceOfType(std::string_view name, std::string_view type) const
{
    if (!NSPathIsSafeComponent(name) || (!type.empty() && !NSPathIsSafeComponent(type)))
        return std::nullopt;
    std::string file(name);
    if (!type.empty())
        file += "." + std::string(type);

    std::vector<std::string> folders { m_path };
    for (const auto& language : AppEnvironment::preferredLanguages()) {
        if (NSPathIsSafeComponent(language))
            folders.push_back(m_path + "/" + language + ".lproj");
    }
    folders.push_back(m_path + "/Base.lproj");
    folders.push_back(m_path + "/en.lproj");
    for (const auto& folder : folders) {
        std::string candidate = folder + "/" + file;
        struct stat st { };
        if (::stat(candidate.c_str(), &st) == 0)
            return candidate;
    }
    return std::nullopt;
}

Value NSBundle::objectForInfoDictionaryKey(std::string_view key) const { return m_info[key]; }

std::optional<std::string> NSBundle::bundleIdentifier() const
{
    const Value& identifier = m_info["CFBundleIdentifier"];
    if (!identifier.isString() || identifier.stringValue().empty())
        return std::nullopt;
    return identifier.stringValue();
}

std::optional<ValueDictionary> NSBundle::parseStringsText(std::string_view text) { return StringsParser(text).parse(); }

const ValueDictionary& NSBundle::stringTable(const std::string& table) const
{
    // Called with m_lock held. A table that is missing or malformed is
    // remembered as empty, so every key of it answers its fallback.
    auto found = m_tables.find(table);
    if (found != m_tables.end())
        return found->second;
    ValueDictionary entries = emptyDictionary();
    if (auto path = pathForResourceOfType(table, "strings")) {
        if (auto bytes = NSFileManager::defaultManager().contentsAtPath(*path)) {
            if (looksLikePropertyList(*bytes)) {
                entries = PropertyList::propertyListWithData(*bytes).dictionaryValue();
            } else if (auto parsed = parseStringsText(textOfTable(*bytes))) {
                entries = std::move(*parsed);
            }
        }
    }
    return m_tables.emplace(table, std::move(entries)).first->second;
}

std::string NSBundle::localizedStringForKeyValueTable(
    std::string_view key, std::optional<std::string_view> value, std::optional<std::string_view> table) const
{
    std::string tableName = table && !table->empty() ? std::string(*table) : std::string("Localizable");
    {
        std::lock_guard guard(m_lock);
        const Value& entry = stringTable(tableName)[key];
        if (entry.isString())
            return entry.stringValue();
    }
    if (value && !value->empty())
        return std::string(*value);
    return std::string(key);
}
