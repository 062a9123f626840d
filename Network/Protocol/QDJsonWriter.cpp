#include "Network/Protocol/QDJsonWriter.h"

#include "Network/Protocol/QDJsonText.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NumberParsing.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// The first byte from `p` on that needs escaping, or `end`.
inline const char* findEscape(const char* p, const char* end) { return QDJsonText::findStringStop(p, end); }

// The written length of a text: its bytes, its quotes, and what escapes add.
size_t stringLength(std::string_view text)
{
    size_t length = text.size() + 2;
    const char* p = text.data();
    const char* end = p + text.size();
    while ((p = findEscape(p, end)) < end) {
        switch (*p++) {
        case '"':
        case '\\':
        case '\b':
        case '\t':
        case '\n':
        case '\f':
        case '\r':
            length += 1;
            break;
        default:
            length += 5;
        }
    }
    return length;
}

size_t integerLength(const Value& value)
{
    char buffer[32];
    std::to_chars_result r = value.isUnsigned()
        ? std::to_chars(buffer, buffer + sizeof buffer, value.unsignedLongLongValue())
        : std::to_chars(buffer, buffer + sizeof buffer, value.longLongValue());
    return static_cast<size_t>(r.ptr - buffer);
}

}  // namespace

// The text being written. Its room is made once, from the value's length;
// every write still checks it, so a short guess regrows rather than overruns.
class QDJsonWriter::Output {
public:
    explicit Output(size_t room)
    {
        m_text.resize(room);
        m_next = m_text.data();
        m_end = m_next + room;
    }
    void operator+=(char ch)
    {
        makeRoom(1);
        *m_next++ = ch;
    }
    void operator+=(std::string_view text) { append(text.data(), text.size()); }
    void operator+=(const char* text) { append(text, std::strlen(text)); }
    void append(const char* text, size_t size)
    {
        makeRoom(size);
        std::memcpy(m_next, text, size);
        m_next += size;
    }
    void append(const char* first, const char* last) { append(first, static_cast<size_t>(last - first)); }
    void append(size_t count, char ch)
    {
        makeRoom(count);
        std::memset(m_next, ch, count);
        m_next += count;
    }
    std::string finish()
    {
        m_text.resize(static_cast<size_t>(m_next - m_text.data()));
        return std::move(m_text);
    }

private:
    std::string m_text;
    char* m_next = nullptr;
    char* m_end = nullptr;

    void makeRoom(size_t size)
    {
        if (static_cast<size_t>(m_end - m_next) < size) [[unlikely]]
            grow(size);
    }
    [[gnu::noinline]] void grow(size_t size)
    {
        const size_t used = static_cast<size_t>(m_next - m_text.data());
        m_text.resize(std::max(2 * m_text.size(), used + size));
        m_next = m_text.data() + used;
        m_end = m_text.data() + m_text.size();
    }
};

const char* QDJsonClassName(const Value& value)
{
    switch (value.type()) {
    case Value::Type::Null:
        return "NSNull";
    case Value::Type::Bool:
    case Value::Type::Integer:
    case Value::Type::Real:
        return "NSNumber";
    case Value::Type::String:
        return "NSString";
    case Value::Type::Date:
        return "NSDate";
    case Value::Type::Data:
        return "NSData";
    case Value::Type::Array:
        return "NSArray";
    case Value::Type::Dictionary:
        return "NSDictionary";
    }
    return "NSObject";
}

std::optional<std::string> QDJsonWriter::stringWithObject(const Value& value)
{
    if (!value.isDictionary() && !value.isArray()) {
        clearErrorTrace();
        addErrorWithCodeDescription(QDJsonErrorFragment, "Not valid type for JSON");
        return std::nullopt;
    }
    return stringWithFragment(value);
}

std::optional<std::string> QDJsonWriter::stringWithFragment(const Value& value)
{
    clearErrorTrace();
    m_depth = 0;
    Output out(textLength(value, 0));
    if (!appendValue(value, out))
        return std::nullopt;
    return out.finish();
}

size_t QDJsonWriter::textLength(const Value& value, unsigned depth) const
{
    switch (value.type()) {
    case Value::Type::Dictionary:
    case Value::Type::Array: {
        // Past the nesting limit the write itself fails; the guess stops here.
        const unsigned limit = maxDepth();
        if (++depth > (limit && limit < kDeepestNesting ? limit : kDeepestNesting))
            return 0;
        const bool isDictionary = value.isDictionary();
        const size_t count = value.count();
        // The brackets, the commas between elements, and each element's indent.
        size_t length = 2 + (count ? count - 1 : 0);
        if (m_humanReadable && count)
            length += count * (1 + 2 * static_cast<size_t>(depth)) + 1 + 2 * static_cast<size_t>(depth - 1);
        if (isDictionary) {
            for (const auto& entry : value.dictionaryValue().entries())
                length += stringLength(entry.first) + (m_humanReadable ? 3 : 1) + textLength(entry.second, depth);
        } else {
            for (const Value& item : value.arrayValue())
                length += textLength(item, depth);
        }
        return length;
    }
    case Value::Type::String:
        return stringLength(*value.stringView());
    case Value::Type::Bool:
    case Value::Type::Integer:
        if (value.isBool() || value.numberKind() == Value::NumberKind::Char)
            return value.boolValue() ? 4 : 5;
        return integerLength(value);
    case Value::Type::Real:
        if (auto decimal = value.decimalText())
            return decimal->size();
        return 32;
    case Value::Type::Null:
        return 4;
    default:
        return 0;
    }
}

void QDJsonWriter::appendIndent(Output& out)
{
    out += '\n';
    out.append(2 * static_cast<size_t>(m_depth), ' ');
}

bool QDJsonWriter::appendValue(const Value& value, Output& out)
{
    switch (value.type()) {
    case Value::Type::Dictionary:
        return appendDictionary(value, out);
    case Value::Type::Array:
        return appendArray(value, out);
    case Value::Type::String:
        appendString(*value.stringView(), out);
        return true;
    case Value::Type::Bool:
    case Value::Type::Integer:
    case Value::Type::Real:
        return appendNumber(value, out);
    case Value::Type::Null:
        out += "null";
        return true;
    default:
        addErrorWithCodeDescription(QDJsonErrorUnsupported,
            stringWithFormat("JSON serialisation not supported for %@", QDJsonClassName(value)));
        return false;
    }
}

bool QDJsonWriter::appendDictionary(const Value& value, Output& out)
{
    if (!enterLevel())
        return false;
    out += '{';
    const auto& entries = value.dictionaryValue().entries();
    bool first = true;
    auto appendEntry = [&](const ValueDictionary::Entry& entry) {
        if (!first)
            out += ',';
        first = false;
        if (m_humanReadable)
            appendIndent(out);
        appendString(entry.first, out);
        out += m_humanReadable ? " : " : ":";
        if (!appendValue(entry.second, out)) {
            addErrorWithCodeDescription(
                QDJsonErrorUnsupported, stringWithFormat("Unsupported value for key %@ in object", entry.first));
            return false;
        }
        return true;
    };
    if (m_sortKeys) {
        std::vector<const ValueDictionary::Entry*> order;
        order.reserve(entries.size());
        for (const auto& entry : entries)
            order.push_back(&entry);
        std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->first < b->first; });
        for (const auto* entry : order) {
            if (!appendEntry(*entry))
                return false;
        }
    } else {
        for (const auto& entry : entries) {
            if (!appendEntry(entry))
                return false;
        }
    }
    leaveLevel();
    if (m_humanReadable && !entries.empty())
        appendIndent(out);
    out += '}';
    return true;
}

bool QDJsonWriter::appendArray(const Value& value, Output& out)
{
    if (!enterLevel())
        return false;
    out += '[';
    const auto& items = value.arrayValue();
    bool first = true;
    for (const Value& item : items) {
        if (!first)
            out += ',';
        first = false;
        if (m_humanReadable)
            appendIndent(out);
        if (!appendValue(item, out))
            return false;
    }
    leaveLevel();
    if (m_humanReadable && !items.empty())
        appendIndent(out);
    out += ']';
    return true;
}

void QDJsonWriter::appendString(std::string_view text, Output& out)
{
    out += '"';
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* run = p;
        p = findEscape(p, end);
        out.append(run, static_cast<size_t>(p - run));
        if (p == end)
            break;
        unsigned char ch = static_cast<unsigned char>(*p++);
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\r':
            out += "\\r";
            break;
        default: {
            static const char hex[] = "0123456789abcdef";
            char buffer[6] = { '\\', 'u', '0', '0', hex[ch >> 4], hex[ch & 0xF] };
            out.append(buffer, 6);
        }
        }
    }
    out += '"';
}

bool QDJsonWriter::appendNumber(const Value& value, Output& out)
{
    if (value.isBool() || (value.isInteger() && value.numberKind() == Value::NumberKind::Char)) {
        out += value.boolValue() ? "true" : "false";
        return true;
    }
    char buffer[32];
    if (value.isInteger()) {
        std::to_chars_result r = value.isUnsigned()
            ? std::to_chars(buffer, buffer + sizeof buffer, value.unsignedLongLongValue())
            : std::to_chars(buffer, buffer + sizeof buffer, value.longLongValue());
        out.append(buffer, r.ptr);
        return true;
    }
    // Infinity and NaN have no JSON form; writing them would make text no parser accepts.
    if (!std::isfinite(value.doubleValue())) {
        addErrorWithCodeDescription(QDJsonErrorUnsupported,
            stringWithFormat("JSON serialisation not supported for %@", QDJsonClassName(value)));
        return false;
    }
    if (auto decimal = value.decimalText())
        out += *decimal;  // as it was read, every digit kept
    else if (value.numberKind() == Value::NumberKind::Float)
        out += NumberParsing::text(value.floatValue(), buffer);
    else
        out += NumberParsing::text(value.doubleValue(), buffer);
    return true;
}
