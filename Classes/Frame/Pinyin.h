#pragma once

// Pinyin spelling of text in the GBK encoding, for grouping and sorting names
// by their initial. A double-byte character becomes its lower-case syllable
// (one reading per character), a full-width letter or digit its ASCII
// character, a numbered symbol its number and a Greek letter its
// transliteration; single-byte text passes through without white space.

#include <string>
#include <string_view>

// Converts the two bytes at `gbk` (lead, trail) into `output`, which must hold
// at least 9 bytes: at most 8 bytes of text and a NUL. Answers the length
// written, 0 when the character has no spelling (or `gbk` is null).
int GBKCharToPinyin(char* output, const unsigned char* gbk);

// The whole text (up to its end or a NUL byte), each converted character or
// kept byte followed by `separator` when one is given.
std::string GBKStringToPinyin(std::string_view input, const char* separator = nullptr);
