#include "Platform/CFNetwork/CFHTTPAuthentication.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSString.h"

#include "Platform/Foundation/Clock.h"

#include <cctype>
#include <openssl/rand.h>
#include <unistd.h>

namespace {

// The token after "NTLM" in a challenge header ("" for the bare scheme), or
// nothing when NTLM is not offered. Read here because the general parse
// folds words to lower case, which would spoil the Base64.
std::optional<std::string> ntlmToken(std::string_view header)
{
    size_t start = 0;
    while (start <= header.size()) {
        size_t comma = header.find(',', start);
        std::string_view item
            = header.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t'))
            item.remove_prefix(1);
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t'))
            item.remove_suffix(1);
        if (item.size() >= 4 && NSString::equalsIgnoringASCIICase(item.substr(0, 4), "ntlm")
            && (item.size() == 4 || item[4] == ' ')) {
            item.remove_prefix(4);
            while (!item.empty() && item.front() == ' ')
                item.remove_prefix(1);
            return std::string(item);
        }
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return std::nullopt;
}

std::string hostName()
{
    char name[256] = "";
    gethostname(name, sizeof name - 1);
    std::string text = name;
    return text.substr(0, text.find('.'));
}

}  // namespace

std::vector<std::pair<std::string, std::map<std::string, std::string>>> CFHTTPAuthentication::parseChallenges(
    std::string_view text)
{
    std::vector<std::pair<std::string, std::map<std::string, std::string>>> challenges;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == ','))
            ++i;
    };
    auto token = [&] {
        size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != ',' && text[i] != '=')
            ++i;
        return std::string(text.substr(start, i - start));
    };
    while (true) {
        skipBlanks();
        if (i >= text.size())
            break;
        std::string word = token();
        size_t save = i;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        // A parameter; one with no name (a stray "=") is read and dropped, so
        // the scan always moves forward.
        if (i < text.size() && text[i] == '=' && (!challenges.empty() || word.empty())) {
            ++i;
            while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
                ++i;
            std::string value;
            if (i < text.size() && text[i] == '"') {
                ++i;
                while (i < text.size() && text[i] != '"') {
                    if (text[i] == '\\' && i + 1 < text.size())
                        ++i;
                    value += text[i++];
                }
                ++i;
            } else {
                size_t start = i;
                while (i < text.size() && text[i] != ',' && text[i] != ' ')
                    ++i;
                value = std::string(text.substr(start, i - start));
            }
            if (!word.empty())
                challenges.back().second[NSString::lowercaseASCII(word)] = value;
        } else {
            i = save;
            if (!word.empty())
                challenges.push_back({ NSString::lowercaseASCII(word), {} });
        }
    }
    return challenges;
}

bool CFHTTPAuthentication::choose(const CFHTTPMessage& response)
{
    auto header = response.headerFieldValue(m_proxy ? "Proxy-Authenticate" : "WWW-Authenticate");
    if (!header)
        return false;
    auto challenges = parseChallenges(*header);
    // Digest and NTLM keep the password off the wire, so they win over Basic.
    for (const char* preferred : { "digest", "ntlm", "basic" }) {
        for (auto& [scheme, parameters] : challenges) {
            if (scheme != preferred)
                continue;
            if (scheme == "digest") {
                auto algorithm = parameters.find("algorithm");
                if (!parameters.contains("nonce")
                    || (algorithm != parameters.end() && NSString::lowercaseASCII(algorithm->second) != "md5"))
                    continue;
            }
            if (scheme == "ntlm") {
                auto token = ntlmToken(*header);
                if (!token)
                    continue;
                m_ntlmToken = *token;
                m_scheme = kCFHTTPAuthenticationSchemeNTLM;
                m_parameters.clear();
                return true;
            }
            m_scheme = scheme == "digest" ? kCFHTTPAuthenticationSchemeDigest : kCFHTTPAuthenticationSchemeBasic;
            m_parameters = parameters;
            return true;
        }
    }
    return false;
}

std::shared_ptr<CFHTTPAuthentication> CFHTTPAuthentication::createFromResponse(const CFHTTPMessage& response)
{
    auto auth = std::make_shared<CFHTTPAuthentication>();
    auth->m_proxy = response.responseStatusCode() == 407;
    if (!auth->choose(response))
        return nullptr;
    return auth;
}

std::optional<std::string> CFHTTPAuthentication::realm() const
{
    if (m_scheme == kCFHTTPAuthenticationSchemeNTLM)
        return std::nullopt;
    auto it = m_parameters.find("realm");
    if (it == m_parameters.end())
        return std::nullopt;
    return it->second;
}

bool CFHTTPAuthentication::isValid(long* reason) const
{
    if (m_invalidReason && reason)
        *reason = m_invalidReason;
    return m_invalidReason == 0;
}

void CFHTTPAuthentication::updateFromResponse(const CFHTTPMessage& response)
{
    int status = response.responseStatusCode();
    if (status != (m_proxy ? 407 : 401) || !m_applied)
        return;
    CFHTTPAuthentication fresh;
    fresh.m_proxy = m_proxy;
    bool hasChallenge = fresh.choose(response);
    if (hasChallenge && m_scheme == kCFHTTPAuthenticationSchemeDigest && fresh.m_scheme == m_scheme) {
        auto stale = fresh.m_parameters.find("stale");
        if (stale != fresh.m_parameters.end() && NSString::lowercaseASCII(stale->second) == "true") {
            m_parameters = fresh.m_parameters;  // a new nonce, same credentials
            m_nonceCount = 0;
            m_applied = false;
            return;
        }
    }
    if (hasChallenge && m_scheme == kCFHTTPAuthenticationSchemeNTLM && fresh.m_scheme == m_scheme && !m_ntlmChallenge
        && !fresh.m_ntlmToken.empty()) {
        // The server's challenge to the opening message: the answer comes next.
        auto bytes = Hashing::base64Decode(fresh.m_ntlmToken);
        if (bytes)
            m_ntlmChallenge = NTLM::parseChallengeMessage(*bytes);
        if (m_ntlmChallenge) {
            m_applied = false;
            return;
        }
    }
    m_invalidReason = kCFStreamErrorHTTPAuthenticationBadPassword;
}

bool CFHTTPAuthentication::applyCredentials(
    CFHTTPMessage& message, const std::string& username, const std::string& password, const std::string& accountDomain)
{
    if (m_invalidReason)
        return false;
    if (m_scheme == kCFHTTPAuthenticationSchemeNTLM) {
        Data token;
        if (!m_ntlmChallenge) {
            token = NTLM::negotiateMessage();
        } else {
            std::array<uint8_t, 8> clientChallenge {};
            if (RAND_bytes(clientChallenge.data(), static_cast<int>(clientChallenge.size())) != 1)
                return false;
            // Tenths of microseconds since 1601; the server's own time when it sent one.
            uint64_t now = static_cast<uint64_t>((Clock::wallNow().secondsSince1970 + 11644473600.0) * 1e7);
            auto responses = NTLM::responses(NTLM::ntowfv2(password, username, accountDomain), *m_ntlmChallenge,
                clientChallenge, m_ntlmChallenge->timestamp.value_or(now));
            token = NTLM::authenticateMessage(*m_ntlmChallenge, responses, username, accountDomain, hostName());
        }
        message.setHeaderFieldValue(
            m_proxy ? "Proxy-Authorization" : "Authorization", "NTLM " + Hashing::base64Encode(token));
        m_applied = true;
        return true;
    }
    // A colon in a Basic user name cannot be told from the separator.
    if (m_scheme == kCFHTTPAuthenticationSchemeBasic && username.find(':') != std::string::npos)
        return false;
    std::string value;
    if (m_scheme == kCFHTTPAuthenticationSchemeBasic) {
        value = "Basic " + Hashing::base64Encode(username + ":" + password);
    } else {
        std::string realmText = realm().value_or("");
        std::string uri = message.requestURL().requestTarget();
        std::string ha1 = Hashing::md5HexLower(username + ":" + realmText + ":" + password);
        std::string ha2 = Hashing::md5HexLower(message.requestMethod() + ":" + uri);
        const std::string& nonce = m_parameters["nonce"];
        auto qopIt = m_parameters.find("qop");
        bool useQop = qopIt != m_parameters.end() && qopIt->second.find("auth") != std::string::npos;
        std::string response;
        std::string extra;
        if (useQop) {
            char nc[16];
            std::snprintf(nc, sizeof nc, "%08x", ++m_nonceCount);
            std::string cnonce = Hashing::md5HexLower(Hashing::uuidString()).substr(0, 16);
            response = Hashing::md5HexLower(ha1 + ":" + nonce + ":" + nc + ":" + cnonce + ":auth:" + ha2);
            extra = std::string(", qop=auth, nc=") + nc + ", cnonce=\"" + cnonce + "\"";
        } else {
            response = Hashing::md5HexLower(ha1 + ":" + nonce + ":" + ha2);
        }
        value = "Digest username=\"" + username + "\", realm=\"" + realmText + "\", nonce=\"" + nonce + "\", uri=\""
            + uri + "\", response=\"" + response + "\"";
        if (auto opaque = m_parameters.find("opaque"); opaque != m_parameters.end())
            value += ", opaque=\"" + opaque->second + "\"";
        value += ", algorithm=MD5" + extra;
    }
    message.setHeaderFieldValue(m_proxy ? "Proxy-Authorization" : "Authorization", value);
    m_applied = true;
    return true;
}
