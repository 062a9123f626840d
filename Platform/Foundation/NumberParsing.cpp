#include "Platform/Foundation/NumberParsing.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

namespace NumberParsing {

namespace {

    bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

    size_t skipBlanks(std::string_view t)
    {
        size_t i = 0;
        while (i < t.size() && isBlank(t[i]))
            ++i;
        return i;
    }

    bool isDigit(char c) { return c >= '0' && c <= '9'; }

    // Reads [sign]digits and saturates at [minValue, maxValue].
    long long readInteger(std::string_view text, long long minValue, long long maxValue)
    {
        size_t i = skipBlanks(text);
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negative = text[i] == '-';
            ++i;
        }
        // Accumulate as a negative number so that the minimum is representable.
        long long acc = 0;
        bool saturated = false;
        for (; i < text.size() && isDigit(text[i]); ++i) {
            int digit = text[i] - '0';
            if (saturated)
                continue;
            if (acc < (LLONG_MIN + digit) / 10) {
                saturated = true;
                continue;
            }
            acc = acc * 10 - digit;
        }
        if (saturated)
            return negative ? minValue : maxValue;
        if (negative)
            return acc < minValue ? minValue : acc;
        if (acc == LLONG_MIN)
            return maxValue;
        long long positive = -acc;
        return positive > maxValue ? maxValue : positive;
    }

}  // namespace

int intValue(std::string_view text) { return static_cast<int>(readInteger(text, INT_MIN, INT_MAX)); }

long long longLongValue(std::string_view text) { return readInteger(text, LLONG_MIN, LLONG_MAX); }

long integerValue(std::string_view text) { return static_cast<long>(readInteger(text, LONG_MIN, LONG_MAX)); }

double doubleValue(std::string_view text)
{
    size_t i = skipBlanks(text);
    size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    std::string_view number = text.substr(start, i - start);
    if (!number.empty() && number.front() == '+')
        number.remove_prefix(1);
    double value = 0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone on overflow; the platform gives infinity or 0.
        std::string copy(number);
        value = std::strtod(copy.c_str(), nullptr);
    }
    return value;
}

float floatValue(std::string_view text) { return static_cast<float>(doubleValue(text)); }

bool boolValue(std::string_view text)
{
    size_t i = skipBlanks(text);
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    while (i < text.size() && text[i] == '0')
        ++i;
    if (i >= text.size())
        return false;
    char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

std::string_view shortest(double v, char (&buffer)[32])
{
    if (std::isnan(v))
        return "nan";
    if (std::isinf(v))
        return v < 0 ? "-inf" : "inf";
    auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string_view(buffer, static_cast<size_t>(result.ptr - buffer));
}

std::string_view shortest(float v, char (&buffer)[32])
{
    if (std::isnan(v))
        return "nan";
    if (std::isinf(v))
        return v < 0 ? "-inf" : "inf";
    auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string_view(buffer, static_cast<size_t>(result.ptr - buffer));
}

namespace {

    std::string_view general(double v, int digits, char (&buffer)[32])
    {
        if (std::isnan(v))
            return "nan";
        if (std::isinf(v))
            return v < 0 ? "-inf" : "inf";
        auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, digits);
        return std::string_view(buffer, static_cast<size_t>(result.ptr - buffer));
    }

}  // namespace

std::string_view text(double v, char (&buffer)[32]) { return general(v, 16, buffer); }

std::string_view text(float v, char (&buffer)[32]) { return general(static_cast<double>(v), 7, buffer); }

}  // namespace NumberParsing
