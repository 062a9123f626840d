#include "Platform/CFNetwork/NTLMMessages.h"

#include <cstring>
#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace NTLM {

namespace {

    constexpr uint32_t negotiateUnicode = 0x00000001;
    constexpr uint32_t negotiateOEM = 0x00000002;
    constexpr uint32_t requestTarget = 0x00000004;
    constexpr uint32_t negotiateNTLM = 0x00000200;
    constexpr uint32_t alwaysSign = 0x00008000;
    constexpr uint32_t extendedSessionSecurity = 0x00080000;
    constexpr uint32_t negotiateTargetInfo = 0x00800000;
    constexpr uint32_t negotiate128 = 0x20000000;
    constexpr uint32_t negotiate56 = 0x80000000;
    constexpr uint32_t ourFlags = negotiateUnicode | negotiateOEM | requestTarget | negotiateNTLM | alwaysSign
        | extendedSessionSecurity | negotiateTargetInfo | negotiate128 | negotiate56;

    const uint8_t signature[8] = { 'N', 'T', 'L', 'M', 'S', 'S', 'P', 0 };

    uint32_t rotl(uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

    void put16(Data& d, size_t at, uint16_t v)
    {
        d[at] = static_cast<uint8_t>(v);
        d[at + 1] = static_cast<uint8_t>(v >> 8);
    }

    void put32(Data& d, size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            d[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    }

    uint16_t get16(const Data& d, size_t at) { return static_cast<uint16_t>(d[at] | d[at + 1] << 8); }

    uint32_t get32(const Data& d, size_t at)
    {
        return static_cast<uint32_t>(d[at]) | static_cast<uint32_t>(d[at + 1]) << 8
            | static_cast<uint32_t>(d[at + 2]) << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
    }

    // Capitals of the letters a user name is likely to hold: ASCII and Latin-1.
    std::string upper(std::string_view utf8)
    {
        std::string out;
        for (size_t i = 0; i < utf8.size(); ++i) {
            auto c = static_cast<unsigned char>(utf8[i]);
            if (c >= 'a' && c <= 'z') {
                out += static_cast<char>(c - 32);
            } else if (c == 0xc3 && i + 1 < utf8.size()) {
                auto next = static_cast<unsigned char>(utf8[i + 1]);
                // U+00E0 to U+00FE, but for the division sign, have capitals 32 below.
                if (next >= 0xa0 && next <= 0xbe && next != 0xb7)
                    next = static_cast<unsigned char>(next - 0x20);
                out += static_cast<char>(c);
                out += static_cast<char>(next);
                ++i;
            } else {
                out += static_cast<char>(c);
            }
        }
        return out;
    }

}  // namespace

Digest md4(const Data& bytes)
{
    uint32_t h[4] = { 0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476 };
    Data message = bytes;
    uint64_t bits = static_cast<uint64_t>(bytes.size()) * 8;
    message.push_back(0x80);
    while (message.size() % 64 != 56)
        message.push_back(0);
    for (int i = 0; i < 8; ++i)
        message.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    for (size_t block = 0; block < message.size(); block += 64) {
        uint32_t x[16];
        for (size_t i = 0; i < 16; ++i)
            x[i] = get32(message, block + 4 * i);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        auto f = [](uint32_t x_, uint32_t y, uint32_t z) { return (x_ & y) | (~x_ & z); };
        auto g = [](uint32_t x_, uint32_t y, uint32_t z) { return (x_ & y) | (x_ & z) | (y & z); };
        auto hh = [](uint32_t x_, uint32_t y, uint32_t z) { return x_ ^ y ^ z; };
        static const int s1[4] = { 3, 7, 11, 19 }, s2[4] = { 3, 5, 9, 13 }, s3[4] = { 3, 9, 11, 15 };
        static const int order3[16] = { 0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15 };
        for (int i = 0; i < 16; ++i) {
            uint32_t t = rotl(a + f(b, c, d) + x[i], s1[i % 4]);
            a = d, d = c, c = b, b = t;
        }
        for (int i = 0; i < 16; ++i) {
            int k = (i % 4) * 4 + i / 4;
            uint32_t t = rotl(a + g(b, c, d) + x[k] + 0x5a827999, s2[i % 4]);
            a = d, d = c, c = b, b = t;
        }
        for (int i = 0; i < 16; ++i) {
            uint32_t t = rotl(a + hh(b, c, d) + x[order3[i]] + 0x6ed9eba1, s3[i % 4]);
            a = d, d = c, c = b, b = t;
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d;
    }
    Digest out;
    for (size_t i = 0; i < 16; ++i)
        out[i] = static_cast<uint8_t>(h[i / 4] >> (8 * (i % 4)));
    return out;
}

Digest hmacMD5(const Digest& key, const Data& bytes)
{
    Digest out {};
    unsigned int length = 0;
    HMAC(EVP_md5(), key.data(), static_cast<int>(key.size()), bytes.data(), bytes.size(), out.data(), &length);
    return out;
}

Data utf16LE(std::string_view utf8)
{
    Data out;
    auto add = [&out](uint32_t unit) {
        out.push_back(static_cast<uint8_t>(unit));
        out.push_back(static_cast<uint8_t>(unit >> 8));
    };
    for (size_t i = 0; i < utf8.size();) {
        auto c = static_cast<unsigned char>(utf8[i]);
        int extra = c < 0x80 ? 0 : (c & 0xe0) == 0xc0 ? 1 : (c & 0xf0) == 0xe0 ? 2 : (c & 0xf8) == 0xf0 ? 3 : -1;
        uint32_t point = extra == 0 ? c : extra == 1 ? c & 0x1fu : extra == 2 ? c & 0x0fu : c & 0x07u;
        bool bad = extra < 0 || i + static_cast<size_t>(extra) >= utf8.size() + (extra == 0 ? 1 : 0);
        for (int k = 1; !bad && k <= extra; ++k) {
            auto next = static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]);
            if ((next & 0xc0) != 0x80)
                bad = true;
            point = point << 6 | (next & 0x3fu);
        }
        if (bad) {
            add(0xfffd);
            ++i;
            continue;
        }
        i += static_cast<size_t>(extra) + 1;
        if (point >= 0x10000) {
            point -= 0x10000;
            add(0xd800 + (point >> 10));
            add(0xdc00 + (point & 0x3ff));
        } else {
            add(point);
        }
    }
    return out;
}

Digest ntowfv2(std::string_view password, std::string_view user, std::string_view domain)
{
    Digest hash = md4(utf16LE(password));
    return hmacMD5(hash, utf16LE(upper(user) + std::string(domain)));
}

Responses responses(
    const Digest& ntowf, const Challenge& challenge, const std::array<uint8_t, 8>& clientChallenge, uint64_t time)
{
    Data blob = { 1, 1, 0, 0, 0, 0, 0, 0 };
    for (int i = 0; i < 8; ++i)
        blob.push_back(static_cast<uint8_t>(time >> (8 * i)));
    blob.insert(blob.end(), clientChallenge.begin(), clientChallenge.end());
    blob.insert(blob.end(), 4, 0);
    blob.insert(blob.end(), challenge.targetInfo.begin(), challenge.targetInfo.end());
    blob.insert(blob.end(), 4, 0);

    Data proofInput(challenge.serverChallenge.begin(), challenge.serverChallenge.end());
    proofInput.insert(proofInput.end(), blob.begin(), blob.end());
    Digest proof = hmacMD5(ntowf, proofInput);
    Responses r;
    r.nt.assign(proof.begin(), proof.end());
    r.nt.insert(r.nt.end(), blob.begin(), blob.end());

    Data lmInput(challenge.serverChallenge.begin(), challenge.serverChallenge.end());
    lmInput.insert(lmInput.end(), clientChallenge.begin(), clientChallenge.end());
    Digest lm = hmacMD5(ntowf, lmInput);
    r.lm.assign(lm.begin(), lm.end());
    r.lm.insert(r.lm.end(), clientChallenge.begin(), clientChallenge.end());
    return r;
}

Data negotiateMessage()
{
    Data m(32, 0);
    std::memcpy(m.data(), signature, 8);
    put32(m, 8, 1);
    put32(m, 12, ourFlags);
    return m;
}

std::optional<Challenge> parseChallengeMessage(const Data& message)
{
    if (message.size() < 32 || std::memcmp(message.data(), signature, 8) != 0 || get32(message, 8) != 2)
        return std::nullopt;
    Challenge c;
    c.flags = get32(message, 20);
    std::memcpy(c.serverChallenge.data(), message.data() + 24, 8);
    if (message.size() >= 48) {
        size_t length = get16(message, 40);
        size_t offset = get32(message, 44);
        if (offset > message.size() || length > message.size() - offset)
            return std::nullopt;
        c.targetInfo.assign(
            message.begin() + static_cast<long>(offset), message.begin() + static_cast<long>(offset + length));
        // The name pairs end at the first end marker; a timestamp among them
        // is the time the answer must carry.
        for (size_t at = 0; at + 4 <= c.targetInfo.size();) {
            uint16_t id = get16(c.targetInfo, at), size = get16(c.targetInfo, at + 2);
            if (id == 0 || at + 4 + size > c.targetInfo.size())
                break;
            if (id == 7 && size == 8) {
                uint64_t t = 0;
                for (int i = 7; i >= 0; --i)
                    t = t << 8 | c.targetInfo[at + 4 + static_cast<size_t>(i)];
                c.timestamp = t;
            }
            at += 4 + size;
        }
    }
    return c;
}

Data authenticateMessage(const Challenge& challenge, const Responses& responses, std::string_view user,
    std::string_view domain, std::string_view workstation)
{
    Data domainBytes = utf16LE(domain), userBytes = utf16LE(user), workstationBytes = utf16LE(workstation);
    Data m(64, 0);
    std::memcpy(m.data(), signature, 8);
    put32(m, 8, 3);
    auto field = [&m](size_t at, const Data& bytes) {
        put16(m, at, static_cast<uint16_t>(bytes.size()));
        put16(m, at + 2, static_cast<uint16_t>(bytes.size()));
        put32(m, at + 4, static_cast<uint32_t>(m.size()));
        m.insert(m.end(), bytes.begin(), bytes.end());
    };
    field(12, responses.lm);
    field(20, responses.nt);
    field(28, domainBytes);
    field(36, userBytes);
    field(44, workstationBytes);
    field(52, Data {});
    put32(m, 60, (challenge.flags & ourFlags) | negotiateUnicode | negotiateNTLM);
    return m;
}

}  // namespace NTLM
