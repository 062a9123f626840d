#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/Foundation/PropertyList.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

class UserDefaults : public TemporaryHomeTest {
protected:
    void SetUp() override
    {
        // A bundle of our own, so the file name is known.
        std::string bundle = home.scratch() + "/Test.bundle";
        NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(bundle, true);
        ASSERT_TRUE(PropertyList::writeToFile(
            Value::dictionary({ { "CFBundleIdentifier", Value("com.example.defaults") } }), bundle + "/Info.plist"));
        AppEnvironment::setBundleDirectory(bundle);
        AppEnvironment::setPreferredLanguages({ "en" });
    }

    void TearDown() override { NSNotificationCenter::defaultCenter().removeObserver(this); }

    std::shared_ptr<NSUserDefaults> defaults() { return NSUserDefaults::standardUserDefaults(); }

    std::shared_ptr<NSUserDefaults> reloaded()
    {
        NSUserDefaults::resetStandardUserDefaults();
        return NSUserDefaults::standardUserDefaults();
    }

    std::string file() const { return home.preferences() + "/com.example.defaults.plist"; }

    void observe(std::function<void(const NSNotification&)> callback)
    {
        NSNotificationCenter::defaultCenter().addObserver(
            this, NSUserDefaultsDidChangeNotification, std::move(callback));
    }
};

}  // namespace

TEST_F(UserDefaults, MissingKeysAnswerThePlatformsDefaults)
{
    auto d = defaults();
    EXPECT_EQ(d->integerForKey("missing"), 0);
    EXPECT_FALSE(d->boolForKey("missing"));
    EXPECT_EQ(d->floatForKey("missing"), 0.0f);
    EXPECT_EQ(d->doubleForKey("missing"), 0.0);
    EXPECT_TRUE(d->objectForKey("missing").isNull());
    EXPECT_EQ(d->stringForKey("missing"), std::nullopt);
    EXPECT_TRUE(d->arrayForKey("missing").isNull());
    EXPECT_TRUE(d->dictionaryForKey("missing").isNull());
    EXPECT_EQ(d->dataForKey("missing"), std::nullopt);
}

TEST_F(UserDefaults, TypedGettersConvertLikeThePlatform)
{
    struct Case {
        Value stored;
        long integer;
        bool boolean;
        std::optional<std::string> text;
        bool isArray;
    } cases[] = {
        { Value("12.50"), 12, true, "12.50", false },
        { Value("YES"), 0, true, "YES", false },
        { Value("abc"), 0, false, "abc", false },
        { Value(""), 0, false, "", false },
        { Value(12), 12, true, "12", false },
        { Value(1.5), 1, true, "1.5", false },
        { Value(200000.0), 200000, true, "200000", false },
        { Value(1.1 + 2.2), 3, true, "3.3", false },
        { Value(true), 1, true, "1", false },
        { Value(0), 0, false, "0", false },
        { Value::array({ Value(1) }), 0, false, std::nullopt, true },
        { Value(Data { 1 }), 0, false, std::nullopt, false },
    };
    auto d = defaults();
    for (const auto& c : cases) {
        ASSERT_TRUE(d->setObjectForKey(c.stored, "k"));
        SCOPED_TRACE(c.stored.description());
        EXPECT_EQ(d->integerForKey("k"), c.integer);
        EXPECT_EQ(d->boolForKey("k"), c.boolean);
        EXPECT_EQ(d->stringForKey("k"), c.text);
        EXPECT_EQ(d->arrayForKey("k").isArray(), c.isArray);
        EXPECT_TRUE(d->dictionaryForKey("k").isNull());
    }
}

TEST_F(UserDefaults, EveryKindPersistsAcrossReload)
{
    auto d = defaults();
    ASSERT_TRUE(d->setIntegerForKey(48080, "Port"));
    ASSERT_TRUE(d->setBoolForKey(true, "D_OKRA_SHORTCUT"));
    ASSERT_TRUE(d->setFloatForKey(75.3f, "rate"));
    ASSERT_TRUE(d->setDoubleForKey(0.1, "ratio"));
    ASSERT_TRUE(d->setObjectForKey(Value(""), "Path"));
    ASSERT_TRUE(d->setObjectForKey(Value(Date { 1'700'000'000.5 }), "UpdateVersionSign"));
    ASSERT_TRUE(d->setObjectForKey(
        Value::array({ Value::dictionary({ { "Input_ClientID", Value("ACME") } }) }), "Login_Info_Array"));
    ASSERT_TRUE(d->setObjectForKey(Value(Data { 0, 1 }), "blob"));
    ValueDictionary before = d->dictionaryRepresentation();

    auto again = reloaded();
    ASSERT_NE(again, d);
    EXPECT_EQ(again->dictionaryRepresentation(), before);
    EXPECT_EQ(again->integerForKey("Port"), 48080);
    EXPECT_TRUE(again->objectForKey("D_OKRA_SHORTCUT").isBool());
    EXPECT_EQ(again->floatForKey("rate"), 75.3f);
    EXPECT_EQ(again->stringForKey("rate"), "75.3");  // still a float, so it prints as one
    EXPECT_EQ(again->stringForKey("Path"), "");  // an empty text is kept, not missing
    EXPECT_EQ(again->objectForKey("UpdateVersionSign").dateValue(), (Date { 1'700'000'000.5 }));
    EXPECT_EQ(again->arrayForKey("Login_Info_Array")[size_t(0)]["Input_ClientID"], Value("ACME"));
    EXPECT_EQ(again->dataForKey("blob"), (Data { 0, 1 }));

    // The file is a binary property list named after the bundle.
    PropertyList::Format format {};
    auto bytes = NSFileManager::defaultManager().contentsAtPath(file());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(PropertyList::propertyListWithData(*bytes, &format)["Port"], Value(48080));
    EXPECT_EQ(format, PropertyList::Format::Binary);
}

TEST_F(UserDefaults, RemovalPersists)
{
    auto d = defaults();
    d->setObjectForKey(Value("a"), "one");
    d->setObjectForKey(Value("b"), "two");
    d->setObjectForKey(Value("c"), "three");

    ASSERT_TRUE(d->removeObjectForKey("one"));
    ASSERT_TRUE(d->setObjectForKey(Value(), "two"));  // null removes
    EXPECT_TRUE(reloaded()->objectForKey("one").isNull());
    EXPECT_TRUE(defaults()->objectForKey("two").isNull());
    EXPECT_EQ(defaults()->stringForKey("three"), "c");

    EXPECT_FALSE(defaults()->removePersistentDomainForName("com.example.other"));
    EXPECT_EQ(defaults()->stringForKey("three"), "c");
    ASSERT_TRUE(defaults()->removePersistentDomainForName("com.example.defaults"));
    EXPECT_TRUE(defaults()->objectForKey("three").isNull());
    EXPECT_TRUE(reloaded()->objectForKey("three").isNull());
}

TEST_F(UserDefaults, AppleLanguagesIsTheSystemsUnlessStored)
{
    AppEnvironment::setPreferredLanguages({ "zh-Hans", "en" });
    auto d = defaults();
    EXPECT_EQ(d->arrayForKey("AppleLanguages"), Value::array({ Value("zh-Hans"), Value("en") }));
    EXPECT_EQ(d->dictionaryRepresentation()["AppleLanguages"][size_t(0)], Value("zh-Hans"));

    d->setObjectForKey(Value::array({ Value("en") }), "AppleLanguages");
    EXPECT_EQ(d->arrayForKey("AppleLanguages"), Value::array({ Value("en") }));
    d->removePersistentDomainForName("com.example.defaults");
    EXPECT_EQ(d->arrayForKey("AppleLanguages")[size_t(0)], Value("zh-Hans"));
}

TEST_F(UserDefaults, RefusesValuesWithoutPropertyListForm)
{
    auto d = defaults();
    d->setObjectForKey(Value("kept"), "k");
    int notices = 0;
    observe([&](const NSNotification&) { ++notices; });
    EXPECT_FALSE(d->setObjectForKey(Value::array({ Value() }), "k"));
    EXPECT_FALSE(d->setObjectForKey(Value(std::string("a\0b", 3)), "k"));
    EXPECT_FALSE(d->setIntegerForKey(1, std::string("bad\0key", 7)));
    EXPECT_EQ(d->stringForKey("k"), "kept");
    EXPECT_EQ(reloaded()->stringForKey("k"), "kept");
    EXPECT_EQ(notices, 0);
}

TEST_F(UserDefaults, OneChangeNoticePerChangingCall)
{
    auto d = defaults();
    int notices = 0;
    observe([&](const NSNotification& n) {
        ++notices;
        EXPECT_EQ(n.sender.get(), d.get());
    });
    struct Case {
        const char* what;
        std::function<void()> call;
        int expected;
    } cases[] = {
        { "set an integer", [&] { d->setIntegerForKey(2, "language"); }, 1 },
        { "set the same integer again", [&] { d->setIntegerForKey(2, "language"); }, 1 },
        { "set a bool", [&] { d->setBoolForKey(true, "b"); }, 1 },
        { "set a float", [&] { d->setFloatForKey(1.5f, "f"); }, 1 },
        { "set a double", [&] { d->setDoubleForKey(2.5, "g"); }, 1 },
        { "set an object", [&] { d->setObjectForKey(Value("x"), "o"); }, 1 },
        { "remove a key", [&] { d->removeObjectForKey("o"); }, 1 },
        { "remove a missing key", [&] { d->removeObjectForKey("o"); }, 1 },
        { "remove every key", [&] { d->removePersistentDomainForName("com.example.defaults"); }, 1 },
        { "remove another domain", [&] { d->removePersistentDomainForName("elsewhere"); }, 0 },
        { "synchronize", [&] { d->synchronize(); }, 0 },
        { "read", [&] { d->integerForKey("language"); }, 0 },
        { "set then synchronize",
            [&] {
                d->setIntegerForKey(1, "language");
                d->synchronize();
            },
            1 },
    };
    for (const auto& c : cases) {
        notices = 0;
        c.call();
        EXPECT_EQ(notices, c.expected) << c.what;
    }
}

TEST_F(UserDefaults, NoticeComesAfterTheValueIsStoredAndSaved)
{
    auto d = defaults();
    std::thread::id setter = std::this_thread::get_id();
    std::optional<long> seen;
    std::optional<long> onDisk;
    observe([&](const NSNotification&) {
        EXPECT_EQ(std::this_thread::get_id(), setter);
        seen = d->integerForKey("language");
        onDisk = NSUserDefaults::defaultsWithFile(d->filePath(), d->domainName())->integerForKey("language");
    });
    d->setIntegerForKey(2, "language");
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(onDisk, 2);

    // A notice posted from another thread arrives on that thread.
    std::thread other([&] {
        setter = std::this_thread::get_id();
        d->setIntegerForKey(1, "language");
    });
    other.join();
    EXPECT_EQ(seen, 1);
}

TEST_F(UserDefaults, ObserverThatWritesSkipsItsOwnNoticeOnce)
{
    // The language service's pattern: a flag set before its own write makes it
    // ignore exactly the one notice that write causes.
    auto d = defaults();
    bool settingByCode = false;
    int handled = 0;
    int skipped = 0;
    observe([&](const NSNotification&) {
        if (settingByCode) {
            settingByCode = false;
            ++skipped;
            return;
        }
        ++handled;
        if (d->integerForKey("language") == 0)
            d->setIntegerForKey(1, "language");  // a write from inside the notice
    });
    settingByCode = true;
    d->setIntegerForKey(2, "language");
    d->synchronize();
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(handled, 0);

    d->setObjectForKey(Value("x"), "other");
    EXPECT_EQ(handled, 1);
    d->removeObjectForKey("language");  // the observer then writes 1: its own notice comes too
    EXPECT_EQ(handled, 3);
    EXPECT_EQ(d->integerForKey("language"), 1);
}

TEST_F(UserDefaults, FailedWriteIsReportedAndRetried)
{
    auto d = defaults();
    // Put a file where the Preferences folder should be.
    NSFileManager::defaultManager().removeItemAtPath(home.preferences());
    ASSERT_TRUE(NSFileManager::defaultManager().createFileAtPathContents(home.preferences(), Data { 1 }));

    EXPECT_FALSE(d->setIntegerForKey(7, "Port"));
    EXPECT_EQ(d->integerForKey("Port"), 7);  // kept in memory
    EXPECT_FALSE(d->synchronize());

    NSFileManager::defaultManager().removeItemAtPath(home.preferences());
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(home.preferences(), true);
    EXPECT_TRUE(d->synchronize());
    EXPECT_EQ(reloaded()->integerForKey("Port"), 7);
}

TEST_F(UserDefaults, UnreadableFileStartsEmpty)
{
    ASSERT_TRUE(NSFileManager::defaultManager().createFileAtPathContents(
        file(), Data { 'b', 'p', 'l', 'i', 's', 't', '0', '0' }));
    auto d = reloaded();
    EXPECT_TRUE(d->objectForKey("anything").isNull());
    ASSERT_TRUE(d->setIntegerForKey(1, "language"));
    EXPECT_EQ(reloaded()->integerForKey("language"), 1);
}

TEST_F(UserDefaults, FollowsTheHome)
{
    defaults()->setIntegerForKey(5, "Port");
    {
        TemporaryHome other;
        AppEnvironment::setBundleDirectory(home.scratch() + "/Test.bundle");
        EXPECT_EQ(NSUserDefaults::standardUserDefaults()->integerForKey("Port"), 0);
        NSUserDefaults::standardUserDefaults()->setIntegerForKey(9, "Port");
    }
    AppEnvironment::setHomeDirectory(home.path());
    AppEnvironment::setBundleDirectory(home.scratch() + "/Test.bundle");
    EXPECT_EQ(defaults()->integerForKey("Port"), 5);
}

TEST_F(UserDefaults, ConcurrentWritersAllLand)
{
    auto d = defaults();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([d, t] {
            for (int i = 0; i < 10; ++i)
                d->setIntegerForKey(t * 100 + i, "key" + std::to_string(t) + "_" + std::to_string(i));
        });
    }
    for (auto& w : writers)
        w.join();
    auto again = reloaded();
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(again->integerForKey("key" + std::to_string(t) + "_" + std::to_string(i)), t * 100 + i);
    }
}
