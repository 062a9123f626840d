// The screen kit itself: the fake front door, the driver's finders, the
// table-update check, the responder helpers and the main-thread check.

#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/SessionCommands.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UITabBarController.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UIToolbar.h"
#include "support/ScreenTest.h"

#include <gtest/gtest-spi.h>

#include <thread>

namespace {

class Receiver : public NetworkRecDelegate {
public:
    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override { replies.push_back(reply); }
    std::vector<std::shared_ptr<NetBaseRst>> replies;
};

class ScreenKitTest : public ScreenTest {
protected:
    int send(const std::shared_ptr<Receiver>& receiver)
    {
        auto request = std::make_shared<RequestCheckDeviceStatus>();
        request->setReceiveDelegete(receiver);
        return NetworkModel::sharedInstance()->sendRequest(request);
    }
};

TEST_F(ScreenKitTest, FrontDoorAnswersCannedRepliesOnTheClockAndHoldsTheRest)
{
    auto receiver = std::make_shared<Receiver>();
    frontDoor->replyTo(0x106, FakeFrontDoor::envelope("200"), 2.0);
    const int tag = send(receiver);
    EXPECT_EQ(tag >> 16, 0x106);
    ASSERT_EQ(frontDoor->messages().size(), 1u);
    EXPECT_EQ(frontDoor->messages()[0].parameters["methodName"].stringValue(), "checkDeviceStatus");

    driver->advance(1.9);
    EXPECT_TRUE(receiver->replies.empty());
    driver->advance(0.1);
    ASSERT_EQ(receiver->replies.size(), 1u);
    EXPECT_EQ(receiver->replies[0]->status, "200");
    EXPECT_EQ(receiver->replies[0]->requestCode, tag);

    // A command with no canned reply waits for the test.
    auto version = std::make_shared<RequestCheckVersion>();
    version->setReceiveDelegete(receiver);
    const int waiting = NetworkModel::sharedInstance()->sendRequest(version);
    driver->advance(60);
    EXPECT_EQ(frontDoor->waiting(), std::vector<int> { waiting });
    frontDoor->fail(waiting, 3);
    driver->settle();
    ASSERT_EQ(receiver->replies.size(), 2u);
    EXPECT_EQ(receiver->replies[1]->status, "999");
    EXPECT_EQ(receiver->replies[1]->httpRsp, 3);
    EXPECT_TRUE(frontDoor->waiting().empty());
}

TEST_F(ScreenKitTest, FrontDoorSendsALockedUserReplyToTheLockedUserHandling)
{
    std::vector<std::string> locked;
    ProtocolServices::services().logoutWithLockedUser
        = [&](const std::string& status, const std::optional<std::string>&) { locked.push_back(status); };
    auto receiver = std::make_shared<Receiver>();
    frontDoor->replyTo(0x106, FakeFrontDoor::envelope("114"));
    send(receiver);
    driver->settle();
    EXPECT_EQ(locked, std::vector<std::string> { "114" });
    EXPECT_TRUE(receiver->replies.empty());
}

TEST_F(ScreenKitTest, ReplyToAReceiverThatWentAwayIsDropped)
{
    auto receiver = std::make_shared<Receiver>();
    frontDoor->replyTo(0x106, FakeFrontDoor::envelope("200"), 1);
    send(receiver);
    receiver.reset();
    driver->advance(1);
    EXPECT_TRUE(frontDoor->waiting().empty());
}

TEST_F(ScreenKitTest, FindersSeeOnlyWhatIsOnScreenAndTapLikeAPerson)
{
    std::vector<std::string> taps;
    auto first = std::make_shared<UIViewController>();
    first->setTitle("Orders");
    first->setTabBarItem(std::make_shared<UITabBarItem>("Orders", nullptr, 0));
    auto second = std::make_shared<UIViewController>();
    second->setTabBarItem(std::make_shared<UITabBarItem>("Customers", nullptr, 1));
    auto navigation = UINavigationController::withRootViewController(first);
    first->navigationItem()->rightBarButtonItem = std::make_shared<UIBarButtonItem>(
        "Save", UIBarButtonItemStylePlain, [&](UIBarButtonItem&) { taps.push_back("Save"); });
    auto tabs = std::make_shared<UITabBarController>();
    tabs->setViewControllers({ navigation, second });
    showRoot(tabs);

    auto shown = std::make_shared<UIButton>(CGRectMake(10, 100, 100, 40));
    shown->setTitleForState("Go", UIControlStateNormal);
    shown->setTag(42);
    shown->addTarget(UIControlEventTouchUpInside, [&](UIControl&, UIEvent*) { taps.push_back("Go"); });
    auto hiddenParent = std::make_shared<UIView>(CGRectMake(0, 200, 300, 100));
    hiddenParent->setHidden(true);
    auto hiddenButton = std::make_shared<UIButton>(CGRectMake(0, 0, 100, 40));
    hiddenButton->setTitleForState("Hidden", UIControlStateNormal);
    hiddenParent->addSubview(hiddenButton);
    first->view()->addSubview(shown);
    first->view()->addSubview(hiddenParent);

    EXPECT_EQ(driver->findView(42), shown);
    EXPECT_EQ(driver->findView<UIButton>(42), shown);
    EXPECT_EQ(driver->findButton("Hidden"), nullptr);
    EXPECT_FALSE(driver->tapButton("Hidden"));
    EXPECT_TRUE(driver->tapButton("Go"));
    EXPECT_TRUE(driver->tapBarButton("Save"));
    EXPECT_EQ(taps, (std::vector<std::string> { "Go", "Save" }));

    EXPECT_TRUE(driver->tapTab("Customers"));
    EXPECT_EQ(tabs->selectedIndex(), 1);
    EXPECT_EQ(driver->findButton("Go"), nullptr);
    EXPECT_FALSE(driver->tapTab("Settings"));
}

class Rows : public UITableViewDataSource, public UITableViewDelegate {
public:
    long count = 30;
    std::vector<long> selected;
    long tableViewNumberOfRowsInSection(UITableView&, long) override { return count; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView&, const NSIndexPath& path) override
    {
        auto cell = std::make_shared<UITableViewCell>();
        cell->textLabel()->setText("Row " + std::to_string(path.row()));
        return cell;
    }
    void tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath& path) override
    {
        selected.push_back(path.row());
    }
};

TEST_F(ScreenKitTest, RowsAreTappedByPlaceOrByText)
{
    auto screen = std::make_shared<UIViewController>();
    auto rows = std::make_shared<Rows>();
    auto table = std::make_shared<UITableView>(CGRectMake(0, 0, 400, 300));
    table->setDataSource(rows);
    table->setDelegate(rows);
    screen->view()->addSubview(table);
    showRoot(screen);

    EXPECT_TRUE(driver->tapRow(table, 25));
    EXPECT_TRUE(driver->tapRow("Row 24"));
    EXPECT_FALSE(driver->tapRow(table, 30));
    EXPECT_FALSE(driver->tapRow("Row 99"));
    EXPECT_EQ(rows->selected, (std::vector<long> { 25, 24 }));
}

TEST_F(ScreenKitTest, TableUpdateThatDoesNotMatchItsDataSourceFailsTheTest)
{
    auto screen = std::make_shared<UIViewController>();
    auto rows = std::make_shared<Rows>();
    auto table = std::make_shared<UITableView>(CGRectMake(0, 0, 400, 300));
    table->setDataSource(rows);
    screen->view()->addSubview(table);
    showRoot(screen);

    // The data source still answers 30 after a row is deleted.
    EXPECT_NONFATAL_FAILURE(table->deleteRowsAtIndexPathsWithRowAnimation(
                                { NSIndexPath::indexPathForRowInSection(0, 0) }, UITableViewRowAnimationNone),
        "Invalid table update");
    // The application carried on with the data as it is.
    EXPECT_EQ(table->numberOfRowsInSection(0), 30);

    rows->count = 29;
    table->deleteRowsAtIndexPathsWithRowAnimation(
        { NSIndexPath::indexPathForRowInSection(0, 0) }, UITableViewRowAnimationNone);
    EXPECT_EQ(table->numberOfRowsInSection(0), 29);
}

TEST_F(ScreenKitTest, WeakSelfAndProtectAreTyped)
{
    auto screen = std::make_shared<UIViewController>();
    std::weak_ptr<UIViewController> weak = screen->weakSelf<UIViewController>();
    std::shared_ptr<UIViewController> kept = screen->protect<UIViewController>();
    EXPECT_EQ(weak.lock(), screen);
    screen.reset();
    EXPECT_FALSE(weak.expired());
    kept.reset();
    EXPECT_TRUE(weak.expired());
}

#ifndef NDEBUG
using ScreenKitDeathTest = ScreenKitTest;

TEST_F(ScreenKitDeathTest, InterfaceAndFrontDoorStopACallFromAnotherThread)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto view = std::make_shared<UIView>();
    EXPECT_DEATH(
        { std::thread([view] { view->addSubview(std::make_shared<UIView>()); }).join(); }, "off the main thread");
    EXPECT_DEATH(
        {
            std::thread([] {
                NetworkModel::sharedInstance()->sendRequest(std::make_shared<RequestCheckVersion>());
            }).join();
        },
        "off the main thread");
}
#endif

}  // namespace
