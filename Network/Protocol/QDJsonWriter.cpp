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
#include <memory>
#include <vector>

namespace {

// The first byte from `p` on that needs escaping, or `end`.
inline const char* findEscape(const char* p, const char* end) { return QDJsonText::findStringStop(p, end); }

// The first piece of the output; each next one is twice the last, up to the
// largest, so a small text is one piece and a large one a few.
constexpr size_t kFirstPiece = 4096;
constexpr size_t kLargestPiece = 1024 * 1024;

}  // namespace

// The text being written, gathered in pieces and made into one string at the
// end: the string is made once, at its final size, without a pass over the
// value to learn that size first.
class QDJsonWriter::Output {
public:
    Output() { newPiece(0); }
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
        m_pieces.back().used = static_cast<size_t>(m_next - m_pieces.back().data.get());
        size_t total = 0;
        for (const Piece& piece : m_pieces)
            total += piece.used;
        std::string text;
        text.reserve(total);
        for (const Piece& piece : m_pieces)
            text.append(piece.data.get(), piece.used);
        return text;
    }

private:
    struct Piece {
        std::unique_ptr<char[]> data;
        size_t size = 0;
        size_t used = 0;
    };
    std::vector<Piece> m_pieces;
    char* m_next = nullptr;
    char* m_end = nullptr;

    void makeRoom(size_t size)
    {
        if (static_cast<size_t>(m_end - m_next) < size) [[unlikely]]
            newPiece(size);
    }
    // A write never spans two pieces: one that does not fit starts the next.
    [[gnu::noinline]] void newPiece(size_t size)
    {
        size_t room = kFirstPiece;
        if (!m_pieces.empty()) {
            Piece& last = m_pieces.back();
            last.used = static_cast<size_t>(m_next - last.data.get());
            room = std::min(2 * last.size, kLargestPiece);
        }
        room = std::max(room, size);
        m_pieces.push_back({ std::make_unique_for_overwrite<char[]>(room), room, 0 });
        m_next = m_pieces.back().data.get();
        m_end = m_next + room;
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
    Output out;
    if (!appendValue(value, out))
        return std::nullopt;
    return out.finish();
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
