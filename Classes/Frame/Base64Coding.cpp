#include "Classes/Frame/Base64Coding.h"

#include <array>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr uint8_t kSkip = 0xFE;
constexpr uint8_t kInvalid = 0xFF;

constexpr std::array<uint8_t, 256> makeDecodingTable()
{
    std::array<uint8_t, 256> table {};
    for (auto& v : table)
        v = kInvalid;
    for (uint8_t i = 0; i < 64; ++i)
        table[static_cast<uint8_t>(kAlphabet[i])] = i;
    for (char c : { ' ', '\t', '\r', '\n', '\f', '\v', '=' })
        table[static_cast<uint8_t>(c)] = kSkip;
    return table;
}

constexpr auto kDecoding = makeDecodingTable();

}  // namespace

namespace Base64Coding {

std::optional<Data> dataWithBase64EncodedString(std::string_view text)
{
    Data out;
    out.reserve(text.size() * 3 / 4);
    uint8_t group[4];
    int count = 0;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const uint8_t v = kDecoding[c];
        if (v == kSkip)
            continue;
        if (v == kInvalid)
            return std::nullopt;
        group[count++] = v;
        if (count == 4) {
            out.push_back(static_cast<uint8_t>(group[0] << 2 | group[1] >> 4));
            out.push_back(static_cast<uint8_t>(group[1] << 4 | group[2] >> 2));
            out.push_back(static_cast<uint8_t>(group[2] << 6 | group[3]));
            count = 0;
        }
    }
    if (count == 1)
        return std::nullopt;
    if (count >= 2)
        out.push_back(static_cast<uint8_t>(group[0] << 2 | group[1] >> 4));
    if (count == 3)
        out.push_back(static_cast<uint8_t>(group[1] << 4 | group[2] >> 2));
    return out;
}

std::string base64Encoding(const Data& data)
{
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        const uint32_t n = uint32_t(data[i]) << 16 | uint32_t(data[i + 1]) << 8 | data[i + 2];
        out += kAlphabet[n >> 18 & 63];
        out += kAlphabet[n >> 12 & 63];
        out += kAlphabet[n >> 6 & 63];
        out += kAlphabet[n & 63];
    }
    const size_t rest = data.size() - i;
    if (rest > 0) {
        uint32_t n = uint32_t(data[i]) << 16;
        if (rest == 2)
            n |= uint32_t(data[i + 1]) << 8;
        out += kAlphabet[n >> 18 & 63];
        out += kAlphabet[n >> 12 & 63];
        out += rest == 2 ? kAlphabet[n >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

}  // namespace Base64Coding
