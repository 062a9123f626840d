#include "RunLoopPump.h"
#include "ScriptedHttpServer.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Platform/CFNetwork/NTLMMessages.h"
#include "Platform/Foundation/Hashing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

// A server that speaks NTLM as a company's does: a bare challenge, the
// server's challenge to the opening message, then the proof checked against
// the password it knows, all on one connection.

namespace {

uint32_t read32(const Data& d, size_t at)
{
    return static_cast<uint32_t>(d[at] | d[at + 1] << 8 | d[at + 2] << 16 | d[at + 3] << 24);
}

Data field(const Data& message, size_t at)
{
    size_t length = static_cast<size_t>(message[at] | message[at + 1] << 8);
    size_t offset = read32(message, at + 4);
    if (offset + length > message.size())
        return {};
    return Data(message.begin() + static_cast<long>(offset), message.begin() + static_cast<long>(offset + length));
}

std::string ascii(const Data& utf16)
{
    std::string out;
    for (size_t i = 0; i + 1 < utf16.size(); i += 2)
        out += static_cast<char>(utf16[i]);
    return out;
}

class NTLMServer {
public:
    explicit NTLMServer(std::string password)
        : m_password(std::move(password))
        , m_server([this](const ScriptedRequest& r) { return answer(r); })
    {
    }
    std::string url() const { return m_server.url("/private"); }
    std::vector<ScriptedRequest> requests() const { return m_server.requests(); }
    std::string signedIn() const
    {
        std::lock_guard lock(m_lock);
        return m_signedIn;
    }

private:
    Script answer(const ScriptedRequest& r)
    {
        auto refuse = [](const std::string& challenge) {
            return Script { ScriptStep::send(
                ScriptedHttpServer::response(401, "", "WWW-Authenticate: " + challenge + "\r\n")) };
        };
        std::string authorization = r.header("Authorization");
        if (authorization.rfind("NTLM ", 0) != 0)
            return refuse("NTLM");
        auto token = Hashing::base64Decode(authorization.substr(5));
        if (!token || token->size() < 12)
            return refuse("NTLM");
        if (read32(*token, 8) == 1) {
            // Our challenge, with the pairs a domain server gives.
            Data info = { 2, 0, 8, 0, 'C', 0, 'O', 0, 'R', 0, 'P', 0, 0, 0, 0, 0 };
            Data message
                = { 'N', 'T', 'L', 'M', 'S', 'S', 'P', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x05, 0x82, 0x89, 0xa2 };
            message.insert(message.end(), m_challenge.begin(), m_challenge.end());
            message.insert(message.end(), 8, 0);
            message.insert(message.end(),
                { static_cast<uint8_t>(info.size()), 0, static_cast<uint8_t>(info.size()), 0, 48, 0, 0, 0 });
            message.insert(message.end(), info.begin(), info.end());
            return refuse("NTLM " + Hashing::base64Encode(message));
        }
        if (read32(*token, 8) != 3 || token->size() < 64)
            return refuse("NTLM");
        Data nt = field(*token, 20);
        std::string domain = ascii(field(*token, 28)), user = ascii(field(*token, 36));
        if (nt.size() <= 16)
            return refuse("NTLM");
        Data proofInput(m_challenge.begin(), m_challenge.end());
        proofInput.insert(proofInput.end(), nt.begin() + 16, nt.end());
        auto expected = NTLM::hmacMD5(NTLM::ntowfv2(m_password, user, domain), proofInput);
        if (std::memcmp(expected.data(), nt.data(), 16) != 0)
            return refuse("NTLM");
        {
            std::lock_guard lock(m_lock);
            m_signedIn = domain + "\\" + user;
        }
        return Script { ScriptStep::send(ScriptedHttpServer::response(200, "welcome " + domain + "\\" + user)) };
    }

    std::string m_password;
    std::array<uint8_t, 8> m_challenge { 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88 };
    mutable std::mutex m_lock;
    std::string m_signedIn;
    ScriptedHttpServer m_server;  // last: its threads use the rest
};

std::vector<std::string> run(const std::shared_ptr<HTTPRequest>& request)
{
    auto endings = std::make_shared<std::vector<std::string>>();
    request->setCompletionBlock([endings] { endings->push_back("finished"); });
    request->setFailedBlock([endings] { endings->push_back("failed"); });
    request->startAsynchronous();
    EXPECT_TRUE(pumpMainRunLoopUntil([endings] { return !endings->empty(); }, 20));
    return *endings;
}

}  // namespace

TEST(NTLMRequest, SignsInOverOneConnectionWithTheDomainFromEitherPlace)
{
    struct Case {
        const char* name;
        std::string user, domain, password;
        std::string signedIn;
    };
    const Case cases[] = {
        { "domain in the user name", "CORP\\alice", "", "Winter2026!", "CORP\\alice" },
        { "domain field", "bob", "SALES", "Winter2026!", "SALES\\bob" },
        { "wrong password", "CORP\\alice", "", "Summer", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HTTPRequest::clearSession();
        NTLMServer server("Winter2026!");
        auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url()));
        r->username = c.user;
        r->domain = c.domain;
        r->password = c.password;
        r->useSessionPersistence = false;
        auto endings = run(r);
        auto requests = server.requests();
        ASSERT_EQ(requests.size(), 3u);
        for (const auto& sent : requests)
            EXPECT_EQ(sent.connection, 1) << sent.requestLine();
        EXPECT_EQ(requests[0].header("Authorization"), "");
        // The password itself never goes over the wire.
        for (const auto& sent : requests)
            EXPECT_EQ(sent.head.find(c.password), std::string::npos);
        EXPECT_EQ(server.signedIn(), c.signedIn);
        if (!c.signedIn.empty()) {
            EXPECT_EQ(endings, std::vector<std::string> { "finished" });
            EXPECT_EQ(r->responseStatusCode(), 200);
            EXPECT_EQ(r->authenticationScheme, "NTLM");
        } else {
            EXPECT_EQ(endings, std::vector<std::string> { "failed" });
            ASSERT_TRUE(r->error());
            EXPECT_EQ(r->error()->code, HTTPAuthenticationErrorType);
        }
    }
}
