#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSThread.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

class NotificationTest : public ::testing::Test {
protected:
    NSNotificationCenter center;
    std::vector<std::string> heard;
};

TEST_F(NotificationTest, PostReachesObserversOfTheNameWithObjectAndUserInfo)
{
    int owner = 0;
    Value object;
    Value userInfo;
    center.addObserver(&owner, "netconnect", [&](const NSNotification& n) {
        heard.push_back("connect");
        object = n.object;
        userInfo = n.userInfo;
    });
    center.addObserver(&owner, "netUnconnect", [&](const NSNotification&) { heard.push_back("unconnect"); });

    center.postNotificationName("netconnect", Value(true), Value::dictionary({ { "tag", Value("catalog") } }));
    center.postNotificationName("someone else's", Value());
    EXPECT_EQ(heard, (std::vector<std::string> { "connect" }));
    EXPECT_EQ(object, Value(true));
    EXPECT_EQ(userInfo, Value::dictionary({ { "tag", Value("catalog") } }));
}

TEST_F(NotificationTest, SenderFilterComparesIdentity)
{
    auto gridA = std::make_shared<int>(1);
    auto gridB = std::make_shared<int>(2);
    int owner = 0;
    center.addObserver(
        &owner, "GridViewSelectionDidChangeNotification", [&](const NSNotification&) { heard.push_back("only A"); },
        gridA.get());
    center.addObserver(
        &owner, "GridViewSelectionDidChangeNotification", [&](const NSNotification&) { heard.push_back("any"); });
    struct Case {
        std::shared_ptr<void> sender;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { gridA, { "only A", "any" } },
        { gridB, { "any" } },
        { nullptr, { "any" } },
    };
    for (auto& c : cases) {
        heard.clear();
        center.postNotificationName("GridViewSelectionDidChangeNotification", {}, {}, c.sender);
        EXPECT_EQ(heard, c.expected);
    }
}

TEST_F(NotificationTest, RemovingDuringAPostStopsLaterCallsAndAddingWaitsForTheNextPost)
{
    int first = 0, second = 0, third = 0;
    center.addObserver(&first, "reload", [&](const NSNotification&) {
        heard.push_back("first");
        center.removeObserver(&first);  // itself
        center.removeObserver(&third);  // one still waiting in this post
        center.addObserver(&second, "reload", [&](const NSNotification&) { heard.push_back("added"); });
    });
    center.addObserver(&second, "reload", [&](const NSNotification&) { heard.push_back("second"); });
    center.addObserver(&third, "reload", [&](const NSNotification&) { heard.push_back("third"); });

    center.postNotificationName("reload");
    EXPECT_EQ(heard, (std::vector<std::string> { "first", "second" }));
    heard.clear();
    center.postNotificationName("reload");
    EXPECT_EQ(heard, (std::vector<std::string> { "second", "added" }));
}

TEST_F(NotificationTest, RemovalByOwnerAndByName)
{
    int screen = 0, other = 0;
    auto observeAll = [&] {
        center.addObserver(
            &screen, "display_catalog", [&](const NSNotification&) { heard.push_back("screen catalog"); });
        center.addObserver(&screen, "stopViewVideo", [&](const NSNotification&) { heard.push_back("screen video"); });
        center.addObserver(&other, "display_catalog", [&](const NSNotification&) { heard.push_back("other catalog"); });
    };
    struct Case {
        const char* name;
        std::function<void()> remove;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "owner", [&] { center.removeObserver(&screen); }, { "other catalog" } },
        { "owner and name", [&] { center.removeObserver(&screen, "display_catalog"); },
            { "other catalog", "screen video" } },
        { "token", [&] {}, { "screen catalog", "other catalog", "screen video" } },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        observeAll();
        c.remove();
        heard.clear();
        center.postNotificationName("display_catalog");
        center.postNotificationName("stopViewVideo");
        EXPECT_EQ(heard, c.expected);
        center.removeObserver(&screen);
        center.removeObserver(&other);
    }
    auto token = center.addObserver(&screen, "x", [&](const NSNotification&) { heard.push_back("x"); });
    center.removeObserverToken(token);
    heard.clear();
    center.postNotificationName("x");
    EXPECT_TRUE(heard.empty());
}

TEST_F(NotificationTest, WeakOwnerIsKeptForTheCallAndForgottenWhenGone)
{
    struct Screen {
        std::vector<std::string>* heard;
        void reload() { heard->push_back("reload"); }
    };
    auto screen = std::make_shared<Screen>(Screen { &heard });
    std::weak_ptr<Screen> weak = screen;
    Screen* raw = screen.get();
    center.addObserver(std::weak_ptr<void>(screen), "reloadlibrarycatalog", [&, raw](const NSNotification&) {
        // The last outside reference goes during the call; the object must survive it.
        screen.reset();
        EXPECT_FALSE(weak.expired());
        raw->reload();
    });
    center.postNotificationName("reloadlibrarycatalog");
    EXPECT_TRUE(weak.expired());
    center.postNotificationName("reloadlibrarycatalog");
    EXPECT_EQ(heard, (std::vector<std::string> { "reload" }));
}

TEST_F(NotificationTest, DeliveryIsOnThePostingThread)
{
    int owner = 0;
    std::thread::id deliveredOn;
    center.addObserver(
        &owner, "AppWillEnterBackgound", [&](const NSNotification&) { deliveredOn = std::this_thread::get_id(); });
    std::thread::id postedOn;
    std::thread poster([&] {
        postedOn = std::this_thread::get_id();
        center.postNotificationName("AppWillEnterBackgound");
    });
    poster.join();
    EXPECT_EQ(deliveredOn, postedOn);
    EXPECT_EQ(&NSNotificationCenter::defaultCenter(), &NSNotificationCenter::defaultCenter());
}

}  // namespace
