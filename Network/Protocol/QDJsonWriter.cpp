#include "Network/Protocol/QDJsonWriter.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NumberParsing.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

struct EscapeTable {
    bool escape[256] {};
    constexpr EscapeTable()
    {
        for (int i = 0; i < 32; ++i)
            escape[i] = true;
        escape[static_cast<unsigned char>('"')] = true;
        escape[static_cast<unsigned char>('\\')] = true;
    }
};
constexpr EscapeTable kEscape;

}  // namespace

const char* QDJsonClassName(const Value& value)
{
    switch (value.type()) {
    case Value::Type::Null: return "NSNull";
    case Value::Type::Bool:
    case Value::Type::Integer:
    case Value::Type::Real: return "NSNumber";
    case Value::Type::String: return "NSString";
    case Value::Type::Date: return "NSDate";
    case Value::Type::Data: return "NSData";
    case Value::Type::Array: return "NSArray";
    case Value::Type::Dictionary: return "NSDictionary";
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
    std::string out;
    out.reserve(128);
    if (!appendValue(value, out))
        return std::nullopt;
    return out;
}

void QDJsonWriter::appendIndent(std::string& out)
{
    out += '\n';
    out.append(2 * static_cast<size_t>(m_depth), ' ');
}

bool QDJsonWriter::appendValue(const Value& value, std::string& out)
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

bool QDJsonWriter::appendDictionary(const Value& value, std::string& out)
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
            addErrorWithCodeDescription(QDJsonErrorUnsupported,
                stringWithFormat("Unsupported value for key %@ in object", entry.first));
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

bool QDJsonWriter::appendArray(const Value& value, std::string& out)
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

void QDJsonWriter::appendString(std::string_view text, std::string& out)
{
    out += '"';
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* run = p;
        while (p < end && !kEscape.escape[static_cast<unsigned char>(*p)])
            ++p;
        out.append(run, static_cast<size_t>(p - run));
        if (p == end)
            break;
        unsigned char ch = static_cast<unsigned char>(*p++);
        switch (ch) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\f': out += "\\f"; break;
        case '\r': out += "\\r"; break;
        default: {
            static const char hex[] = "0123456789abcdef";
            char buffer[6] = { '\\', 'u', '0', '0', hex[ch >> 4], hex[ch & 0xF] };
            out.append(buffer, 6);
        }
        }
    }
    out += '"';
}

bool QDJsonWriter::appendNumber(const Value& value, std::string& out)
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
