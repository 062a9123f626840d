#include "HttpTestServer.h"
#include "RunLoopPump.h"
#include "ScriptedHttpServer.h"
#include "Socks5Server.h"
#include "TlsTestServer.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Platform/CFNetwork/CFProxySupport.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

// Requests through a SOCKS5 proxy: with and without signing in, to plain and
// secure servers, kept connections, and each way the proxy can refuse.

namespace {

std::vector<std::string> run(const std::shared_ptr<HTTPRequest>& request)
{
    auto endings = std::make_shared<std::vector<std::string>>();
    request->setCompletionBlock([endings] { endings->push_back("finished"); });
    request->setFailedBlock([endings] { endings->push_back("failed"); });
    request->startAsynchronous();
    EXPECT_TRUE(pumpMainRunLoopUntil([endings] { return !endings->empty(); }, 20));
    return *endings;
}

std::shared_ptr<HTTPRequest> viaSocks(const std::string& url, const Socks5Server& proxy)
{
    auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(url));
    r->proxyHost = "127.0.0.1";
    r->proxyPort = proxy.port();
    r->proxyType = kCFProxyTypeSOCKS;
    return r;
}

std::string bodyOf(const HTTPRequest& r)
{
    auto d = r.responseData();
    return d ? std::string(d->begin(), d->end()) : "";
}

}  // namespace

TEST(SocksRequest, ReachesServersThroughTheProxyWithAndWithoutSigningIn)
{
    HttpTestServer server;
    server.route("/x", [](const HttpTestRequest& r, auto& c) { c.respond(200, "asked for " + r.target); });
    const std::string target = "127.0.0.1:" + std::to_string(server.port());

    Socks5Server open;
    auto direct = viaSocks(server.url("/x"), open);
    EXPECT_EQ(run(direct), std::vector<std::string> { "finished" });
    EXPECT_EQ(bodyOf(*direct), "asked for /x");
    EXPECT_EQ(open.targets(), std::vector<std::string> { target });
    EXPECT_EQ(open.greetings(), std::vector<std::string> { std::string(1, '\0') });

    Socks5Server guarded("field", "s3cret");
    struct Case {
        const char* name;
        std::string user, password;
        bool reaches;
    };
    const Case cases[] = {
        { "right name and password", "field", "s3cret", true },
        { "wrong password", "field", "guess", false },
        { "no name at all", "", "", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        size_t before = server.requests().size();
        auto r = viaSocks(server.url("/x"), guarded);
        r->proxyUsername = c.user;
        r->proxyPassword = c.password;
        run(r);
        EXPECT_EQ(server.requests().size(), before + (c.reaches ? 1 : 0));
        if (c.reaches) {
            EXPECT_EQ(bodyOf(*r), "asked for /x");
            EXPECT_EQ(guarded.greetings().back(), std::string("\0\2", 2));
        } else {
            ASSERT_TRUE(r->error());
            EXPECT_EQ(r->error()->code, HTTPConnectionFailureErrorType);
            EXPECT_EQ(r->error()->localizedDescription, "A connection failure occurred");
        }
    }
}

TEST(SocksRequest, SecureServerByNameAndAKeptConnection)
{
    TrustTestAuthority trust;
    ScriptedHttpServer plain([](const ScriptedRequest& r) {
        return Script { ScriptStep::send(ScriptedHttpServer::response(200, "answer to " + r.requestLine())) };
    });
    TlsTestServer server(plain.port());
    Socks5Server proxy;
    // The proxy resolves the name; the certificate is checked against it.
    const std::string base = "https://localhost:" + std::to_string(server.port());
    for (const char* path : { "/1", "/2" }) {
        auto r = viaSocks(base + path, proxy);
        EXPECT_EQ(run(r), std::vector<std::string> { "finished" });
        EXPECT_EQ(bodyOf(*r), std::string("answer to GET ") + path + " HTTP/1.1");
    }
    EXPECT_EQ(proxy.targets(), std::vector<std::string> { "localhost:" + std::to_string(server.port()) });
    EXPECT_EQ(proxy.connectionCount(), 1);
    EXPECT_EQ(server.handshakeCount(), 1);
}

TEST(SocksRequest, EachRefusalFailsTheRequestWithoutReachingTheServer)
{
    HttpTestServer server;
    server.route("/x", [](auto&, auto& c) { c.respond(200, "should not come"); });
    for (int code : { 1, 2, 3, 4, 5, 6, 7, 8, 42 }) {
        SCOPED_TRACE(code);
        Socks5Server proxy;
        proxy.refuseWith(code);
        auto r = viaSocks(server.url("/x"), proxy);
        EXPECT_EQ(run(r), std::vector<std::string> { "failed" });
        ASSERT_TRUE(r->error());
        EXPECT_EQ(r->error()->code, HTTPConnectionFailureErrorType);
    }
    EXPECT_TRUE(server.requests().empty());

    // A proxy that is not there, and one that hangs up in the middle.
    int gone;
    {
        Socks5Server closed;
        gone = closed.port();
    }
    auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/x")));
    r->proxyHost = "127.0.0.1";
    r->proxyPort = gone;
    r->proxyType = kCFProxyTypeSOCKS;
    EXPECT_EQ(run(r), std::vector<std::string> { "failed" });
    LoopbackListener hangsUp([](int fd, int) {
        char greeting[3];
        ::recv(fd, greeting, sizeof greeting, MSG_WAITALL);
        ::send(fd, "\x05\x00", 2, MSG_NOSIGNAL);
    });
    auto cut = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/x")));
    cut->proxyHost = "127.0.0.1";
    cut->proxyPort = hangsUp.port();
    cut->proxyType = kCFProxyTypeSOCKS;
    EXPECT_EQ(run(cut), std::vector<std::string> { "failed" });
    EXPECT_TRUE(server.requests().empty());
}
