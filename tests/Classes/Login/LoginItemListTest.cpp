// The strip of sign-in shortcuts under the form: how tiles are laid out and
// paged, signing in with a tap, the edit mode of a long press, and deleting
// demo and saved shortcuts (the saved sign-in stays for the completion).

#include "LoginScreenFixture.h"

#include "Classes/Frame/StyledPageControl.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSNotificationCenter.h"

#include <cmath>
#include <sys/stat.h>

namespace {

using ShortcutStripTest = LoginScreenFixture;

std::vector<Value> savedShortcuts(int count)
{
    std::vector<Value> entries;
    for (int i = 0; i < count; ++i) {
        Value e = Value::dictionary(
            { { "Input_UserID", Value("user" + std::to_string(i)) }, { "Input_PassWord", Value("pw") },
                { "Input_ClientID", Value("C" + std::to_string(i)) }, { "INPUT_USESHORTCUT", Value("YES") } });
        entries.push_back(e);
    }
    return entries;
}

TEST_F(ShortcutStripTest, TilesAreSpacedFourToAPage)
{
    struct Case {
        bool firstDemo;
        int saved;
        std::vector<CGFloat> x;
        int pages;
    } cases[] = {
        { false, 0, {}, 1 },
        { true, 2,
            { (1024 - 693) / 6.0 * 2, (1024 - 693) / 6.0 * 2 + 231 + (1024 - 693) / 6.0,
                (1024 - 693) / 6.0 * 2 + 2 * (231 + (1024 - 693) / 6.0) },
            1 },
        { true, 4,
            { 2 * 100 / 7.0, 2 * 100 / 7.0 + (231 + 100 / 7.0), 2 * 100 / 7.0 + 2 * (231 + 100 / 7.0),
                2 * 100 / 7.0 + 3 * (231 + 100 / 7.0), 1024 + 2 * 100 / 7.0 },
            2 },
    };
    for (const auto& c : cases) {
        demoSwitches(c.firstDemo, false);
        saveSignIns(savedShortcuts(c.saved));
        show();
        auto strip = form()->loginItemList();
        ASSERT_EQ(strip->itemList().size(), c.x.size());
        for (size_t i = 0; i < c.x.size(); ++i) {
            const CGRect f = strip->itemList()[i]->frame();
            EXPECT_NEAR(f.origin.x, c.x[i], 0.01) << i;
            EXPECT_EQ(f.origin.y, 10);
            EXPECT_EQ(f.size.width, 231);
            EXPECT_EQ(f.size.height, 60);
        }
        EXPECT_EQ(strip->page(), c.pages);
        EXPECT_EQ(form()->pageControl()->numberOfPages(), c.pages);
        if (!c.x.empty()) {
            EXPECT_EQ(strip->contentSize().width, 1024 * c.pages);
        }
    }
    // Labels: a demo tile says "Demo", a tile without a logo its client id.
    auto strip = form()->loginItemList();
    EXPECT_EQ(strip->itemList()[0]->lblCompany()->text(), "Demo");
    EXPECT_FALSE(strip->itemList()[0]->lblCompany()->isHidden());
    EXPECT_EQ(strip->itemList()[1]->lblCompany()->text(), "C0");
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("WelcomeScreenShortcuts.png")));
}

TEST_F(ShortcutStripTest, EntriesNotMarkedAsShortcutsGetNoTile)
{
    demoSwitches(false, false);
    Value blank = entry("u2", "p", "B", " ");
    saveSignIns({ entry("u1", "p", "A", "YES"), entry("u0", "p", "Z"), blank, entry("u3", "p", "C", "NO"),
        entry("u4", "p", "D", "yes") });
    show();
    std::vector<std::string> clients;
    for (const auto& item : form()->loginItemList()->itemList())
        clients.push_back(item->clientId());
    EXPECT_EQ(clients, (std::vector<std::string> { "A", "D" }));
}

TEST_F(ShortcutStripTest, ASavedTileSignsInWithItsAccountAndAShakingTileDoesNot)
{
    demoSwitches(false, false);
    saveSignIns({ entry("sales1", "secret", "ACME", "YES") });
    show();
    auto tile = form()->loginItemList()->itemList().at(0);

    driver->longPress(tile);
    EXPECT_TRUE(tile->shaking());
    EXPECT_FALSE(tile->btnDelete()->isHidden());
    driver->tap(tile);
    EXPECT_TRUE(frontDoor->messagesFor(0x102).empty());

    // A tap well above the strip ends the edit mode.
    tapBackground();
    EXPECT_FALSE(tile->shaking());
    EXPECT_TRUE(tile->btnDelete()->isHidden());
    driver->tap(tile);
    auto sent = frontDoor->messagesFor(0x102);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].parameters["accountId"].stringValue(), "sales1");
    EXPECT_EQ(sent[0].parameters["clientId"].stringValue(), "ACME");
}

TEST_F(ShortcutStripTest, DeletingTheFirstDemoTileSwitchesItOffForGood)
{
    demoSwitches(true, true);
    show();
    auto strip = form()->loginItemList();
    ASSERT_EQ(strip->itemList().size(), 2u);
    driver->longPress(strip->itemList()[0]);
    driver->tap(strip->itemList()[0]->btnDelete());
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), stringWithFormat(text("DELETESHORTCUT"), std::string("Demo")));
    EXPECT_EQ(alert->message(), text("DELETEDEMOSHORTCUT"));
    ASSERT_TRUE(driver->tapAlertButton(text("DELETE")));

    ASSERT_EQ(strip->itemList().size(), 1u);
    EXPECT_EQ(strip->itemList()[0]->clientId(), "velloran_");
    EXPECT_FALSE(NSUserDefaults::standardUserDefaults()->boolForKey("D_OKRA_SHORTCUT"));
    EXPECT_TRUE(NSUserDefaults::standardUserDefaults()->boolForKey("VELLORAN_SHORTCUT"));

    // A new welcome screen (the next start) leaves it away.
    show();
    ASSERT_EQ(form()->loginItemList()->itemList().size(), 1u);
    EXPECT_EQ(form()->loginItemList()->itemList()[0]->clientId(), "velloran_");

    // Switched on again elsewhere (the settings), the strip follows.
    NSUserDefaults::standardUserDefaults()->setBoolForKey(true, "D_OKRA_SHORTCUT");
    driver->settle();
    EXPECT_EQ(form()->loginItemList()->itemList().size(), 2u);
}

TEST_F(ShortcutStripTest, DeletingASavedShortcutKeepsTheSignInAtTheEndWithoutItsMark)
{
    demoSwitches(false, false);
    saveSignIns({ entry("sales1", "secret", "ACME", "YES"), entry("boss", "pw", "BETA", "YES") });
    show();
    form()->userNameInputText()->setText("sales1");
    form()->clientIDInputText()->setText("ACME");
    driver->tap(form()->btnAutologin());
    ASSERT_TRUE(form()->btnAutologin()->isSelected());

    auto strip = form()->loginItemList();
    driver->longPress(strip->itemList()[0]);
    driver->tap(strip->itemList()[0]->btnDelete());
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), stringWithFormat(text("DELETESHORTCUT"), std::string("ACME")));
    EXPECT_EQ(alert->message(), stringWithFormat(text("DELETENORMALSHORTCUT"), std::string("ACME")));
    // Cancel keeps everything.
    ASSERT_TRUE(driver->tapAlertButton(text("CANCEL")));
    EXPECT_EQ(strip->itemList().size(), 2u);

    driver->tap(strip->itemList()[0]->btnDelete());
    ASSERT_TRUE(driver->tapAlertButton(text("DELETE")));
    ASSERT_EQ(strip->itemList().size(), 1u);
    EXPECT_EQ(strip->itemList()[0]->clientId(), "BETA");
    // The fields named the deleted shortcut: the box is unticked.
    EXPECT_FALSE(form()->btnAutologin()->isSelected());

    const ValueArray saved = savedSignIns();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0]["Input_ClientID"].stringValue(), "BETA");
    const Value& moved = saved[1];
    EXPECT_EQ(moved["Input_UserID"].stringValue(), "sales1");
    EXPECT_EQ(moved["Input_PassWord"].stringValue(), "secret");
    EXPECT_EQ(moved["Input_ClientID"].stringValue(), "ACME");
    EXPECT_EQ(moved["INPUT_USESHORTCUT"].stringValue(), "NO");
    EXPECT_FALSE(moved.contains("Input_DeviceID"));
    // The file holding the passwords stays its owner's alone.
    struct stat info { };
    ASSERT_EQ(::stat(NSUserDefaults::standardUserDefaults()->filePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);

    // The sign-in still completes the form.
    form()->clientIDInputText()->setText("");
    typeInto(form()->clientIDInputText(), "ac");
    EXPECT_EQ(form()->clientIDInputText()->autoTextStr(), std::optional<std::string>("ME"));
}

TEST_F(ShortcutStripTest, TheBackgroundStopsTheShakingAndTheForegroundResumesIt)
{
    demoSwitches(true, false);
    show();
    auto tile = form()->loginItemList()->itemList().at(0);
    driver->longPress(tile);
    ASSERT_TRUE(tile->shaking());
    NSNotificationCenter::defaultCenter().postNotificationName("AppWillEnterBackgound");
    EXPECT_FALSE(tile->shaking());
    NSNotificationCenter::defaultCenter().postNotificationName("AppWillEnterForegroud");
    EXPECT_TRUE(tile->shaking());
}

}  // namespace

namespace {

TEST_F(ShortcutStripTest, SwipingTheStripTurnsThePageControl)
{
    demoSwitches(true, false);
    saveSignIns(savedShortcuts(4));
    show();
    auto strip = form()->loginItemList();
    ASSERT_EQ(strip->page(), 2);
    EXPECT_EQ(form()->pageControl()->currentPage(), 0);
    // A swipe over the gap between two tiles, right to left.
    driver->dragFrom(CGPointMake(1000, 700), CGPointMake(200, 700));
    driver->advance(1.0);
    EXPECT_EQ(strip->contentOffset().x, 1024);
    EXPECT_EQ(form()->pageControl()->currentPage(), 1);
    EXPECT_FALSE(form()->pageControl()->isHidden());
}

}  // namespace
