#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "support/ScreenTest.h"

#include <filesystem>
#include <fstream>

namespace {

class Listener : public LanguageManagerDelegate {
public:
    void notifiChangelanguage() override { ++told; }
    int told = 0;
};

class NotAListener {
public:
    virtual ~NotAListener() = default;
};

class LanguageManagerTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        ValueDictionary en, cn;
        en.set("OK", Value("OK"));
        cn.set("OK", Value("确定"));
        useLanguageTables(en, cn);
    }
    std::shared_ptr<LanguageManager> manager() { return LanguageManager::sharedInstance(); }
    long storedLanguage() { return NSUserDefaults::standardUserDefaults()->integerForKey("language"); }
};

TEST_F(LanguageManagerTest, SystemLanguageRequestResolvesStoresAndTellsNobody)
{
    struct Case {
        std::vector<std::string> preferred;
        long expected;
    };
    for (const Case& c : { Case { { "zh-Hans", "en" }, 2 }, Case { { "en" }, 1 }, Case { { "zh-Hant" }, 1 } }) {
        resetProcessState();
        AppEnvironment::setPreferredLanguages(c.preferred);
        auto listener = std::make_shared<Listener>();
        manager()->registerLanugageNotification(listener);
        manager()->setCurrentLanguage(0);
        EXPECT_EQ(manager()->currentLanguage(), c.expected) << c.preferred[0];
        EXPECT_EQ(storedLanguage(), c.expected) << c.preferred[0];
        EXPECT_EQ(listener->told, 0) << c.preferred[0];
        // The notice of its own write was swallowed, and only that one.
        EXPECT_FALSE(manager()->isSettingByCode());
    }
}

TEST_F(LanguageManagerTest, ChangeTellsEachListenerOnceSkipsNonListenersAndStores)
{
    auto listener = std::make_shared<Listener>();
    auto other = std::make_shared<NotAListener>();
    manager()->registerLanugageNotification(listener);
    manager()->registerLanugageNotification(listener);
    manager()->registerLanugageNotification(other);
    manager()->registerLanugageNotification(std::shared_ptr<Listener>());
    EXPECT_EQ(manager()->listenerCount(), 2u);

    manager()->setCurrentLanguage(2);
    EXPECT_EQ(listener->told, 1);
    EXPECT_EQ(storedLanguage(), 2);
    EXPECT_EQ(manager()->curStringLanguage(), "zh");
    EXPECT_EQ(Language::stringWithName("OK"), "确定");

    manager()->setCurrentLanguage(2);
    EXPECT_EQ(listener->told, 1);

    manager()->unRegisterLanugageNotification(listener.get());
    manager()->setCurrentLanguage(1);
    EXPECT_EQ(listener->told, 1);
    EXPECT_EQ(Language::stringWithName("OK"), "OK");
}

TEST_F(LanguageManagerTest, ADefaultsChangeAppliesTheStoredLanguageUnlessItIsCurrent)
{
    auto listener = std::make_shared<Listener>();
    manager()->registerLanugageNotification(listener);
    manager()->setCurrentLanguage(2);
    ASSERT_EQ(listener->told, 1);
    NSUserDefaults::standardUserDefaults()->setObjectForKey(Value("x"), "unrelated");
    EXPECT_EQ(listener->told, 1);
    // Another writer of the setting switches the interface.
    NSUserDefaults::standardUserDefaults()->setIntegerForKey(1, "language");
    EXPECT_EQ(manager()->currentLanguage(), 1);
    EXPECT_EQ(listener->told, 2);
}

TEST_F(LanguageManagerTest, AListenerThatWentAwayIsSkipped)
{
    auto listener = std::make_shared<Listener>();
    manager()->registerLanugageNotification(listener);
    listener.reset();
    manager()->setCurrentLanguage(2);
    EXPECT_EQ(manager()->currentLanguage(), 2);
}

TEST_F(LanguageManagerTest, MissingKeyOrUnreadableTableGivesNothingAndALogLine)
{
    manager()->setCurrentLanguage(1);
    EXPECT_EQ(Language::stringWithName("NO_SUCH_KEY"), std::nullopt);
    EXPECT_EQ(Language::stringOrKey("NO_SUCH_KEY"), "NO_SUCH_KEY");
    EXPECT_TRUE(logged("NO_SUCH_KEY"));

    const auto table = std::filesystem::path(AppEnvironment::bundleDirectory()) / "language_cn.plist";
    std::ofstream(table, std::ios::trunc) << "not a property list";
    manager()->setCurrentLanguage(2);
    EXPECT_EQ(Language::stringWithName("OK"), std::nullopt);
    EXPECT_TRUE(logged("not a property list dictionary"));
}

TEST_F(LanguageManagerTest, LogoutEmptiesTheListenerList)
{
    auto listener = std::make_shared<Listener>();
    manager()->registerLanugageNotification(listener);
    manager()->removeAllLanugageNotification();
    manager()->setCurrentLanguage(2);
    EXPECT_EQ(listener->told, 0);
}

}  // namespace
