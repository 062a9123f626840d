#include "Platform/CFNetwork/CFHTTPAuthentication.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSString.h"

#include <cctype>

std::vector<std::pair<std::string, std::map<std::string, std::string>>>
CFHTTPAuthentication::parseChallenges(std::string_view text)
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
    // Digest keeps the password off the wire, so it wins over Basic.
    for (const char* preferred : { "digest", "basic" }) {
        for (auto& [scheme, parameters] : challenges) {
            if (scheme != preferred)
                continue;
            if (scheme == "digest") {
                auto algorithm = parameters.find("algorithm");
                if (!parameters.contains("nonce")
                    || (algorithm != parameters.end() && NSString::lowercaseASCII(algorithm->second) != "md5"))
                    continue;
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
    m_invalidReason = kCFStreamErrorHTTPAuthenticationBadPassword;
}

bool CFHTTPAuthentication::applyCredentials(CFHTTPMessage& message, const std::string& username,
                                            const std::string& password)
{
    if (m_invalidReason)
        return false;
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
        value = "Digest username=\"" + username + "\", realm=\"" + realmText + "\", nonce=\"" + nonce
            + "\", uri=\"" + uri + "\", response=\"" + response + "\"";
        if (auto opaque = m_parameters.find("opaque"); opaque != m_parameters.end())
            value += ", opaque=\"" + opaque->second + "\"";
        value += ", algorithm=MD5" + extra;
    }
    message.setHeaderFieldValue(m_proxy ? "Proxy-Authorization" : "Authorization", value);
    m_applied = true;
    return true;
}
