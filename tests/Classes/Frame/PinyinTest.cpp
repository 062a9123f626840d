#include "Classes/Frame/Pinyin.h"
#include "Classes/Frame/PinyinTables.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <cstring>
#include <string>

namespace {

std::string gbk(const std::string& utf8)
{
    iconv_t cd = iconv_open("GBK", "UTF-8");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t done = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(done, size_t(-1)) << utf8;
    out.resize(out.size() - outLeft);
    return out;
}

std::string charPinyin(unsigned char lead, unsigned char trail)
{
    const unsigned char pair[2] = { lead, trail };
    char out[9];
    std::memset(out, 'x', sizeof out);
    int length = GBKCharToPinyin(out, pair);
    EXPECT_EQ(size_t(length), std::strlen(out));
    return out;
}

}

TEST(Pinyin, CharactersReadTheirReading)
{
    struct Case {
        unsigned char lead, trail;
        const char* reading;
    };
    const Case cases[] = {
        // Han characters, several of which have more than one reading.
        { 0xD6, 0xD0, "zhong" },
        { 0xCE, 0xC4, "wen" },
        { 0xC6, 0xB4, "pin" },
        { 0xD2, 0xF4, "yin" },
        { 0xB3, 0xA4, "zhang" },
        { 0xD0, 0xD0, "hang" },
        { 0xD6, 0xD8, "zhong" },
        // Full-width ASCII.
        { 0xA3, 0xC1, "A" },
        { 0xA3, 0xE1, "a" },
        { 0xA3, 0xB0, "0" },
        { 0xA3, 0xA8, "(" },
        { 0xA3, 0xFD, "}" },
        { 0xA3, 0xA1, "" },
        { 0xA3, 0xAD, "" },
        // Numbered symbols: the number they show.
        { 0xA2, 0xA1, "1" },
        { 0xA2, 0xE2, "10" },
        { 0xA2, 0xFC, "12" },
        { 0xA2, 0xB1, "1" },
        { 0xA2, 0xC4, "20" },
        { 0xA2, 0xAB, "" },
        { 0xA2, 0xFF, "" },
        { 0xA2, 0x50, "" },
        // Greek letters, capital and small alike.
        { 0xA6, 0xC1, "a" },
        { 0xA6, 0xA1, "a" },
        { 0xA6, 0xB2, "s" },
        { 0xA6, 0xA8, "th" },
        { 0xA6, 0xD8, "o" },
        { 0xA6, 0xB9, "" },
        { 0xA6, 0xE0, "" },
        // Bytes outside the double-byte range.
        { 0x80, 0xA1, "" },
        { 0xB0, 0x3F, "" },
        { 0xFF, 0xA1, "" },
    };
    for (auto& c : cases)
        EXPECT_EQ(charPinyin(c.lead, c.trail), c.reading) << std::hex << int(c.lead) << " " << int(c.trail);
    char out[9] = "x";
    EXPECT_EQ(GBKCharToPinyin(out, nullptr), 0);
    EXPECT_STREQ(out, "");
}

TEST(Pinyin, StringsJoinItemsWithTheSeparator)
{
    struct Case {
        std::string input;
        const char* separator;
        std::string expected;
    };
    const Case cases[] = {
        { gbk("中文"), " ", "zhong wen " },
        { gbk("中文"), nullptr, "zhongwen" },
        { "A B", nullptr, "AB" },
        { "A B", "-", "A-B-" },
        { "a\tb\r\nc", "", "abc" },
        { gbk("张三"), nullptr, "zhangsan" },
        { gbk("Ａ１王"), "|", "A|1|wang|" },
        // A character without a reading produces nothing but still takes its separator.
        { std::string("\xA1\xA1", 2) + "x", ",", ",x," },
        { "", "-", "" },
    };
    for (auto& c : cases)
        EXPECT_EQ(GBKStringToPinyin(c.input, c.separator), c.expected) << c.input;
}

TEST(Pinyin, ALeadByteAtTheEndIsNeverReadPast)
{
    // The byte after the end is a trail byte that would read "zhong".
    const char buffer[] = "ab\xD6\xD0";
    EXPECT_EQ(GBKStringToPinyin(std::string_view(buffer, 3), "-"), "a-b--");
    EXPECT_EQ(GBKStringToPinyin(std::string_view(buffer, 3)), "ab");
    // A NUL ends the text like its end does.
    EXPECT_EQ(GBKStringToPinyin(std::string_view("\xD6\0\xD0\xD0", 4), "-"), "-");
    // Alone, heap-allocated to its exact size, under the address sanitizer.
    std::string lone(1, '\xD6');
    EXPECT_EQ(GBKStringToPinyin(lone, "/"), "/");
}

TEST(Pinyin, EveryCommonHanCharacterHasAReading)
{
    // The two levels of the national standard set: every one of its 6763
    // characters is in everyday use and must not fall out of a name's initial.
    int missing = 0, total = 0;
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            if (lead == 0xD7 && trail >= 0xFA)
                continue;
            ++total;
            if (charPinyin(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)).empty())
                ++missing;
        }
    }
    EXPECT_EQ(total, 6763);
    EXPECT_EQ(missing, 0);
}

TEST(Pinyin, SyllableTableIsSortedLowerCaseAndIndexStaysInside)
{
    ASSERT_GT(GBKPinyinSyllableCount, 400);
    EXPECT_STREQ(GBKPinyinSyllables[0], "");
    for (int i = 1; i < GBKPinyinSyllableCount; ++i) {
        std::string s = GBKPinyinSyllables[i];
        EXPECT_FALSE(s.empty());
        EXPECT_LE(s.size(), 6u);
        for (char c : s)
            EXPECT_TRUE(c >= 'a' && c <= 'z') << s;
        if (i > 1) {
            EXPECT_LT(std::string(GBKPinyinSyllables[i - 1]), s);
        }
    }
    int known = 0;
    for (auto& row : GBKPinyinIndex) {
        for (int16_t p : row) {
            EXPECT_GE(p, 0);
            EXPECT_LT(p, GBKPinyinSyllableCount);
            known += p != 0;
        }
    }
    // Every Han character of the set but the few the database gives no reading.
    EXPECT_GT(known, 20800);
}
