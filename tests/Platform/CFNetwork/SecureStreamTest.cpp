#include "HttpTestServer.h"
#include "ScriptedHttpServer.h"
#include "TlsTestServer.h"
#include "TunnelProxy.h"
#include "StreamExchange.h"

#include <gtest/gtest.h>

namespace {

// Every exchange here offers to keep its connection.
std::shared_ptr<Exchange> run(const std::string& url, Conditions setup = {})
{
    setup.persistent = true;
    return runExchange(url, setup);
}

CFStreamSSLSettings noChecks()
{
    CFStreamSSLSettings ssl;
    ssl.validatesCertificateChain = false;
    ssl.allowsExpiredCertificates = true;
    ssl.allowsAnyRoot = true;
    ssl.checksPeerName = false;
    return ssl;
}

}  // namespace

TEST(SecureStream, ChecksTheServerCertificateUnlessTold)
{
    TrustTestAuthority trust;
    HttpTestServer plain;
    plain.route("/x", [](auto&, auto& c) { c.respond(200, "secret payload"); });
    using Server = TestCertificates::Server;
    constexpr long ok = 0;
    struct Case {
        const char* name;
        Server certificate;
        bool validate;
        long code;
    };
    const Case cases[] = {
        { "trusted", Server::Trusted, true, ok },
        { "self-signed", Server::SelfSigned, true, -9812 },
        { "expired", Server::Expired, true, -9814 },
        { "other host", Server::WrongHost, true, -9807 },
        { "self-signed, unchecked", Server::SelfSigned, false, ok },
        { "expired, unchecked", Server::Expired, false, ok },
        { "other host, unchecked", Server::WrongHost, false, ok },
    };
    for (const auto& c : cases) {
        TlsTestServer server(plain.port(), { c.certificate, false });
        Conditions setup;
        if (!c.validate)
            setup.ssl = noChecks();
        auto e = run(server.url("/x"), setup);
        if (c.code == ok) {
            EXPECT_FALSE(e->failed) << c.name << ": " << e->stream->error().description;
            EXPECT_EQ(e->body, "secret payload") << c.name;
        } else {
            EXPECT_TRUE(e->failed) << c.name;
            EXPECT_EQ(e->stream->error().domain, CFStreamErrorDomain::SSL) << c.name;
            EXPECT_EQ(e->stream->error().code, c.code) << c.name << ": " << e->stream->error().description;
            EXPECT_EQ(e->stream->error().meaning, CFStreamErrorMeaning::SecurityFailure) << c.name;
            EXPECT_EQ(e->body, "") << c.name;
        }
    }
}

TEST(SecureStream, SystemRootsDoNotTrustTheTestAuthority)
{
    HttpTestServer plain;
    plain.route("/x", [](auto&, auto& c) { c.respond(200, "payload"); });
    TlsTestServer server(plain.port());
    auto e = run(server.url("/x"));
    EXPECT_TRUE(e->failed);
    EXPECT_EQ(e->stream->error().code, -9812) << e->stream->error().description;
    EXPECT_TRUE(plain.requests().empty());
}

TEST(SecureStream, SingleChecksCanBeRelaxedAlone)
{
    TrustTestAuthority trust;
    HttpTestServer plain;
    plain.route("/x", [](auto&, auto& c) { c.respond(200, "payload"); });
    using Server = TestCertificates::Server;
    struct Case {
        Server certificate;
        bool expiredAllowed, anyRoot, checkName;
        bool succeeds;
    };
    const Case cases[] = {
        { Server::Expired, true, false, true, true },
        { Server::Expired, false, true, true, false },  // an unknown root is not an expired one
        { Server::SelfSigned, false, true, true, true },
        { Server::WrongHost, false, false, false, true },
        { Server::WrongHost, true, true, true, false },
    };
    for (const auto& c : cases) {
        TlsTestServer server(plain.port(), { c.certificate, false });
        Conditions setup;
        setup.ssl.allowsExpiredCertificates = c.expiredAllowed;
        setup.ssl.allowsAnyRoot = c.anyRoot;
        setup.ssl.checksPeerName = c.checkName;
        auto e = run(server.url("/x"), setup);
        EXPECT_EQ(!e->failed, c.succeeds) << static_cast<int>(c.certificate) << " " << e->stream->error().description;
    }
}

TEST(SecureStream, PresentsTheClientIdentityWhenAsked)
{
    TrustTestAuthority trust;
    HttpTestServer plain;
    plain.route("/x", [](auto&, auto& c) { c.respond(200, "for the tablet"); });
    TlsTestServer server(plain.port(), { TestCertificates::Server::Trusted, true });
    const auto& certificates = TestCertificates::shared();

    auto without = run(server.url("/x"));
    EXPECT_TRUE(without->failed);
    EXPECT_EQ(without->stream->error().domain, CFStreamErrorDomain::SSL) << without->stream->error().description;
    EXPECT_TRUE(plain.requests().empty());

    std::string why;
    EXPECT_FALSE(SecIdentity::importPKCS12(certificates.clientIdentity(), "wrong passphrase", &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(SecIdentity::importPKCS12(Data { 1, 2, 3 }, TestCertificates::clientPassphrase(), &why));

    auto identity
        = SecIdentity::importPKCS12(certificates.clientIdentity(), TestCertificates::clientPassphrase(), &why);
    ASSERT_TRUE(identity) << why;
    EXPECT_EQ(identity->subjectSummary(), TestCertificates::clientSubject());
    Conditions setup;
    setup.ssl.identity = identity;
    setup.ssl.certificates = { certificates.furtherCertificate() };
    auto with = run(server.url("/x"), setup);
    EXPECT_FALSE(with->failed) << with->stream->error().description;
    EXPECT_EQ(with->body, "for the tablet");
    EXPECT_EQ(server.clientSubjects(), std::vector<std::string> { TestCertificates::clientSubject() });

    Conditions broken = setup;
    broken.ssl.certificates = { Data { 0x30, 0x03, 1, 2, 3 } };
    auto refused = run(server.url("/x"), broken);
    EXPECT_TRUE(refused->failed);
    EXPECT_EQ(refused->stream->error().meaning, CFStreamErrorMeaning::SecurityFailure);
}

TEST(SecureStream, KeptConnectionCarriesTheNextExchangeOnlyWithTheSameChecks)
{
    TrustTestAuthority trust;
    ScriptedHttpServer plain([](const ScriptedRequest& r) {
        Script script { ScriptStep::send(ScriptedHttpServer::response(200, "answer to " + r.requestLine())) };
        if (r.requestLine().find("/3") != std::string::npos)
            script.push_back(ScriptStep::close());
        return script;
    });
    TlsTestServer server(plain.port());
    auto first = run(server.url("/1"));
    ASSERT_FALSE(first->failed) << first->stream->error().description;
    ASSERT_TRUE(first->stream->hasReusableConnection());
    Conditions again;
    again.previous = first->stream;
    auto second = run(server.url("/2"), again);
    EXPECT_TRUE(second->stream->isReusedConnection());
    EXPECT_EQ(second->body, "answer to GET /2 HTTP/1.1");
    EXPECT_EQ(server.handshakeCount(), 1);

    // A connection whose server was never checked is no use to a request
    // that wants it checked, nor the other way round.
    Conditions unchecked;
    unchecked.previous = second->stream;
    unchecked.ssl = noChecks();
    auto third = run(server.url("/3"), unchecked);
    EXPECT_FALSE(third->stream->isReusedConnection());
    EXPECT_EQ(third->body, "answer to GET /3 HTTP/1.1");
    EXPECT_EQ(server.handshakeCount(), 2);

    // The server closed the kept connection after answering: whether the
    // close is seen before the next request or only when it fails, that
    // request gets its answer on a new connection.
    Conditions afterClose;
    afterClose.previous = third->stream;
    afterClose.ssl = noChecks();
    auto fourth = run(server.url("/4"), afterClose);
    EXPECT_FALSE(fourth->failed) << fourth->stream->error().description;
    EXPECT_EQ(fourth->body, "answer to GET /4 HTTP/1.1");
    EXPECT_EQ(server.handshakeCount(), 3);
}

TEST(SecureStream, LargeBodiesBothWaysAndAStallingServer)
{
    TrustTestAuthority trust;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + (i * 7919) % 26);
    HttpTestServer plain;
    plain.route("/echo", [](const HttpTestRequest& r, auto& c) { c.respond(200, r.body); });
    plain.route("/chunked", [&](auto&, auto& c) {
        c.respondChunked(200, { big.substr(0, 100000), big.substr(100000) });
    });
    plain.route("/stall", [](auto&, auto& c) {
        c.respondHead(200, { { "Content-Length", "100" } });
        c.write("only a little");
        c.pause(30);
    });
    TlsTestServer server(plain.port());

    Conditions upload;
    upload.method = "POST";
    upload.body = std::make_shared<StringBody>(big);
    upload.headers = { { "Content-Length", std::to_string(big.size()) } };
    auto echoed = run(server.url("/echo"), upload);
    EXPECT_FALSE(echoed->failed) << echoed->stream->error().description;
    EXPECT_TRUE(echoed->body == big) << echoed->body.size();
    EXPECT_EQ(echoed->stream->requestBytesWrittenCount(), big.size());

    auto chunked = run(server.url("/chunked"));
    EXPECT_TRUE(chunked->body == big) << chunked->body.size();

    // The stream itself has no clock: a stalled answer leaves it waiting
    // with what came so far, for the request's timer to end.
    auto message = CFHTTPMessage::createRequest("GET", *CFURL::URLWithString(server.url("/stall")));
    auto stream = CFHTTPReadStream::createForHTTPRequest(message);
    std::string received;
    bool ended = false;
    stream->setClient(26, [&](CFHTTPReadStream& s, CFStreamEventType event) {
        uint8_t buffer[64];
        if (event == kCFStreamEventHasBytesAvailable) {
            long n = s.read(buffer, sizeof buffer);
            if (n > 0)
                received.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
        } else {
            ended = true;
        }
    });
    stream->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
    stream->open();
    EXPECT_TRUE(pumpUntil([&] { return received == "only a little"; }));
    stream->close();
    EXPECT_FALSE(ended);
}

TEST(SecureStream, TunnelsThroughAnHTTPProxy)
{
    TrustTestAuthority trust;
    HttpTestServer plain;
    plain.route("/x", [](const HttpTestRequest& r, auto& c) {
        c.respond(
            200, r.target + " with " + (r.hasHeader("Proxy-Authorization") ? "proxy credentials" : "nothing else"));
    });
    TlsTestServer server(plain.port());
    const std::string credentials = "Basic dXNlcjpwYXNz";
    TunnelProxy proxy(credentials);

    Conditions setup;
    setup.proxyHost = "127.0.0.1";
    setup.proxyPort = proxy.port();
    auto refused = run(server.url("/x"), setup);
    EXPECT_FALSE(refused->failed) << refused->stream->error().description;
    ASSERT_TRUE(refused->stream->responseHeader());
    EXPECT_EQ(refused->stream->responseHeader()->responseStatusCode(), 407);
    EXPECT_EQ(refused->body, "proxy credentials needed");
    EXPECT_FALSE(refused->stream->hasReusableConnection());

    setup.headers = { { "Proxy-Authorization", credentials } };
    auto tunnelled = run(server.url("/x"), setup);
    EXPECT_FALSE(tunnelled->failed) << tunnelled->stream->error().description;
    EXPECT_EQ(tunnelled->body, "/x with nothing else");
    auto heads = proxy.heads();
    ASSERT_EQ(heads.size(), 2u);
    std::string target = "127.0.0.1:" + std::to_string(server.port());
    EXPECT_EQ(heads[1].substr(0, heads[1].find("\r\n")), "CONNECT " + target + " HTTP/1.1");
    EXPECT_NE(heads[1].find("Proxy-Authorization: " + credentials), std::string::npos);
}
