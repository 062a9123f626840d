#pragma once

// The generated tables behind GBKCharToPinyin: the syllables in alphabetical
// order (entry 0 the empty string, "no reading known") and, for every GBK
// double-byte code, the position of its reading in the syllable table.
// Made at build time from the Unicode Han database by
// tools/pinyin/PinyinTableGenerator.

#include <cstdint>

constexpr int GBKPinyinSyllableSize = 7;  // at most 6 letters and the NUL
constexpr int GBKPinyinLeadCount = 126;  // lead bytes 0x81 .. 0xFE
constexpr int GBKPinyinTrailCount = 191;  // trail bytes 0x40 .. 0xFE

extern const int GBKPinyinSyllableCount;
extern const char GBKPinyinSyllables[][GBKPinyinSyllableSize];
extern const int16_t GBKPinyinIndex[GBKPinyinLeadCount][GBKPinyinTrailCount];
