#include "Network/Protocol/QDJsonParser.h"

#include "Network/Protocol/QDJsonText.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/TextEncoding.h"
#include "Platform/Foundation/ValueArena.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <span>
#include <limits>

namespace {

using QDJsonText::findStringStop;

// The C locale's white space.
inline bool isSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r'; }

inline bool isDigit(char ch) { return ch >= '0' && ch <= '9'; }

// Keys this short are held inside the key and need no sharing.
constexpr size_t kInlineKey = 7;
constexpr size_t kKeySlots = 512;
constexpr size_t kKeyProbes = 8;

}  // namespace

std::optional<Value> QDJsonParser::objectWithString(std::optional<std::string_view> text)
{
    auto value = fragmentWithString(text);
    if (!value)
        return std::nullopt;
    if (!value->isDictionary() && !value->isArray()) {
        addErrorWithCodeDescription(QDJsonErrorFragment, "Valid fragment, but not JSON");
        return std::nullopt;
    }
    return value;
}

std::optional<Value> QDJsonParser::fragmentWithString(std::optional<std::string_view> text)
{
    m_reader = nullptr;
    return parse(text);
}

std::optional<Value> QDJsonParser::objectReadingArray(
    std::optional<std::string_view> text, std::string_view member, ArrayReader& reader)
{
    // Only an object has members: anything else is refused before a reader
    // could be called.
    if (text) {
        size_t first = 0;
        while (first < text->size() && isSpace((*text)[first]))
            ++first;
        if (first == text->size() || (*text)[first] != '{') {
            clearErrorTrace();
            addErrorWithCodeDescription(QDJsonErrorFragment, "Valid fragment, but not JSON");
            return std::nullopt;
        }
    }
    m_readMember = member;
    m_reader = &reader;
    m_readMemberSeen = false;
    auto value = parse(text);
    m_reader = nullptr;
    return value;
}

std::optional<Value> QDJsonParser::parse(std::optional<std::string_view> text)
{
    clearErrorTrace();
    if (!text) {
        addErrorWithCodeDescription(QDJsonErrorInput, "Input was 'nil'");
        return std::nullopt;
    }
    m_depth = 0;
    m_elements.clear();
    m_entries.clear();
    m_keys.assign(kKeySlots, SharedKey());
    // The text is read as a C string: it ends at its first zero byte.
    std::string_view bytes = *text;
    if (const void* nul = std::memchr(bytes.data(), 0, bytes.size()))
        bytes = bytes.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - bytes.data()));
    c = bytes.data();
    m_end = bytes.data() + bytes.size();

    // The tree's nodes are made from chunks: a node costs a pointer bump, and
    // freeing the tree returns a chunk at a time.
    ValueArena arena;
    std::optional<Value> value;
    bool ok = scanValue(nullptr);
    if (ok) {
        value = std::move(m_elements.front());
        skipWhitespace();
        if (!atEnd()) {
            addErrorWithCodeDescription(QDJsonErrorGarbage, "Garbage after JSON");
            ok = false;
        }
    }
    c = m_end = nullptr;
    m_elements.clear();
    m_entries.clear();
    m_keys.clear();  // the shared keys belong to the tree from here on
    if (!ok)
        return std::nullopt;
    return value;
}

template <typename... Args> void QDJsonParser::place(ValueKey* key, Args&&... args)
{
    if (key)
        m_entries.emplace(std::piecewise_construct, std::forward_as_tuple(std::move(*key)),
            std::forward_as_tuple(std::forward<Args>(args)...));
    else
        m_elements.emplace(std::forward<Args>(args)...);
}

void QDJsonParser::skipWhitespace()
{
    while (c < m_end && isSpace(*c))
        ++c;
}

bool QDJsonParser::scanValue(ValueKey* key)
{
    skipWhitespace();
    if (atEnd()) {
        addErrorWithCodeDescription(QDJsonErrorEnd, "Unexpected end of string");
        return false;
    }
    char ch = *c++;
    switch (ch) {
    case '"': {
        std::string_view s;
        if (!scanRestOfString(s))
            return false;
        place(key, s);
        return true;
    }
    case '{':
        return scanRestOfDictionary(key);
    case '[':
        return scanRestOfArray(key);
    case 't':
        if (!scanLiteral("rue", 3, "Expected 'true'"))
            return false;
        place(key, true);
        return true;
    case 'f':
        if (!scanLiteral("alse", 4, "Expected 'false'"))
            return false;
        place(key, false);
        return true;
    case 'n':
        if (!scanLiteral("ull", 3, "Expected 'null'"))
            return false;
        place(key);
        return true;
    case '+':
        addErrorWithCodeDescription(QDJsonErrorNumber, "Leading + disallowed in number");
        return false;
    default:
        if (ch == '-' || isDigit(ch)) {
            --c;
            return scanNumber(key);
        }
        addErrorWithCodeDescription(QDJsonErrorParse, "Unrecognised leading character");
        return false;
    }
}

bool QDJsonParser::scanLiteral(const char* rest, size_t length, const char* error)
{
    if (static_cast<size_t>(m_end - c) >= length && std::memcmp(c, rest, length) == 0) {
        c += length;
        return true;
    }
    addErrorWithCodeDescription(QDJsonErrorParse, error);
    return false;
}

template <typename Take> bool QDJsonParser::scanElements(Take take)
{
    size_t index = 0;
    while (!atEnd()) {
        skipWhitespace();
        if (!atEnd() && *c == ']') {
            ++c;
            leaveLevel();
            return true;
        }
        if (!take(index++))
            return false;
        skipWhitespace();
        if (!atEnd() && *c == ',') {
            ++c;
            skipWhitespace();
            if (!atEnd() && *c == ']') {
                addErrorWithCodeDescription(QDJsonErrorTrailingComma, "Trailing comma disallowed in array");
                return false;
            }
        }
    }
    addErrorWithCodeDescription(QDJsonErrorEnd, "End of input while parsing array");
    return false;
}

bool QDJsonParser::scanRestOfArray(ValueKey* key)
{
    if (!enterLevel())
        return false;
    const size_t base = m_elements.size();
    const bool read = scanElements([&](size_t) {
        if (scanValue(nullptr))
            return true;
        addErrorWithCodeDescription(QDJsonErrorParse, "Expected value while parsing array");
        return false;
    });
    if (!read)
        return false;
    const std::span<Value> elements = m_elements.from(base);
    m_elements.taken(base);
    ValueArray array = ValueArray::relocatingFrom(elements);
    place(key, std::move(array));
    return true;
}

bool QDJsonParser::scanReadArray(ValueKey* key)
{
    if (m_readMemberSeen) {
        addErrorWithCodeDescription(QDJsonErrorParse, "Member read element by element appears twice");
        return false;
    }
    m_readMemberSeen = true;
    skipWhitespace();
    if (atEnd() || *c != '[')
        return scanValue(key);
    ++c;
    if (!enterLevel())
        return false;
    ArrayReader& reader = *m_reader;
    // Each element is read on top of the elements being gathered and handed
    // over from there, then freed before the next is read.
    auto handOver = [&](auto&& give) {
        Value value = m_elements.takeLast();
        if (give(value))
            return true;
        addErrorWithCodeDescription(QDJsonErrorParse, "Element refused by its reader");
        return false;
    };
    size_t count = 0;
    const bool read = scanElements([&](size_t index) {
        count = index + 1;
        if (!atEnd() && *c == '[' && reader.readsElementwise(index)) {
            ++c;
            if (!enterLevel())
                return false;
            return scanElements([&](size_t) {
                if (!scanValue(nullptr)) {
                    addErrorWithCodeDescription(QDJsonErrorParse, "Expected value while parsing array");
                    return false;
                }
                return handOver([&](const Value& value) { return reader.element(index, value); });
            });
        }
        if (!scanValue(nullptr)) {
            addErrorWithCodeDescription(QDJsonErrorParse, "Expected value while parsing array");
            return false;
        }
        return handOver([&](const Value& value) { return reader.whole(index, value); });
    });
    if (!read)
        return false;
    reader.ended(count);
    // The member is left out of the object: its elements went to the reader.
    return true;
}

bool QDJsonParser::scanRestOfDictionary(ValueKey* key)
{
    if (!enterLevel())
        return false;
    const size_t base = m_entries.size();
    while (!atEnd()) {
        skipWhitespace();
        if (!atEnd() && *c == '}') {
            ++c;
            leaveLevel();
            const std::span<ValueDictionary::Entry> entries = m_entries.from(base);
            m_entries.taken(base);
            ValueDictionary dictionary = ValueDictionary::relocatingEntries(entries);
            place(key, std::move(dictionary));
            return true;
        }
        if (atEnd() || *c != '"') {
            addErrorWithCodeDescription(QDJsonErrorParse, "Object key string expected");
            return false;
        }
        ++c;
        std::string_view keyText;
        if (!scanRestOfString(keyText)) {
            addErrorWithCodeDescription(QDJsonErrorParse, "Object key string expected");
            return false;
        }
        // Made now: the value's own strings reuse the buffer the key text may view.
        ValueKey entryKey = keyFor(keyText);
        skipWhitespace();
        if (atEnd() || *c != ':') {
            addErrorWithCodeDescription(QDJsonErrorParse, "Expected ':' separating key and value");
            return false;
        }
        ++c;
        const bool readByReader = m_reader && m_depth == 1 && entryKey == m_readMember;
        if (!(readByReader ? scanReadArray(&entryKey) : scanValue(&entryKey))) {
            addErrorWithCodeDescription(
                QDJsonErrorParse, stringWithFormat("Object value expected for key: %@", entryKey));
            return false;
        }
        skipWhitespace();
        if (!atEnd() && *c == ',') {
            ++c;
            skipWhitespace();
            if (!atEnd() && *c == '}') {
                addErrorWithCodeDescription(QDJsonErrorTrailingComma, "Trailing comma disallowed in object");
                return false;
            }
        }
    }
    addErrorWithCodeDescription(QDJsonErrorEnd, "End of input while parsing object");
    return false;
}

ValueKey QDJsonParser::keyFor(std::string_view text)
{
    if (text.size() <= kInlineKey)
        return ValueKey(text);
    // A shared key is eight bytes or more: its first and last eight bytes and
    // its size tell the keys of a reply apart, and cost two loads, not a loop.
    uint64_t head;
    uint64_t tail;
    std::memcpy(&head, text.data(), 8);
    std::memcpy(&tail, text.data() + text.size() - 8, 8);
    uint64_t h = (head * 0x9E3779B97F4A7C15ull) ^ (std::rotl(tail, 29) * 0xC2B2AE3D27D4EB4Full) ^ text.size();
    h ^= h >> 31;
    // A few probes find a key that collided; past them, or once the table is
    // full, the key is made on its own and nothing is kept.
    size_t slot = static_cast<size_t>(h ^ (h >> 32));
    for (size_t probe = 0; probe < kKeyProbes; ++probe, ++slot) {
        SharedKey& shared = m_keys[slot & (kKeySlots - 1)];
        if (!shared.size) {
            shared = { head, tail, text.size(), ValueKey::lasting(text) };
            return shared.key;
        }
        if (shared.head == head && shared.tail == tail && shared.size == text.size()
            && (text.size() <= 16 || std::memcmp(shared.key.view().data() + 8, text.data() + 8, text.size() - 16) == 0))
            return shared.key;
    }
    return ValueKey(text);
}

bool QDJsonParser::scanRestOfString(std::string_view& out)
{
    // Most strings have no escape: they are read where they stand.
    const char* run = c;
    c = findStringStop(c, m_end);
    if (c < m_end && *c == '"') {
        out = std::string_view(run, static_cast<size_t>(c - run));
        ++c;
        return true;
    }
    // The rest is gathered in a buffer that keeps its room between strings.
    std::string& text = m_text;
    text.assign(run, static_cast<size_t>(c - run));
    while (!atEnd()) {
        char ch = *c;
        if (ch == '"') {
            ++c;
            out = text;
            return true;
        }
        if (ch != '\\')
            break;
        ++c;
        // A backslash at the very end reads the terminating zero as its escape letter.
        char escape = atEnd() ? '\0' : *c++;
        switch (escape) {
        case '"':
        case '\\':
        case '/':
            text += escape;
            break;
        case 'b':
            text += '\b';
            break;
        case 'f':
            text += '\f';
            break;
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        case 't':
            text += '\t';
            break;
        case 'u':
            if (!scanUnicodeChar(text)) {
                addErrorWithCodeDescription(QDJsonErrorUnicode, "Broken unicode character");
                return false;
            }
            break;
        default:
            addErrorWithCodeDescription(QDJsonErrorEscape,
                stringWithFormat(
                    "Illegal escape sequence '0x%x'", static_cast<unsigned>(static_cast<unsigned char>(escape))));
            return false;
        }
        if (atEnd()) {
            addErrorWithCodeDescription(QDJsonErrorEnd, "Unexpected EOF while parsing string");
            return false;
        }
        run = c;
        c = findStringStop(c, m_end);
        text.append(run, static_cast<size_t>(c - run));
    }
    unsigned bad = atEnd() ? 0 : static_cast<unsigned char>(*c);
    addErrorWithCodeDescription(QDJsonErrorControl, stringWithFormat("Unescaped control character '0x%x'", bad));
    return false;
}

bool QDJsonParser::scanHexQuad(unsigned& out)
{
    out = 0;
    for (int i = 0; i < 4; ++i) {
        if (atEnd()) {
            addErrorWithCodeDescription(QDJsonErrorUnicode, "Missing hex digit in quad");
            return false;
        }
        char ch = *c;
        unsigned digit;
        if (ch >= '0' && ch <= '9')
            digit = static_cast<unsigned>(ch - '0');
        else if (ch >= 'a' && ch <= 'f')
            digit = static_cast<unsigned>(ch - 'a' + 10);
        else if (ch >= 'A' && ch <= 'F')
            digit = static_cast<unsigned>(ch - 'A' + 10);
        else {
            addErrorWithCodeDescription(QDJsonErrorUnicode, "Missing hex digit in quad");
            return false;
        }
        ++c;
        out = out * 16 + digit;
    }
    return true;
}

bool QDJsonParser::scanUnicodeChar(std::string& out)
{
    unsigned high;
    if (!scanHexQuad(high)) {
        addErrorWithCodeDescription(QDJsonErrorUnicode, "Missing hex quad");
        return false;
    }
    if (high >= 0xDC00 && high <= 0xDFFF) {
        addErrorWithCodeDescription(QDJsonErrorUnicode, "Invalid high character in surrogate pair");
        return false;
    }
    if (high < 0xD800 || high > 0xDFFF) {
        TextEncoding::appendUTF8(out, high);
        return true;
    }
    if (m_end - c < 2 || c[0] != '\\' || c[1] != 'u') {
        addErrorWithCodeDescription(QDJsonErrorUnicode, "Missing low character in surrogate pair");
        return false;
    }
    c += 2;
    unsigned low;
    if (!scanHexQuad(low)) {
        addErrorWithCodeDescription(QDJsonErrorUnicode, "Missing hex quad");
        return false;
    }
    if (low < 0xDC00 || low > 0xDFFF) {
        addErrorWithCodeDescription(QDJsonErrorUnicode, "Invalid low surrogate char");
        return false;
    }
    TextEncoding::appendUTF8(out, 0x10000 + (high - 0xD800) * 0x400 + (low - 0xDC00));
    return true;
}

bool QDJsonParser::scanNumber(ValueKey* key)
{
    const char* start = c;
    bool negative = false;
    if (*c == '-') {
        negative = true;
        ++c;
        if (atEnd() || !isDigit(*c)) {
            addErrorWithCodeDescription(QDJsonErrorNumber, "No digits after initial minus");
            return false;
        }
    }
    if (*c == '0') {
        ++c;
        if (!atEnd() && isDigit(*c)) {
            addErrorWithCodeDescription(QDJsonErrorNumber, "Leading 0 disallowed in number");
            return false;
        }
    } else {
        while (!atEnd() && isDigit(*c))
            ++c;
    }
    const char* integerEnd = c;
    bool isInteger = true;
    if (!atEnd() && *c == '.') {
        isInteger = false;
        ++c;
        if (atEnd() || !isDigit(*c)) {
            addErrorWithCodeDescription(QDJsonErrorNumber, "No digits after decimal point");
            return false;
        }
        while (!atEnd() && isDigit(*c))
            ++c;
    }
    if (!atEnd() && (*c == 'e' || *c == 'E')) {
        isInteger = false;
        ++c;
        if (!atEnd() && (*c == '+' || *c == '-'))
            ++c;
        if (atEnd() || !isDigit(*c)) {
            addErrorWithCodeDescription(QDJsonErrorNumber, "No digits after exponent");
            return false;
        }
        while (!atEnd() && isDigit(*c))
            ++c;
    }

    if (isInteger) {
        const char* digits = negative ? start + 1 : start;
        size_t count = static_cast<size_t>(integerEnd - digits);
        if (count <= 18) {
            int64_t v = 0;
            for (const char* d = digits; d < integerEnd; ++d)
                v = v * 10 + (*d - '0');
            // "-0" keeps its sign, which only a decimal can hold.
            if (negative && v == 0)
                place(key, Value::decimal("-0"));
            else
                place(key, static_cast<long long>(negative ? -v : v));
            return true;
        }
        if (negative) {
            long long v;
            auto [end, ec] = std::from_chars(start, integerEnd, v);
            if (ec == std::errc() && end == integerEnd) {
                place(key, v);
                return true;
            }
        } else {
            unsigned long long u;
            auto [end, ec] = std::from_chars(start, integerEnd, u);
            if (ec == std::errc() && end == integerEnd) {
                if (u <= static_cast<unsigned long long>(std::numeric_limits<long long>::max()))
                    place(key, static_cast<long long>(u));
                else
                    place(key, u);
                return true;
            }
        }
    }
    // Fractions, exponents and integers past 64 bits are decimal numbers kept
    // as their text, so they are written back with every digit; one too large
    // for a double is refused rather than read as infinity.
    Value number = Value::decimal(std::string_view(start, static_cast<size_t>(c - start)));
    if (!std::isfinite(number.doubleValue())) {
        addErrorWithCodeDescription(QDJsonErrorNumber, "Failed creating decimal instance");
        return false;
    }
    place(key, std::move(number));
    return true;
}
