#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSLog.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

namespace {

struct Case {
    std::string expected;
    std::string actual;
};

}  // namespace

TEST(Format, SpecifiersFollowPrintf)
{
    unsigned char byte = 0xAB;
    const Case cases[] = {
        { "a 5 b", stringWithFormat("a %d b", 5) },
        { "-7", stringWithFormat("%i", -7) },
        { "12345678901", stringWithFormat("%ld", 12345678901L) },
        { "-9223372036854775808", stringWithFormat("%lld", LLONG_MIN) },
        { "4294967295", stringWithFormat("%u", UINT_MAX) },
        { "18446744073709551615", stringWithFormat("%lu", ULONG_MAX) },
        { "18446744073709551615", stringWithFormat("%llu", ULLONG_MAX) },
        { "4294967295", stringWithFormat("%u", -1) },
        { "ffffffff", stringWithFormat("%x", -1) },
        { "AB", stringWithFormat("%02X", byte) },
        { "0a", stringWithFormat("%02x", 10) },
        { "0000beef", stringWithFormat("%08x", 0xbeef) },
        { std::string(38, '0') + "ff", stringWithFormat("%040x", 255) },
        { "0042", stringWithFormat("%04d", 42) },
        { "-000042", stringWithFormat("%07d", -42) },
        { "  7", stringWithFormat("%3D", 7) },
        { "-1", stringWithFormat("%hi", 65535) },
        { "65535", stringWithFormat("%hu", -1) },
        { "1.500000", stringWithFormat("%f", 1.5) },
        { "12.35", stringWithFormat("%.2f", 12.345f) },  // the float is 12.3450003
        { "0.12", stringWithFormat("%.2f", 0.125) },  // binary 0.125 is a tie: banker's rounding of printf
        { "2.67", stringWithFormat("%.2lf", 2.675) },  // 2.675 is 2.67499999... in binary
        { "2", stringWithFormat("%.0f", 2.5) },
        { "4", stringWithFormat("%.0f", 3.5) },
        { "0.1", stringWithFormat("%g", 0.1) },
        { "A", stringWithFormat("%c", 'A') },
        { "100%", stringWithFormat("%d%%", 100) },
        { "abc", stringWithFormat("%s", "abc") },
        { "ab", stringWithFormat("%.2s", "abc") },
        { "(null)", stringWithFormat("%s", static_cast<const char*>(nullptr)) },
        { "x  |", stringWithFormat("%-3s|", "x") },
        { "  5", stringWithFormat("%*d", 3, 5) },
        { "b a", stringWithFormat("%2$@ %1$@", "a", "b") },
        { "-5 7", stringWithFormat("%qi %qu", -5LL, 7ULL) },
        { "9 ff", stringWithFormat("%U %lx", 9u, 255L) },
        { "+3|-3   | 3", stringWithFormat("%+d|%-5d| %d", 3, -3, 3) },
        { "1.250000e+03", stringWithFormat("%e", 1250.0) },
        { "0x10", stringWithFormat("%p", reinterpret_cast<const void*>(uintptr_t { 16 })) },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, c.actual);
}

TEST(Format, ObjectSpecifierDescribesValues)
{
    Value dict = Value::dictionary({ { "a", 1 }, { "b", "x" } });
    const Case cases[] = {
        { "the url is http://h/p", stringWithFormat("the url is %@", std::string("http://h/p")) },
        { "text", stringWithFormat("%@", Value("text")) }, { "12", stringWithFormat("%@", Value(12)) },
        { "1.5", stringWithFormat("%@", Value(1.5)) }, { "0.1", stringWithFormat("%@", 0.1) },
        { "42", stringWithFormat("%@", 42) },
        { "75.3 75.30000305175781", stringWithFormat("%@ %@", 75.3f, static_cast<double>(75.3f)) },
        { "<null>", stringWithFormat("%@", Value()) }, { "(1, 2)", stringWithFormat("%@", Value::array({ 1, 2 })) },
        { "{a = 1; b = x}", stringWithFormat("%@", dict) }, { "(null)", stringWithFormat("%@", nullptr) },
        { "<date 0>", stringWithFormat("%@", Date {}) },  // a temporary made for the argument
        { "[    abc]", stringWithFormat("[%7@]", "abc") },
        { "[\xe4\xb8\xad   ]", stringWithFormat("[%-4@]", "\xe4\xb8\xad") },  // widths count characters
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, c.actual);
}

TEST(Format, MismatchedAndMissingArgumentsAreSafe)
{
    const Case cases[] = {
        { "12", stringWithFormat("%d", "12.50") },
        { "0", stringWithFormat("%d", "abc") },
        { "3", stringWithFormat("%d", 3.9) },
        { "7", stringWithFormat("%d", Value("7")) },
        { "2.50", stringWithFormat("%.2f", 2.5f) },
        { "5.00", stringWithFormat("%.2f", 5) },
        { "1.25", stringWithFormat("%.2f", "1.25") },
        { "7", stringWithFormat("%s", 7) },
        { "a= b=", stringWithFormat("a=%d b=%@") },
        { "1 ", stringWithFormat("%d %d", 1) },
        { "%y %", stringWithFormat("%y %") },
        { "%l", stringWithFormat("%l") },
        { "9223372036854775807", stringWithFormat("%d", 1e300) },
        { "0", stringWithFormat("%d", std::numeric_limits<double>::quiet_NaN()) },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, c.actual);
}

TEST(Format, LongOutputIsNotCut)
{
    std::string big(5000, 'x');
    EXPECT_EQ(big, stringWithFormat("%s", big));
    EXPECT_EQ(std::string(299, ' ') + "1", stringWithFormat("%300d", 1));
}

TEST(NSLog, CaptureReceivesFormattedLines)
{
    std::vector<std::string> lines;
    NSLogSetCapture([&](const std::string& line) { lines.push_back(line); });
    NSLog("Unexpected result from sqlite3_reset (%d) eu", 5);
    NSLog("DB Query: %@", std::string("SELECT 1"));
    NSLogSetCapture(nullptr);
    NSLog("not captured");
    EXPECT_EQ(
        (std::vector<std::string> { "Unexpected result from sqlite3_reset (5) eu", "DB Query: SELECT 1" }), lines);
}
