// The stored sign-ins' passwords with a desktop keyring on the test's own
// session bus: they go there and the database and the user defaults hold
// none; the offline sign-in and the shortcuts find them there; passwords an
// earlier version kept in clear keep working and move there on first use.
// Each test's body runs in a process of its own, whose session bus is the
// test's before anything asks for it.
#include "SessionRoad.h"
#include "Database/DataAccessManager.h"
#include "Database/SavedPasswords.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "support/ChildProcess.h"
#include "support/ClockFixture.h"
#include "support/KeyringSession.h"
#include "support/ServerSettings.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class SignInKeyringDeathTest : public SessionRoad {
protected:
    void SetUp() override
    {
        const std::string missing = KeyringSession::missingPrograms();
        if (!missing.empty()) {
            if (servicesAreRequired())
                FAIL() << missing;
            GTEST_SKIP() << missing;
        }
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        SessionRoad::SetUp();
    }

    // What the database keeps in the password column of the account.
    std::string storedPassword()
    {
        auto db = SQLDatabase::sharedDataBase();
        if (!db)
            return "<no database>";
        auto rs = db->executeQuery("select password from corvelle_login_user where useName = ?", std::string("sales1"));
        std::string password = rs && rs->next() ? rs->stringForColumn("password").value_or("") : "<no row>";
        if (rs)
            rs->close();
        return password;
    }

    Value savedEntry(const std::string& account)
    {
        const Value saved = NSUserDefaults::standardUserDefaults()->arrayForKey(LoginMode::kLoginInfoArray);
        for (const Value& entry : saved.arrayValue())
            if (entry[LoginMode::kInputUserID].isString() && entry[LoginMode::kInputUserID].stringValue() == account)
                return entry;
        return Value();
    }

    bool offline(const std::string& password)
    {
        freeSession();
        server.stop();
        loginDelegate->events.clear();
        const bool in = signIn(password);
        return in && LoginMode::sharedInstance()->loginType() == LoginMode::kLoginTypeOffline;
    }

    bool serverUp()
    {
        if (!server.start())
            return false;
        pointSettingsAtServer(server);
        return true;
    }

    // The tests' bodies, run in the child.
    void passwordsLiveInTheKeyring()
    {
        KeyringSession keyring;
        if (!keyring.available()) {
            ADD_FAILURE() << keyring.missingReason();
            return;
        }
        ScopedManualClock clock;
        // A shortcut an earlier version saved, its password in clear.
        NSUserDefaults::standardUserDefaults()->setObjectForKey(
            Value(ValueArray({ Value::dictionary({ { LoginMode::kInputUserID, Value("sales2") },
                { LoginMode::kInputPassWord, Value("old shortcut password") },
                { LoginMode::kInputClientID, Value("ACME") }, { LoginMode::kInputUseShortcut, Value("YES") } }) })),
            LoginMode::kLoginInfoArray);

        EXPECT_TRUE(signIn("secret"));
        EXPECT_EQ(storedPassword(), SavedPasswords::kInKeyring);
        // No saved sign-in holds a password any more, yet each still has its own.
        for (const char* account : { "sales1", "sales2" }) {
            const Value entry = savedEntry(account);
            EXPECT_TRUE(entry[LoginMode::kInputPassWord].isString()) << account;
            EXPECT_EQ(entry[LoginMode::kInputPassWord].stringValue(), "") << account;
        }
        EXPECT_EQ(LoginMode::savedPassword(savedEntry("sales1")), "secret");
        EXPECT_EQ(LoginMode::savedPassword(savedEntry("sales2")), "old shortcut password");
        const std::string defaultsFile = NSUserDefaults::standardUserDefaults()->filePath();
        NSUserDefaults::standardUserDefaults()->synchronize();
        EXPECT_EQ(fileText(defaultsFile).find("old shortcut password"), std::string::npos);

        EXPECT_TRUE(offline("secret"));
        EXPECT_FALSE(offline("wrong"));
        EXPECT_EQ(loginDelegate->events.back(), "error:Wrong password");

        // A row an earlier version wrote, password in clear: it still opens
        // the account offline, and is moved to the keyring as it does.
        SQLDatabase::sharedDataBase()->executeUpdate("update corvelle_login_user set password = ? where useName = ?",
            std::string("secret"), std::string("sales1"));
        EXPECT_TRUE(offline("secret"));
        EXPECT_EQ(storedPassword(), SavedPasswords::kInKeyring);
        EXPECT_TRUE(offline("secret"));

        // The password changed on the server: the refused one stops
        // opening the account here, and the new one is kept in its place.
        ASSERT_TRUE(serverUp());
        server.setAccount("ACME", "sales1", { "changed" });
        freeSession();
        EXPECT_FALSE(signIn("secret"));
        EXPECT_FALSE(offline("secret"));
        ASSERT_TRUE(serverUp());
        freeSession();
        EXPECT_TRUE(signIn("changed"));
        EXPECT_EQ(storedPassword(), SavedPasswords::kInKeyring);
        EXPECT_TRUE(offline("changed"));
    }

    void passwordsStayInTheOwnersFiles()
    {
        KeyringSession bus(false);
        if (!bus.available()) {
            ADD_FAILURE() << bus.missingReason();
            return;
        }
        ScopedManualClock clock;
        EXPECT_TRUE(signIn("secret"));
        EXPECT_EQ(storedPassword(), "secret");
        EXPECT_EQ(savedEntry("sales1")[LoginMode::kInputPassWord].stringValue(), "secret");
        EXPECT_EQ(LoginMode::savedPassword(savedEntry("sales1")), "secret");
        EXPECT_TRUE(offline("secret"));
        EXPECT_FALSE(offline("wrong"));
    }

    [[noreturn]] static void finish()
    {
        std::fprintf(stderr, "checks %s\n", ::testing::Test::HasFailure() ? "failed" : "passed");
        std::exit(::testing::Test::HasFailure() ? 1 : 0);
    }
};

}  // namespace

TEST_F(SignInKeyringDeathTest, PasswordsLiveInTheKeyringAndSignInOffline)
{
    EXPECT_EXIT(
        {
            passwordsLiveInTheKeyring();  // its helpers stop with it
            finish();
        },
        ::testing::ExitedWithCode(0), "checks passed");
}

// A session bus on which no keyring answers: the passwords are kept as
// before, in the owner-only database and defaults, and sign in offline.
TEST_F(SignInKeyringDeathTest, WithoutAKeyringPasswordsStayInTheOwnersFiles)
{
    EXPECT_EXIT(
        {
            passwordsStayInTheOwnersFiles();  // its helpers stop with it
            finish();
        },
        ::testing::ExitedWithCode(0), "checks passed");
}
