#include "Classes/Frame/Pinyin.h"

#include "Classes/Frame/PinyinTables.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

// Lead byte 0xA2 from trail 0xA1: the number each numbered symbol shows.
const char* const numberedSymbols[94] = {
    // small roman numerals
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "10",
    "",
    "",
    "",
    "",
    "",
    "",
    // numbers with a full stop
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "10",
    "11",
    "12",
    "13",
    "14",
    "15",
    "16",
    "17",
    "18",
    "19",
    "20",
    // numbers in parentheses
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "10",
    "11",
    "12",
    "13",
    "14",
    "15",
    "16",
    "17",
    "18",
    "19",
    "20",
    // circled numbers
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "10",
    "",
    "",
    // parenthesised ideographic numbers
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "10",
    "",
    "",
    // roman numerals
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "10",
    "11",
    "12",
    "",
    "",
};

// Lead byte 0xA6: the Greek letters in alphabetical order, capital and small alike.
const char* const greekLetters[24] = {
    "a",
    "b",
    "g",
    "d",
    "e",
    "z",
    "e",
    "th",
    "i",
    "k",
    "l",
    "m",
    "n",
    "x",
    "o",
    "p",
    "r",
    "s",
    "t",
    "u",
    "ph",
    "kh",
    "ps",
    "o",
};

// Every 7-bit character as a text of its own.
struct AsciiSpellings {
    char text[128][2];
    constexpr AsciiSpellings()
        : text {}
    {
        for (int c = 0; c < 128; ++c)
            text[c][0] = char(c);
    }
};
constexpr AsciiSpellings asciiSpellings;

const char* spellingOf(unsigned char lead, unsigned char trail)
{
    if (lead == 0xA2) {
        if (trail < 0xA1)
            return nullptr;
        unsigned index = trail - 0xA1u;
        return index < std::size(numberedSymbols) ? numberedSymbols[index] : "";
    }
    if (lead == 0xA6) {
        if (trail >= 0xA1 && trail <= 0xB8)
            return greekLetters[trail - 0xA1];
        if (trail >= 0xC1 && trail <= 0xD8)
            return greekLetters[trail - 0xC1];
        return nullptr;
    }
    if (lead == 0xA3) {
        // Full-width ASCII: digits, letters and the six brackets.
        unsigned char c = trail - 0x80;
        bool alnum
            = (trail >= 0xB0 && trail <= 0xB9) || (trail >= 0xC1 && trail <= 0xDA) || (trail >= 0xE1 && trail <= 0xFA);
        bool bracket = trail >= 0x80 && c != 0 && std::strchr("()[]{}", c) != nullptr;
        return alnum || bracket ? asciiSpellings.text[c] : nullptr;
    }
    if (lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE) {
        int position = GBKPinyinIndex[lead - 0x81][trail - 0x40];
        if (position < 0 || position >= GBKPinyinSyllableCount)
            return nullptr;
        return GBKPinyinSyllables[position];
    }
    return nullptr;
}

}

int GBKCharToPinyin(char* output, const unsigned char* gbk)
{
    if (!output)
        return 0;
    output[0] = '\0';
    if (!gbk)
        return 0;
    const char* text = spellingOf(gbk[0], gbk[1]);
    if (!text)
        return 0;
    size_t length = std::min<size_t>(std::strlen(text), 8);
    std::memcpy(output, text, length);
    output[length] = '\0';
    return int(length);
}

std::string GBKStringToPinyin(std::string_view input, const char* separator)
{
    std::string_view sep = separator ? std::string_view(separator) : std::string_view();
    std::string out;
    out.reserve(input.size() * 6);
    for (size_t i = 0; i < input.size() && input[i] != '\0';) {
        unsigned char c = static_cast<unsigned char>(input[i]);
        if (c & 0x80) {
            // A lead byte with no trail byte after it (the text ends, or a
            // NUL ends it) is a character without a spelling: it is never
            // read past.
            bool hasTrail = i + 1 < input.size() && input[i + 1] != '\0';
            unsigned char pair[2]
                = { c, hasTrail ? static_cast<unsigned char>(input[i + 1]) : static_cast<unsigned char>(0) };
            char buffer[16] = {};
            int length = GBKCharToPinyin(buffer, pair);
            out.append(buffer, size_t(length));
            out.append(sep);
            if (!hasTrail)
                break;
            i += 2;
            continue;
        }
        ++i;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        out += char(c);
        out.append(sep);
    }
    return out;
}
