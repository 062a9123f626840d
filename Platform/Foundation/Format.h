#pragma once

// The platform's printf-style formatting with its object specifier: `%@`
// prints an object's description, everything else follows C printf (flags,
// width, precision, length modifiers and rounding). Arguments are captured as
// FormatArg so that a mismatched or missing argument can never read garbage:
// a specifier with no argument prints nothing, a number asked of a text reads
// the text's number, a text asked of a number prints the number.

#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Real, Text, Object, Pointer };

    FormatArg(bool v)
        : m_kind(Kind::Signed)
        , m_width(1)
        , m_signed(v ? 1 : 0)
    {
    }
    FormatArg(char v)
        : m_kind(Kind::Signed)
        , m_width(sizeof(char))
        , m_signed(v)
    {
    }
    FormatArg(signed char v)
        : m_kind(Kind::Signed)
        , m_width(sizeof(signed char))
        , m_signed(v)
    {
    }
    FormatArg(unsigned char v)
        : m_kind(Kind::Unsigned)
        , m_width(sizeof(unsigned char))
        , m_unsigned(v)
    {
    }
    FormatArg(short v)
        : m_kind(Kind::Signed)
        , m_width(sizeof(short))
        , m_signed(v)
    {
    }
    FormatArg(unsigned short v)
        : m_kind(Kind::Unsigned)
        , m_width(sizeof(unsigned short))
        , m_unsigned(v)
    {
    }
    FormatArg(int v)
        : m_kind(Kind::Signed)
        , m_width(sizeof(int))
        , m_signed(v)
    {
    }
    FormatArg(unsigned v)
        : m_kind(Kind::Unsigned)
        , m_width(sizeof(unsigned))
        , m_unsigned(v)
    {
    }
    FormatArg(long v)
        : m_kind(Kind::Signed)
        , m_width(sizeof(long))
        , m_signed(v)
    {
    }
    FormatArg(unsigned long v)
        : m_kind(Kind::Unsigned)
        , m_width(sizeof(unsigned long))
        , m_unsigned(v)
    {
    }
    FormatArg(long long v)
        : m_kind(Kind::Signed)
        , m_width(sizeof(long long))
        , m_signed(v)
    {
    }
    FormatArg(unsigned long long v)
        : m_kind(Kind::Unsigned)
        , m_width(sizeof(unsigned long long))
        , m_unsigned(v)
    {
    }
    FormatArg(float v)
        : m_kind(Kind::Real)
        , m_width(sizeof(float))
        , m_real(v)
    {
    }
    FormatArg(double v)
        : m_kind(Kind::Real)
        , m_real(v)
    {
    }
    FormatArg(const char* s)
        : m_kind(s ? Kind::Text : Kind::Pointer)
        , m_pointer(nullptr)
        , m_text(s ? s : std::string_view())
    {
    }
    FormatArg(const std::string& s)
        : m_kind(Kind::Text)
        , m_text(s)
    {
    }
    FormatArg(std::string_view s)
        : m_kind(Kind::Text)
        , m_text(s)
    {
    }
    FormatArg(const Value& v)
        : m_kind(Kind::Object)
        , m_value(&v)
    {
    }
    FormatArg(const void* p)
        : m_kind(Kind::Pointer)
        , m_pointer(p)
    {
    }
    FormatArg(std::nullptr_t)
        : m_kind(Kind::Pointer)
        , m_pointer(nullptr)
    {
    }

    Kind kind() const { return m_kind; }
    // Width in bytes of the number the argument was made from (a float is 4).
    int byteWidth() const { return m_width; }
    int64_t signedValue() const { return m_signed; }
    uint64_t unsignedValue() const { return m_unsigned; }
    double realValue() const { return m_real; }
    std::string_view textValue() const { return m_text; }
    const Value* objectValue() const { return m_value; }
    const void* pointerValue() const { return m_pointer; }

private:
    Kind m_kind;
    int m_width = 8;
    union {
        int64_t m_signed;
        uint64_t m_unsigned;
        double m_real;
        const Value* m_value;
        const void* m_pointer;
    };
    std::string_view m_text;
};

// The arguments must outlive the call (they are borrowed, not copied).
std::string formatString(std::string_view format, std::span<const FormatArg> args);

std::string formatString(std::string_view format, std::initializer_list<FormatArg> args);

// Built in one expression so that temporaries made for the arguments (a Value
// made from a Date, say) live until the text is made.
template <typename... Args> std::string stringWithFormat(std::string_view format, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0)
        return formatString(format, std::span<const FormatArg>());
    else
        return formatString(format, std::initializer_list<FormatArg> { FormatArg(args)... });
}
