#include "Platform/Foundation/Hashing.h"

#include <cstring>
#include <sys/random.h>

namespace Hashing {

namespace {

    constexpr uint32_t kShift[64] = {
        7,
        12,
        17,
        22,
        7,
        12,
        17,
        22,
        7,
        12,
        17,
        22,
        7,
        12,
        17,
        22,
        5,
        9,
        14,
        20,
        5,
        9,
        14,
        20,
        5,
        9,
        14,
        20,
        5,
        9,
        14,
        20,
        4,
        11,
        16,
        23,
        4,
        11,
        16,
        23,
        4,
        11,
        16,
        23,
        4,
        11,
        16,
        23,
        6,
        10,
        15,
        21,
        6,
        10,
        15,
        21,
        6,
        10,
        15,
        21,
        6,
        10,
        15,
        21,
    };

    // floor(abs(sin(i + 1)) * 2^32)
    constexpr uint32_t kSine[64] = {
        0xd76aa478,
        0xe8c7b756,
        0x242070db,
        0xc1bdceee,
        0xf57c0faf,
        0x4787c62a,
        0xa8304613,
        0xfd469501,
        0x698098d8,
        0x8b44f7af,
        0xffff5bb1,
        0x895cd7be,
        0x6b901122,
        0xfd987193,
        0xa679438e,
        0x49b40821,
        0xf61e2562,
        0xc040b340,
        0x265e5a51,
        0xe9b6c7aa,
        0xd62f105d,
        0x02441453,
        0xd8a1e681,
        0xe7d3fbc8,
        0x21e1cde6,
        0xc33707d6,
        0xf4d50d87,
        0x455a14ed,
        0xa9e3e905,
        0xfcefa3f8,
        0x676f02d9,
        0x8d2a4c8a,
        0xfffa3942,
        0x8771f681,
        0x6d9d6122,
        0xfde5380c,
        0xa4beea44,
        0x4bdecfa9,
        0xf6bb4b60,
        0xbebfbc70,
        0x289b7ec6,
        0xeaa127fa,
        0xd4ef3085,
        0x04881d05,
        0xd9d4d039,
        0xe6db99e5,
        0x1fa27cf8,
        0xc4ac5665,
        0xf4292244,
        0x432aff97,
        0xab9423a7,
        0xfc93a039,
        0x655b59c3,
        0x8f0ccc92,
        0xffeff47d,
        0x85845dd1,
        0x6fa87e4f,
        0xfe2ce6e0,
        0xa3014314,
        0x4e0811a1,
        0xf7537e82,
        0xbd3af235,
        0x2ad7d2bb,
        0xeb86d391,
    };

    uint32_t rotateLeft(uint32_t x, uint32_t c) { return (x << c) | (x >> (32 - c)); }

    void md5Block(uint32_t state[4], const uint8_t* block)
    {
        uint32_t m[16];
        for (int i = 0; i < 16; ++i)
            m[i] = uint32_t(block[i * 4]) | uint32_t(block[i * 4 + 1]) << 8 | uint32_t(block[i * 4 + 2]) << 16
                | uint32_t(block[i * 4 + 3]) << 24;
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        for (uint32_t i = 0; i < 64; ++i) {
            uint32_t f, g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            uint32_t next = d;
            d = c;
            c = b;
            b = b + rotateLeft(a + f + kSine[i] + m[g], kShift[i]);
            a = next;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
    }

    std::string hex(const std::array<uint8_t, 16>& digest, const char* digits)
    {
        std::string out;
        out.reserve(32);
        for (uint8_t byte : digest) {
            out += digits[byte >> 4];
            out += digits[byte & 15];
        }
        return out;
    }

    constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::array<uint8_t, 16> md5(std::string_view bytes)
{
    uint32_t state[4] = { 0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476 };
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t whole = bytes.size() / 64 * 64;
    for (size_t i = 0; i < whole; i += 64)
        md5Block(state, data + i);
    // The tail, the 0x80 marker, zero padding and the bit length (little-endian).
    uint8_t tail[128] = {};
    size_t rest = bytes.size() - whole;
    if (rest)
        std::memcpy(tail, data + whole, rest);
    tail[rest] = 0x80;
    size_t tailSize = rest < 56 ? 64 : 128;
    uint64_t bits = static_cast<uint64_t>(bytes.size()) * 8;
    for (size_t i = 0; i < 8; ++i)
        tail[tailSize - 8 + i] = static_cast<uint8_t>(bits >> (8 * i));
    for (size_t i = 0; i < tailSize; i += 64)
        md5Block(state, tail + i);
    std::array<uint8_t, 16> digest;
    for (size_t i = 0; i < 4; ++i)
        for (size_t k = 0; k < 4; ++k)
            digest[i * 4 + k] = static_cast<uint8_t>(state[i] >> (8 * k));
    return digest;
}

std::string md5HexLower(std::string_view bytes) { return hex(md5(bytes), "0123456789abcdef"); }
std::string md5HexUpper(std::string_view bytes) { return hex(md5(bytes), "0123456789ABCDEF"); }

std::string base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t v = uint32_t(p[i]) << 16 | uint32_t(p[i + 1]) << 8 | p[i + 2];
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    size_t rest = bytes.size() - i;
    if (rest) {
        uint32_t v = uint32_t(p[i]) << 16 | (rest == 2 ? uint32_t(p[i + 1]) << 8 : 0);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<Data> base64Decode(std::string_view text)
{
    static const auto table = [] {
        std::array<int8_t, 256> t;
        t.fill(-1);
        for (int i = 0; i < 64; ++i)
            t[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
        return t;
    }();
    Data out;
    out.reserve(text.size() / 4 * 3);
    uint32_t group = 0;
    int count = 0;
    for (char ch : text) {
        if (ch == '=' || ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f' || ch == '\v')
            continue;
        int v = table[static_cast<uint8_t>(ch)];
        if (v < 0)
            return std::nullopt;
        group = group << 6 | static_cast<uint32_t>(v);
        if (++count == 4) {
            out.push_back(static_cast<uint8_t>(group >> 16));
            out.push_back(static_cast<uint8_t>(group >> 8));
            out.push_back(static_cast<uint8_t>(group));
            group = 0;
            count = 0;
        }
    }
    if (count == 1)
        return std::nullopt;
    if (count == 2) {
        out.push_back(static_cast<uint8_t>(group >> 4));
    } else if (count == 3) {
        out.push_back(static_cast<uint8_t>(group >> 10));
        out.push_back(static_cast<uint8_t>(group >> 2));
    }
    return out;
}

namespace {

    void randomBytes(uint8_t* into, size_t count)
    {
        size_t done = 0;
        while (done < count) {
            ssize_t n = getrandom(into + done, count - done, 0);
            if (n > 0)
                done += static_cast<size_t>(n);
        }
    }

}  // namespace

std::string uuidString()
{
    uint8_t b[16];
    randomBytes(b, sizeof b);
    b[6] = static_cast<uint8_t>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<uint8_t>((b[8] & 0x3F) | 0x80);
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    out.reserve(36);
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += '-';
        out += digits[b[i] >> 4];
        out += digits[b[i] & 15];
    }
    return out;
}

uint32_t random32()
{
    uint32_t v;
    randomBytes(reinterpret_cast<uint8_t*>(&v), sizeof v);
    return v;
}

}  // namespace Hashing
