#include "Platform/CFNetwork/NTLMMessages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

// The NTLM computations against the published vectors: MD4's own test suite
// and the worked NTLMv2 example of the protocol's documentation (user "User",
// domain "Domain", password "Password", server "Server").

namespace {

std::string hex(const uint8_t* bytes, size_t length)
{
    std::string out;
    char two[3];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        out += two;
    }
    return out;
}

template <typename Bytes> std::string hex(const Bytes& bytes) { return hex(bytes.data(), bytes.size()); }

Data bytesOf(std::string_view text) { return Data(text.begin(), text.end()); }

// The documented challenge's name pairs: the domain "Domain", the server
// "Server", the end.
Data documentedTargetInfo()
{
    Data info = { 2, 0, 12, 0 };
    Data domain = NTLM::utf16LE("Domain"), server = NTLM::utf16LE("Server");
    info.insert(info.end(), domain.begin(), domain.end());
    info.insert(info.end(), { 1, 0, 12, 0 });
    info.insert(info.end(), server.begin(), server.end());
    info.insert(info.end(), { 0, 0, 0, 0 });
    return info;
}

uint32_t read32(const Data& d, size_t at)
{
    return static_cast<uint32_t>(d[at] | d[at + 1] << 8 | d[at + 2] << 16 | d[at + 3] << 24);
}

Data field(const Data& message, size_t at)
{
    size_t length = static_cast<size_t>(message[at] | message[at + 1] << 8);
    size_t offset = read32(message, at + 4);
    return Data(message.begin() + static_cast<long>(offset), message.begin() + static_cast<long>(offset + length));
}

}  // namespace

TEST(NTLM, MD4MatchesItsPublishedSuite)
{
    struct Case {
        const char* text;
        const char* digest;
    };
    const Case cases[] = {
        { "", "31d6cfe0d16ae931b73c59d7e0c089c0" },
        { "a", "bde52cb31de33e46245e05fbdbd6fb24" },
        { "abc", "a448017aaf21d8525fc10ae87aa6729d" },
        { "message digest", "d9130a8164549fe818874806e1c7014b" },
        { "abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9" },
        { "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
            "e33b4ddc9c38f2199c3e7b164fcc0536" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(hex(NTLM::md4(bytesOf(c.text))), c.digest) << c.text;
}

TEST(NTLM, VersionTwoResponsesMatchTheDocumentedExample)
{
    EXPECT_EQ(hex(NTLM::md4(NTLM::utf16LE("Password"))), "a4f49c406510bdcab6824ee7c30fd852");
    auto key = NTLM::ntowfv2("Password", "User", "Domain");
    EXPECT_EQ(hex(key), "0c868a403bfd7a93a3001ef22ef02e3f");
    // The user name is taken in capitals, the domain as it stands.
    EXPECT_EQ(NTLM::ntowfv2("Password", "USER", "Domain"), key);
    EXPECT_NE(NTLM::ntowfv2("Password", "User", "DOMAIN"), key);

    NTLM::Challenge challenge;
    challenge.serverChallenge = { 0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef };
    challenge.targetInfo = documentedTargetInfo();
    std::array<uint8_t, 8> client;
    client.fill(0xaa);
    auto r = NTLM::responses(key, challenge, client, 0);
    EXPECT_EQ(hex(r.lm), "86c35097ac9cec102554764a57cccc19aaaaaaaaaaaaaaaa");
    ASSERT_GT(r.nt.size(), 16u);
    EXPECT_EQ(hex(r.nt.data(), 16), "68cd0ab851e51c96aabc927bebef6a1c");
    // The blob after the proof: version, zeros, the time, the client's challenge, the pairs.
    EXPECT_EQ(hex(r.nt.data() + 16, 28),
        "0101000000000000"
        "0000000000000000"
        "aaaaaaaaaaaaaaaa"
        "00000000");
}

TEST(NTLM, MessagesAreBuiltAndReadWithinTheirBounds)
{
    Data negotiate = NTLM::negotiateMessage();
    ASSERT_EQ(negotiate.size(), 32u);
    EXPECT_EQ(std::string(negotiate.begin(), negotiate.begin() + 8), std::string("NTLMSSP\0", 8));
    EXPECT_EQ(read32(negotiate, 8), 1u);

    // A challenge message as a server sends it, with a timestamp among its pairs.
    Data info = { 7, 0, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0 };
    Data message = bytesOf(std::string("NTLMSSP\0", 8));
    message.insert(message.end(), { 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x05, 0x82, 0x89, 0xa2 });
    message.insert(message.end(), { 9, 8, 7, 6, 5, 4, 3, 2, 0, 0, 0, 0, 0, 0, 0, 0 });
    message.insert(message.end(), { 16, 0, 16, 0, 48, 0, 0, 0 });
    message.insert(message.end(), info.begin(), info.end());
    auto challenge = NTLM::parseChallengeMessage(message);
    ASSERT_TRUE(challenge);
    EXPECT_EQ(hex(challenge->serverChallenge), "0908070605040302");
    EXPECT_EQ(challenge->targetInfo, info);
    EXPECT_EQ(challenge->timestamp, 0x0807060504030201ULL);

    struct Bad {
        const char* name;
        std::function<void(Data&)> spoil;
    };
    const Bad bad[] = {
        { "too short", [](Data& m) { m.resize(20); } },
        { "wrong signature", [](Data& m) { m[0] = 'X'; } },
        { "not a challenge", [](Data& m) { m[8] = 3; } },
        { "pairs past the end", [](Data& m) { m[40] = 200; } },
        { "pairs starting past the end",
            [](Data& m) {
                m[44] = 0xff;
                m[45] = 0xff;
            } },
    };
    for (const auto& b : bad) {
        Data spoilt = message;
        b.spoil(spoilt);
        EXPECT_FALSE(NTLM::parseChallengeMessage(spoilt)) << b.name;
    }

    NTLM::Responses responses { Data(24, 0x11), Data(40, 0x22) };
    Data answer = NTLM::authenticateMessage(*challenge, responses, "alice", "CORP", "TABLET");
    EXPECT_EQ(read32(answer, 8), 3u);
    EXPECT_EQ(field(answer, 12), responses.lm);
    EXPECT_EQ(field(answer, 20), responses.nt);
    EXPECT_EQ(field(answer, 28), NTLM::utf16LE("CORP"));
    EXPECT_EQ(field(answer, 36), NTLM::utf16LE("alice"));
    EXPECT_EQ(field(answer, 44), NTLM::utf16LE("TABLET"));
    EXPECT_EQ(NTLM::utf16LE("é€"), (Data { 0xe9, 0x00, 0xac, 0x20 }));
    EXPECT_EQ(NTLM::utf16LE("\xf0\x9f\x98\x80"), (Data { 0x3d, 0xd8, 0x00, 0xde }));
}
