#pragma once

// The three messages of NTLM authentication, version 2 responses only: the
// client's opening message, the server's challenge read back, and the
// client's answer proving it knows the password without sending it.

#include "Platform/Foundation/Value.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace NTLM {

using Digest = std::array<uint8_t, 16>;

Digest md4(const Data& bytes);
Digest hmacMD5(const Digest& key, const Data& bytes);
// UTF-16 little-endian of UTF-8 text (bad sequences become U+FFFD).
Data utf16LE(std::string_view utf8);
// The password's hash for version 2: keyed by the user name (in capitals)
// and the domain.
Digest ntowfv2(std::string_view password, std::string_view user, std::string_view domain);

struct Challenge {
    uint32_t flags = 0;
    std::array<uint8_t, 8> serverChallenge {};
    Data targetInfo;  // the server's name pairs, answered back inside the proof
    std::optional<uint64_t> timestamp;  // the server's time, when it gave one
};

struct Responses {
    Data lm;  // LMv2: 16 bytes of proof and the client challenge
    Data nt;  // NTLMv2: 16 bytes of proof and the blob it covers
};

// The responses for a challenge; `time` in tenths of microseconds since 1601.
Responses responses(
    const Digest& ntowf, const Challenge& challenge, const std::array<uint8_t, 8>& clientChallenge, uint64_t time);

Data negotiateMessage();
// Null when the bytes are not a well-formed challenge message.
std::optional<Challenge> parseChallengeMessage(const Data& message);
Data authenticateMessage(const Challenge& challenge, const Responses& responses, std::string_view user,
    std::string_view domain, std::string_view workstation);

}  // namespace NTLM
