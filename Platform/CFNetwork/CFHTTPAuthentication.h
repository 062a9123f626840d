#pragma once

// An HTTP authentication challenge made from a 401 or 407 response, and the
// signing of later requests with credentials. Basic, Digest (MD5, with or
// without qop=auth) and NTLM (version 2 responses) are offered; Negotiate is
// not, so a response that offers only that gives no challenge object. A
// challenge that has had credentials applied and is answered by a new
// challenge becomes invalid with the reason "bad password" (a Digest
// challenge marked stale stays valid, and so does an NTLM one whose answer
// to the opening message is the server's challenge).
//
// NTLM proves the password over one connection: the opening message, the
// server's challenge and the answer must travel on the same kept connection.

#include "Platform/CFNetwork/CFHTTPMessage.h"
#include "Platform/CFNetwork/NTLMMessages.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

inline const std::string kCFHTTPAuthenticationSchemeBasic = "Basic";
inline const std::string kCFHTTPAuthenticationSchemeDigest = "Digest";
inline const std::string kCFHTTPAuthenticationSchemeNTLM = "NTLM";

enum CFHTTPAuthenticationError : long {
    kCFStreamErrorHTTPAuthenticationTypeUnsupported = -1000,
    kCFStreamErrorHTTPAuthenticationBadUserName = -1001,
    kCFStreamErrorHTTPAuthenticationBadPassword = -1002,
};

class CFHTTPAuthentication {
public:
    // Nothing when the response carries no challenge we can answer.
    static std::shared_ptr<CFHTTPAuthentication> createFromResponse(const CFHTTPMessage& response);

    const std::string& method() const { return m_scheme; }
    std::optional<std::string> realm() const;
    // False with the reason (one of CFHTTPAuthenticationError) once refused.
    bool isValid(long* reason = nullptr) const;
    bool requiresUserNameAndPassword() const { return true; }
    bool requiresAccountDomain() const { return m_scheme == kCFHTTPAuthenticationSchemeNTLM; }
    bool isProxy() const { return m_proxy; }

    // Signs `message` ("Authorization" or "Proxy-Authorization"); false when
    // the challenge is no longer valid.
    bool applyCredentials(CFHTTPMessage& message, const std::string& username, const std::string& password,
        const std::string& accountDomain = {});
    // Sees the next response of the exchange: a new challenge after credentials
    // were applied means they were refused.
    void updateFromResponse(const CFHTTPMessage& response);

    // The challenges of a header value, by lower-case scheme: each with its parameters.
    static std::vector<std::pair<std::string, std::map<std::string, std::string>>> parseChallenges(std::string_view);

private:
    std::string m_scheme;
    std::map<std::string, std::string> m_parameters;
    bool m_proxy = false;
    bool m_applied = false;
    long m_invalidReason = 0;
    unsigned m_nonceCount = 0;
    std::optional<NTLM::Challenge> m_ntlmChallenge;  // the server's, once it answered the opening message
    std::string m_ntlmToken;  // the token of the challenge chosen, if any
    bool choose(const CFHTTPMessage& response);
};
