#include "ChildProcess.h"
#include "KeyringSession.h"
#include "TemporaryHome.h"
#include "Platform/CFNetwork/NSURLCredentialStorage.h"
#include "Platform/Foundation/SecretStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

// Each test runs its body in a process of its own: the keyring a process
// first finds (or finds missing) is the one it keeps using, and the session
// bus must be the test's before anything asks for it.

namespace {

std::string contents(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Every file under `folder`, joined.
std::string contentsUnder(const std::string& folder)
{
    std::string all;
    std::error_code error;
    for (auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file())
            all += contents(entry.path());
    return all;
}

void requireKeyringPrograms()
{
    const std::string missing = KeyringSession::missingPrograms();
    if (missing.empty())
        return;
    if (servicesAreRequired())
        FAIL() << missing;
    GTEST_SKIP() << missing;
}

// Ends the child with its verdict, once the keyring and bus it started have
// stopped; failures were printed as they happened.
[[noreturn]] void finish()
{
    std::fprintf(stderr, "checks %s\n", ::testing::Test::HasFailure() ? "failed" : "passed");
    std::exit(::testing::Test::HasFailure() ? 1 : 0);
}

// The tests' bodies, run in the child.

void withKeyring()
{
    KeyringSession keyring;
    if (!keyring.available()) {
        ADD_FAILURE() << keyring.missingReason();
        return;
    }
    TemporaryHome home;
    const std::string path = home.scratch() + "/credentials";
    // As an earlier version left it: one line a credential, password in clear.
    std::ofstream(path) << "old.example\t443\thttps\tOffice\t0\tolga\told secret\n";
    ::chmod(path.c_str(), 0600);
    auto& store = NSURLCredentialStorage::sharedCredentialStorage();
    ASSERT_TRUE(store.setPersistentStorePath(path));
    NSURLProtectionSpace old { "old.example", 443, "https", "Office", false };
    ASSERT_TRUE(store.defaultCredential(old));
    EXPECT_EQ(store.defaultCredential(old)->password, "old secret");
    EXPECT_EQ(contents(path).find("old secret"), std::string::npos) << contents(path);

    NSURLProtectionSpace server { "h.example", 8443, "https", "realm\twith tab", false };
    NSURLProtectionSpace proxy { "proxy.example", 3128, "http", "", true };
    store.setDefaultCredential({ "user\\name", "pass\nword" }, server);
    store.setDefaultCredential({ "proxy-user", "proxy secret" }, proxy);
    const std::string file = contents(path);
    for (const char* secret : { "pass\\nword", "proxy secret", "old secret" })
        EXPECT_EQ(file.find(secret), std::string::npos) << secret << " in " << file;
    // The keyring's own files hold them encrypted.
    const std::string keyringFiles = contentsUnder(keyring.keyringFolder());
    EXPECT_FALSE(keyringFiles.empty());
    EXPECT_EQ(keyringFiles.find("proxy secret"), std::string::npos);

    // A new run: nothing in memory, the same file.
    ASSERT_TRUE(store.setPersistentStorePath(""));
    ASSERT_TRUE(store.setPersistentStorePath(path));
    auto found = store.defaultCredential(server);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->user, "user\\name");
    EXPECT_EQ(found->password, "pass\nword");
    ASSERT_TRUE(store.defaultCredential(proxy));
    EXPECT_EQ(store.defaultCredential(proxy)->password, "proxy secret");
    EXPECT_EQ(store.defaultCredential(old)->password, "old secret");
    // The same host as a proxy, or another realm, is another space.
    EXPECT_FALSE(store.defaultCredential({ "h.example", 8443, "https", "realm\twith tab", true }));
    EXPECT_FALSE(store.defaultCredential({ "h.example", 8443, "https", "other", false }));

    store.removeDefaultCredential(proxy);
    ASSERT_TRUE(store.setPersistentStorePath(path));
    EXPECT_FALSE(store.defaultCredential(proxy));
    std::string secret;
    EXPECT_EQ(SecretStore::lookup({ { "kind", "http" }, { "host", "proxy.example" }, { "port", "3128" },
                                      { "protocol", "http" }, { "realm", "" }, { "proxy", "1" } },
                  secret),
        SecretStore::Result::NotFound);
    EXPECT_TRUE(store.defaultCredential(server));

    store.removeAll();
    ASSERT_TRUE(store.setPersistentStorePath(path));
    EXPECT_FALSE(store.defaultCredential(server));
    EXPECT_FALSE(store.defaultCredential(old));
}

void withoutKeyring()
{
    KeyringSession bus(false);
    if (!bus.available()) {
        ADD_FAILURE() << bus.missingReason();
        return;
    }
    TemporaryHome home;
    const std::string path = home.scratch() + "/credentials";
    auto& store = NSURLCredentialStorage::sharedCredentialStorage();
    ASSERT_TRUE(store.setPersistentStorePath(path));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(SecretStore::available());
    NSURLProtectionSpace server { "h.example", 443, "https", "Office", false };
    store.setDefaultCredential({ "olga", "kept in the file" }, server);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_NE(contents(path).find("kept in the file"), std::string::npos);
    struct stat info { };
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_TRUE(store.setPersistentStorePath(""));
    ASSERT_TRUE(store.setPersistentStorePath(path));
    ASSERT_TRUE(store.defaultCredential(server));
    EXPECT_EQ(store.defaultCredential(server)->password, "kept in the file");
}

}  // namespace

// Credentials a user chose to keep go to the keyring and nowhere in clear; a
// later run (a fresh store) finds them there; a file an earlier version wrote
// hands its passwords over to the keyring and keeps them no longer.
TEST(CredentialKeyringDeathTest, KeptCredentialsLiveInTheKeyringAndOldFilesMoveThere)
{
    requireKeyringPrograms();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            withKeyring();  // its helpers stop with it
            finish();
        },
        ::testing::ExitedWithCode(0), "checks passed");
}

// A session bus on which no keyring answers: the credentials stay in the
// owner-only file, are found there by a later run, and asking the bus costs
// no more than its time-out.
TEST(CredentialKeyringDeathTest, WithoutAKeyringTheOwnerOnlyFileKeepsThem)
{
    requireKeyringPrograms();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            withoutKeyring();  // its helpers stop with it
            finish();
        },
        ::testing::ExitedWithCode(0), "checks passed");
}
