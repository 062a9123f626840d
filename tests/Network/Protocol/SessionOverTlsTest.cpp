// Sign-in and synchronisation with a company that serves over HTTPS: the
// host settings name the scheme, the fake company server speaks TLS with a
// certificate of the test authority, and the engine trusts that authority.

#include "SessionRoad.h"

#include "Classes/Frame/PublicFunction.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/ServerInfo.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "support/ClockFixture.h"
#include "support/TlsTestServer.h"

namespace {

class SessionRoadOverTls : public SessionRoad {
protected:
    void SetUp() override { serve(true, TestCertificates::Server::Trusted, "https://127.0.0.1"); }

    // Starts the server over TLS (or plain) and names `host` as both servers' host.
    void serve(bool tls, TestCertificates::Server certificate, const std::string& host)
    {
        if (tls) {
            server.tlsCertificateFile = TestCertificates::shared().serverCertificateFile(certificate);
            server.tlsKeyFile = TestCertificates::shared().serverKeyFile(certificate);
        }
        SessionRoad::SetUp();
        auto defaults = NSUserDefaults::standardUserDefaults();
        defaults->setObjectForKey(Value(host), "IP");
        defaults->setObjectForKey(Value(host), "ImageIP");
    }

    TrustTestAuthority trust;
};

TEST_F(SessionRoadOverTls, SignInAndFullSynchronisationOfTheSampleCompany)
{
    ScopedManualClock clock;
    ASSERT_EQ(server.scheme(), "https");
    ASSERT_TRUE(server.loadCompany(CORVELLE_SAMPLE_COMPANY_DIR));
    ASSERT_TRUE(signIn());
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeOnline);
    ASSERT_TRUE(synchronise()) << ::testing::PrintToString(syncDelegate->events);

    auto settings = PublicFunction::GetServer();
    EXPECT_EQ(settings->messageScheme, "https");
    EXPECT_EQ(settings->imageScheme, "https");
    EXPECT_EQ(settings->strIP, "127.0.0.1");
    EXPECT_EQ(server.receivedFor(FakeCompanyServer::kLogin).size(), 1u);
    auto data = DataAccessManager::sharedDataModel();
    EXPECT_EQ(data->getAllProducts().size(), 300u);
    EXPECT_EQ(data->getAllLibFiles().size(), 4u);
    EXPECT_EQ(data->getAllCustomers(true).size(), 24u);
    for (const char* file : { "acme/SkinImages", "acme/ProductImages/p00300.png", "acme/LibraryImages/cover4.png" })
        EXPECT_TRUE(exists(file)) << file;
    EXPECT_EQ(server.receivedFor("file").size(), 1u + 600u + 4u);
}

TEST_F(SessionRoadOverTls, FilesFromAnImageServerWithoutATrustedCertificateAreNotFetched)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    // The same files on an image server whose certificate signs itself.
    FakeCompanyServer impostor;
    impostor.tlsCertificateFile
        = TestCertificates::shared().serverCertificateFile(TestCertificates::Server::SelfSigned);
    impostor.tlsKeyFile = TestCertificates::shared().serverKeyFile(TestCertificates::Server::SelfSigned);
    impostor.addFile("ACME", "product", "chair.png", "full image");
    impostor.addFile("ACME", "product", "chair_t.png", "thumb image");
    impostor.addFile("ACME", "library/cover_image", "catalogue.png", "cover");
    ASSERT_TRUE(impostor.start());
    NSUserDefaults::standardUserDefaults()->setIntegerForKey(impostor.port(), "ImagePort");

    synchronise();
    EXPECT_TRUE(impostor.received().empty());
    for (const char* file :
        { "acme/ProductImages/chair.png", "acme/ProductImages/chair_t.png", "acme/LibraryImages/catalogue.png" })
        EXPECT_FALSE(exists(file)) << file;
    // The tables still came from the trusted message server.
    EXPECT_EQ(DataAccessManager::sharedDataModel()->getAllProducts().size(), 2u);
    impostor.stop();
}

// A server the device cannot trust, or one that speaks the other protocol,
// gets no sign-in: nothing reaches it and nothing is stored.
struct Mismatch {
    const char* name;
    bool tls;
    TestCertificates::Server certificate;
    const char* host;
};

class UntrustedCompanyServer : public SessionRoadOverTls, public ::testing::WithParamInterface<Mismatch> {
protected:
    void SetUp() override { serve(GetParam().tls, GetParam().certificate, GetParam().host); }
};

TEST_P(UntrustedCompanyServer, FirstSignInFailsAndSendsTheServerNothing)
{
    ScopedManualClock clock;
    EXPECT_FALSE(signIn());
    EXPECT_TRUE(loginDelegate->has("error:First sign-in needs the network"))
        << ::testing::PrintToString(loginDelegate->events);
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeNone);
    EXPECT_TRUE(server.received().empty());
    EXPECT_FALSE(exists("acme"));
}

INSTANTIATE_TEST_SUITE_P(Servers, UntrustedCompanyServer,
    ::testing::Values(Mismatch { "SelfSigned", true, TestCertificates::Server::SelfSigned, "https://127.0.0.1" },
        Mismatch { "Expired", true, TestCertificates::Server::Expired, "https://127.0.0.1" },
        Mismatch { "OtherHost", true, TestCertificates::Server::WrongHost, "HTTPS://127.0.0.1" },
        Mismatch { "PlainServer", false, TestCertificates::Server::Trusted, "https://127.0.0.1" },
        Mismatch { "PlainSetting", true, TestCertificates::Server::Trusted, "127.0.0.1" }),
    [](const auto& suite) { return std::string(suite.param.name); });

}  // namespace
