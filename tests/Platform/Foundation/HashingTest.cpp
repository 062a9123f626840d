#include "Platform/Foundation/Hashing.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

TEST(Hashing, MD5KnownVectors)
{
    struct Case {
        std::string text;
        const char* lower;
    };
    const Case cases[] = {
        { "", "d41d8cd98f00b204e9800998ecf8427e" },
        { "a", "0cc175b9c0f1b6a831c399e269772661" },
        { "abc", "900150983cd24fb0d6963f7d28e17f72" },
        { "message digest", "f96b697d7cb7938d525a2f31aaf161d0" },
        { "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b" },
        // Lengths around the padding boundary (55, 56, 64 bytes) and past one block.
        { std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65" },
        { std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218" },
        { std::string(64, 'a'), "014842d480b571495a4a0363793f7367" },
        { "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
            "57edf4a22be3c955ac49da2e2107b67a" },
        { "\xe4\xb8\xad\xe6\x96\x87", "a7bac2239fcdcb3a067903d8077c4a07" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.lower, Hashing::md5HexLower(c.text)) << c.text.size();
        std::string upper = c.lower;
        for (auto& ch : upper)
            ch = static_cast<char>(toupper(ch));
        EXPECT_EQ(upper, Hashing::md5HexUpper(c.text));
    }
}

TEST(Hashing, Base64RoundTripAndBadInput)
{
    struct Case {
        std::string bytes;
        const char* text;
    };
    const Case cases[] = {
        { "", "" },
        { "A", "QQ==" },
        { "ab", "YWI=" },
        { "abc", "YWJj" },
        { "user:pass", "dXNlcjpwYXNz" },
        { std::string("\x00\xff\xfe\x01", 4), "AP/+AQ==" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.text, Hashing::base64Encode(c.bytes));
        auto decoded = Hashing::base64Decode(c.text);
        ASSERT_TRUE(decoded.has_value()) << c.text;
        EXPECT_EQ(c.bytes, std::string(decoded->begin(), decoded->end()));
    }

    struct Decode {
        const char* text;
        std::optional<std::string> bytes;
    };
    const Decode decodes[] = {
        { "Q Q = =", "A" },
        { "QQ", "A" },
        { "YW\nJj\r\n", "abc" },
        { "=Y=WJj", "abc" },
        { "Q", std::nullopt },
        { "YWJjZ", std::nullopt },
        { "YW*j", std::nullopt },
        { "YWJj\xc3\xa9", std::nullopt },
    };
    for (const auto& d : decodes) {
        auto decoded = Hashing::base64Decode(d.text);
        ASSERT_EQ(d.bytes.has_value(), decoded.has_value()) << d.text;
        if (decoded) {
            EXPECT_EQ(*d.bytes, std::string(decoded->begin(), decoded->end()));
        }
    }
}

TEST(Hashing, UUIDsAreUpperCaseVersion4AndDistinct)
{
    auto wellFormed = [](const std::string& u) {
        if (u.size() != 36 || u[14] != '4' || std::string("89AB").find(u[19]) == std::string::npos)
            return false;
        for (size_t i = 0; i < u.size(); ++i) {
            bool dash = i == 8 || i == 13 || i == 18 || i == 23;
            if (dash ? u[i] != '-'
                     : !std::isxdigit(static_cast<unsigned char>(u[i]))
                        || std::islower(static_cast<unsigned char>(u[i])))
                return false;
        }
        return true;
    };
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        std::string uuid = Hashing::uuidString();
        EXPECT_TRUE(wellFormed(uuid)) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(50u, seen.size());

    std::set<uint32_t> numbers;
    for (int i = 0; i < 50; ++i)
        numbers.insert(Hashing::random32());
    EXPECT_GT(numbers.size(), 45u);
}
