#include "Platform/Foundation/Format.h"

#include "Platform/Foundation/TextEncoding.h"
#include "Platform/Foundation/NumberParsing.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

struct Directive {
    std::string flags;
    int width = -1;
    int precision = -1;
    bool leftAlign = false;
    enum class Length { None, Char, Short, Long, LongLong, Size } length = Length::None;
    char conversion = 0;
};

// An argument's number as a signed integer of its own width: a real is cut
// toward zero, a text or an object reads its number, a pointer its address.
int64_t signedOf(const FormatArg& arg)
{
    switch (arg.kind()) {
    case FormatArg::Kind::Signed:
        return arg.signedValue();
    case FormatArg::Kind::Unsigned: {
        // Same-width reinterpretation, as printf reads an unsigned as signed.
        uint64_t u = arg.unsignedValue();
        switch (arg.byteWidth()) {
        case 1:
            return static_cast<int8_t>(u);
        case 2:
            return static_cast<int16_t>(u);
        case 4:
            return static_cast<int32_t>(u);
        default:
            return static_cast<int64_t>(u);
        }
    }
    case FormatArg::Kind::Real: {
        double d = arg.realValue();
        if (d != d)
            return 0;
        if (d >= 9223372036854775807.0)
            return INT64_MAX;
        if (d <= -9223372036854775808.0)
            return INT64_MIN;
        return static_cast<int64_t>(d);
    }
    case FormatArg::Kind::Text:
        return NumberParsing::longLongValue(arg.textValue());
    case FormatArg::Kind::Object:
        return arg.objectValue()->longLongValue();
    case FormatArg::Kind::Pointer:
        return static_cast<int64_t>(reinterpret_cast<uintptr_t>(arg.pointerValue()));
    }
    return 0;
}

// The bits an unsigned conversion shows: a negative integer shows at its own
// width (an int -1 is ffffffff, as C prints it).
uint64_t unsignedOf(const FormatArg& arg)
{
    switch (arg.kind()) {
    case FormatArg::Kind::Unsigned:
        return arg.unsignedValue();
    case FormatArg::Kind::Signed: {
        int64_t v = arg.signedValue();
        switch (arg.byteWidth()) {
        case 1:
            return static_cast<uint8_t>(v);
        case 2:
            return static_cast<uint16_t>(v);
        case 4:
            return static_cast<uint32_t>(v);
        default:
            return static_cast<uint64_t>(v);
        }
    }
    case FormatArg::Kind::Object:
        if (arg.objectValue()->isUnsigned())
            return arg.objectValue()->unsignedLongLongValue();
        return static_cast<uint64_t>(arg.objectValue()->longLongValue());
    case FormatArg::Kind::Pointer:
        return reinterpret_cast<uintptr_t>(arg.pointerValue());
    default:
        return static_cast<uint64_t>(signedOf(arg));
    }
}

double realOf(const FormatArg& arg)
{
    switch (arg.kind()) {
    case FormatArg::Kind::Real:
        return arg.realValue();
    case FormatArg::Kind::Signed:
        return static_cast<double>(arg.signedValue());
    case FormatArg::Kind::Unsigned:
        return static_cast<double>(arg.unsignedValue());
    case FormatArg::Kind::Text:
        return NumberParsing::doubleValue(arg.textValue());
    case FormatArg::Kind::Object:
        return arg.objectValue()->doubleValue();
    case FormatArg::Kind::Pointer:
        return static_cast<double>(reinterpret_cast<uintptr_t>(arg.pointerValue()));
    }
    return 0;
}

std::string pointerText(const void* p)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(p));
    return buffer;
}

// What %@ shows: an object's description, a text as itself, a number as the
// platform's number object would describe it.
std::string objectText(const FormatArg& arg)
{
    switch (arg.kind()) {
    case FormatArg::Kind::Object:
        return arg.objectValue()->description();
    case FormatArg::Kind::Text:
        return std::string(arg.textValue());
    case FormatArg::Kind::Signed:
        return Value(static_cast<long long>(arg.signedValue())).description();
    case FormatArg::Kind::Unsigned:
        return Value(static_cast<unsigned long long>(arg.unsignedValue())).description();
    case FormatArg::Kind::Real:
        // A float describes itself by its own shortest digits ("75.3", not 75.30000305...).
        if (arg.byteWidth() == 4)
            return Value(static_cast<float>(arg.realValue())).description();
        return Value(arg.realValue()).description();
    case FormatArg::Kind::Pointer:
        return arg.pointerValue() ? pointerText(arg.pointerValue()) : "(null)";
    }
    return {};
}

size_t utf8Length(std::string_view s)
{
    size_t n = 0;
    for (char c : s)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

void appendPadded(std::string& out, std::string_view text, const Directive& directive, size_t length)
{
    size_t pad = directive.width > 0 && static_cast<size_t>(directive.width) > length
        ? static_cast<size_t>(directive.width) - length
        : 0;
    if (!directive.leftAlign)
        out.append(pad, ' ');
    out += text;
    if (directive.leftAlign)
        out.append(pad, ' ');
}

// Cuts a text to at most `count` characters without splitting one.
std::string_view utf8Prefix(std::string_view s, size_t count)
{
    size_t i = 0;
    size_t chars = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80) {
            if (chars == count)
                break;
            ++chars;
        }
        ++i;
    }
    return s.substr(0, i);
}

// Numbers go through the C library, so rounding and padding are printf's own.
std::string cNumber(const Directive& directive, const char* lengthModifier, char conversion, auto value)
{
    std::string fmt = "%" + directive.flags;
    if (directive.leftAlign)
        fmt += '-';
    if (directive.width >= 0)
        fmt += std::to_string(directive.width);
    if (directive.precision >= 0)
        fmt += "." + std::to_string(directive.precision);
    fmt += lengthModifier;
    fmt += conversion;
    char small[128];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int n = std::snprintf(small, sizeof small, fmt.c_str(), value);
    if (n < 0)
        return {};
    if (static_cast<size_t>(n) < sizeof small)
        return std::string(small, static_cast<size_t>(n));
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), fmt.c_str(), value);
#pragma GCC diagnostic pop
    big.resize(static_cast<size_t>(n));
    return big;
}

}  // namespace

std::string formatString(std::string_view format, std::initializer_list<FormatArg> args)
{
    return formatString(format, std::span<const FormatArg>(args.begin(), args.size()));
}

std::string formatString(std::string_view format, std::span<const FormatArg> args)
{
    std::string out;
    out.reserve(format.size() + 16 * args.size());
    size_t next = 0;
    auto take = [&]() -> const FormatArg* { return next < args.size() ? &args[next++] : nullptr; };

    size_t i = 0;
    while (i < format.size()) {
        char c = format[i];
        if (c != '%') {
            size_t end = format.find('%', i);
            if (end == std::string_view::npos)
                end = format.size();
            out.append(format.substr(i, end - i));
            i = end;
            continue;
        }
        size_t start = i++;
        Directive directive;
        // Positional arguments ("%2$@") pick their argument by number.
        const FormatArg* positional = nullptr;
        bool hasPositional = false;
        {
            size_t j = i;
            int n = 0;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9' && n < 1000)
                n = n * 10 + (format[j++] - '0');
            if (j > i && j < format.size() && format[j] == '$') {
                hasPositional = true;
                positional
                    = n >= 1 && static_cast<size_t>(n) <= args.size() ? &args[static_cast<size_t>(n) - 1] : nullptr;
                i = j + 1;
            }
        }
        while (i < format.size() && std::strchr("-+ #0'", format[i])) {
            if (format[i] == '-')
                directive.leftAlign = true;
            else if (format[i] != '\'' && directive.flags.find(format[i]) == std::string::npos)
                directive.flags += format[i];
            ++i;
        }
        auto readNumber = [&](int& into) {
            if (i < format.size() && format[i] == '*') {
                ++i;
                const FormatArg* a = take();
                int64_t v = a ? signedOf(*a) : 0;
                if (&into == &directive.width && v < 0) {
                    directive.leftAlign = true;
                    v = -v;
                }
                into = v < 0 ? -1 : static_cast<int>(v > 100000 ? 100000 : v);
                return;
            }
            int n = 0;
            bool any = false;
            while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
                if (n < 100000)
                    n = n * 10 + (format[i] - '0');
                ++i;
                any = true;
            }
            if (any)
                into = n;
        };
        readNumber(directive.width);
        if (i < format.size() && format[i] == '.') {
            ++i;
            directive.precision = 0;
            readNumber(directive.precision);
        }
        using Length = Directive::Length;
        while (i < format.size()) {
            char m = format[i];
            if (m == 'h')
                directive.length = directive.length == Length::Short ? Length::Char : Length::Short;
            else if (m == 'l')
                directive.length = directive.length == Length::Long ? Length::LongLong : Length::Long;
            else if (m == 'q' || m == 'j' || m == 'L')
                directive.length = Length::LongLong;
            else if (m == 'z' || m == 't')
                directive.length = Length::Size;
            else
                break;
            ++i;
        }
        if (i >= format.size()) {
            // An unfinished specifier is shown as written.
            out.append(format.substr(start));
            break;
        }
        directive.conversion = format[i++];
        if (directive.conversion == '%') {
            out += '%';
            continue;
        }
        if (!std::strchr("@dDiuUoOxXfFeEgGaAcCsSp", directive.conversion)) {
            out.append(format.substr(start, i - start));
            continue;
        }
        const FormatArg* arg = hasPositional ? positional : take();
        if (!arg)
            continue;

        switch (directive.conversion) {
        case 'D':
        case 'd':
        case 'i': {
            int64_t v = signedOf(*arg);
            if (directive.length == Length::Char)
                v = static_cast<signed char>(v);
            else if (directive.length == Length::Short)
                v = static_cast<short>(v);
            out += cNumber(directive, "ll", 'd', static_cast<long long>(v));
            break;
        }
        case 'U':
        case 'u':
        case 'O':
        case 'o':
        case 'x':
        case 'X': {
            uint64_t v = unsignedOf(*arg);
            if (directive.length == Length::Char)
                v = static_cast<uint8_t>(v);
            else if (directive.length == Length::Short)
                v = static_cast<uint16_t>(v);
            else if (directive.length == Length::None && arg->kind() == FormatArg::Kind::Signed && arg->byteWidth() > 4
                && static_cast<int64_t>(v) < 0 && static_cast<int64_t>(v) >= INT32_MIN)
                v = static_cast<uint32_t>(v);  // a negative long under %x shows as the int printf would read
            char conv = directive.conversion == 'U' ? 'u' : directive.conversion == 'O' ? 'o' : directive.conversion;
            out += cNumber(directive, "ll", conv, static_cast<unsigned long long>(v));
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            out += cNumber(directive, "", directive.conversion, realOf(*arg));
            break;
        case 'c':
        case 'C': {
            std::string ch;
            if (arg->kind() == FormatArg::Kind::Text) {
                ch = std::string(utf8Prefix(arg->textValue(), 1));
            } else {
                uint64_t v = unsignedOf(*arg);
                if (directive.conversion == 'c' && directive.length != Length::Long)
                    ch = std::string(1, static_cast<char>(v & 0xFF));
                else
                    TextEncoding::appendUTF8(ch, static_cast<uint32_t>(v > 0x10FFFF ? 0xFFFD : v));
            }
            appendPadded(out, ch, directive, 1);
            break;
        }
        case 's':
        case 'S':
        case '@': {
            std::string text;
            if (arg->kind() == FormatArg::Kind::Pointer && !arg->pointerValue())
                text = "(null)";
            else
                text = objectText(*arg);
            std::string_view shown = text;
            if (directive.precision >= 0)
                shown = utf8Prefix(shown, static_cast<size_t>(directive.precision));
            appendPadded(out, shown, directive, utf8Length(shown));
            break;
        }
        case 'p': {
            std::string text = arg->kind() == FormatArg::Kind::Pointer
                ? pointerText(arg->pointerValue())
                : pointerText(reinterpret_cast<const void*>(static_cast<uintptr_t>(unsignedOf(*arg))));
            appendPadded(out, text, directive, text.size());
            break;
        }
        }
    }
    return out;
}
