#pragma once

// What the JSON reader and writer both look for in a string's bytes: the
// quote, the backslash and the control characters, which end a plain run
// when reading and must be escaped when writing.

#include <bit>
#include <cstdint>
#include <cstring>

namespace QDJsonText {

struct StringStops {
    bool stop[256] {};
    constexpr StringStops()
    {
        for (int i = 0; i < 32; ++i)
            stop[i] = true;
        stop[static_cast<unsigned char>('"')] = true;
        stop[static_cast<unsigned char>('\\')] = true;
    }
};
inline constexpr StringStops kStringStops;

// The first byte from `p` on that ends a plain run, or `end`. Eight bytes at a
// time while they last: the lowest flagged byte of each test is exact.
inline const char* findStringStop(const char* p, const char* end)
{
    static_assert(std::endian::native == std::endian::little, "the first byte in memory is the lowest");
    constexpr uint64_t ones = 0x0101010101010101ull;
    constexpr uint64_t highs = 0x8080808080808080ull;
    while (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        const uint64_t quote = word ^ (ones * '"');
        const uint64_t backslash = word ^ (ones * '\\');
        // A byte of 0x80 or more is never a stop, and `& ~word` leaves it out.
        const uint64_t hits = ((word - ones * 0x20) | (quote - ones) | (backslash - ones)) & ~word & highs;
        if (hits)
            return p + (__builtin_ctzll(hits) >> 3);
        p += 8;
    }
    while (p < end && !kStringStops.stop[static_cast<unsigned char>(*p)])
        ++p;
    return p;
}

}  // namespace QDJsonText
