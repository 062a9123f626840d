// Sign-in against a company server that asks for more than it should or
// answers less than it should: a full resynchronisation must not cost the
// work not yet sent, a "200" without a session signs nobody in, a missing
// module list ends the sign-in whatever the skin does, a password the server
// refused stops opening the account offline, and the session id stays out of
// the log.

#include "SessionRoad.h"

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "support/ClockFixture.h"


namespace {

std::string stringDefault(const std::string& key)
{
    return NSUserDefaults::standardUserDefaults()->stringForKey(key).value_or("");
}

class SignInIntegrity : public SessionRoad {
protected:
    void SetUp() override
    {
        SessionRoad::SetUp();
        language["SYNCALLKEPTLOCALDATA"] = "Unsent work kept";
        language["LOGINSUCCESSANDBOUND"] = "Bound";
        language["SYNUSERCONFIG"] = "Configuration";
        loginContent = server.content(FakeCompanyServer::kLogin);
        configContent = server.content(FakeCompanyServer::kConfig);
    }
    // The next sign-in's reply asks for everything to be fetched again.
    void askForFullResync()
    {
        Value login = loginContent;
        login.set("syncAll", Value("1"));
        server.setContent(FakeCompanyServer::kLogin, login);
    }
    // Stops or starts the server; a new start takes a new port, which the server settings follow.
    void serverUp(bool up)
    {
        if (!up) {
            server.stop();
            return;
        }
        ASSERT_TRUE(server.start());
        auto defaults = NSUserDefaults::standardUserDefaults();
        defaults->setIntegerForKey(server.port(), "Port");
        defaults->setIntegerForKey(server.port(), "ImagePort");
    }
    // Forgets the client on this device.
    void forgetClient()
    {
        freeSession();
        NSFileManager::defaultManager().removeItemAtPath(documents("acme"));
        auto defaults = NSUserDefaults::standardUserDefaults();
        defaults->removeObjectForKey(LoginMode::kLoginInfoArray);
        for (const char* suffix : { "FileSynced", "ProductSynced", "CustomerSynced", "IconSynced", "App_version", "lastsync" })
            defaults->removeObjectForKey(std::string("ACME-") + suffix);
    }
    std::string keptText() { return "error:" + language["SYNCALLKEPTLOCALDATA"]; }

    Value loginContent;
    Value configContent;
};

// A "200" that is not an object holding a session id signs nobody in: it is
// answered as a reply of the wrong shape, and asks for nothing, not even a
// full resync.
TEST_F(SignInIntegrity, ASuccessWithoutASessionIsAProtocolError)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    ASSERT_TRUE(synchronise());
    const Value good = server.content(FakeCompanyServer::kLogin);
    auto withSession = [&](std::optional<Value> sessionId) {
        Value content = good;
        content.set("syncAll", Value("1"));
        content.remove("sessionId");
        if (sessionId)
            content.set("sessionId", *sessionId);
        return content;
    };
    struct Case {
        const char* name;
        Value content;
    };
    const Case cases[] = {
        { "no content", Value("") },
        { "an array", Value(ValueArray { Value("S1") }) },
        { "no session id", withSession(std::nullopt) },
        { "a blank session id", withSession(Value("  ")) },
        { "a session id of the wrong kind", withSession(Value(ValueArray {})) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        freeSession();
        server.setRawReply(FakeCompanyServer::kLogin, FakeCompanyServer::replyText(c.content, "200"));
        server.clearReceived();
        loginDelegate->events.clear();
        EXPECT_FALSE(signIn());
        EXPECT_EQ(loginDelegate->events, (std::vector<std::string> { "button", "error:No status" }));
        auto session = LoginMode::sharedInstance();
        EXPECT_EQ(session->loginType(), LoginMode::kLoginTypeNone);
        EXPECT_FALSE(session->sessionId());
        EXPECT_EQ(commands(), std::vector<std::string> { "login" });
        // The resync it asked for was not taken.
        EXPECT_TRUE(exists("acme/ProductImages/chair.png"));
        EXPECT_EQ(stringDefault("ACME-ProductSynced"), "synced");
    }
}

}  // namespace
