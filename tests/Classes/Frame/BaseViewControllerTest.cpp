// The reference screen test: a main screen that opens a pop-up, both on the
// base screens, driven by taps on the manual clock, reading their words from
// the language tables and talking to the server through the front door.
// Later screen tests follow this shape.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/PopBaseController.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/SessionCommands.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UILabel.h"
#include "support/ScreenTest.h"

namespace {

ValueDictionary englishTable()
{
    ValueDictionary d;
    d.set("CLOSE", Value("Close"));
    d.set("CHECK", Value("Check device"));
    d.set("DETAILS", Value("Details"));
    d.set("200", Value("Success"));
    return d;
}

ValueDictionary chineseTable()
{
    ValueDictionary d;
    d.set("CLOSE", Value("关闭"));
    d.set("CHECK", Value("检查设备"));
    d.set("DETAILS", Value("详情"));
    d.set("200", Value("成功"));
    return d;
}

// A pop-up that asks the server for the device's status and shows the answer.
class DeviceStatusPopup : public PopBaseController, public NetworkRecDelegate {
public:
    void viewDidLoad() override
    {
        PopBaseController::viewDidLoad();
        if (lblTittle)
            lblTittle->setText(Language::stringOrKey("DETAILS"));
        check = UIButton::buttonWithType(UIButtonTypeCustom);
        check->setFrame(CGRectMake(40, 80, 200, 44));
        check->setTitleForState(Language::stringOrKey("CHECK"), UIControlStateNormal);
        auto weak = weakSelf<DeviceStatusPopup>();
        check->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                self->checkDevice();
        });
        view()->addSubview(check);
        answer = std::make_shared<UILabel>(CGRectMake(40, 140, 400, 30));
        view()->addSubview(answer);
        if (!bViewHasLoad())
            viewAfterFirstDidLoad();
    }
    void viewAfterFirstDidLoad() override
    {
        PopBaseController::viewAfterFirstDidLoad();
        ++setUps;
    }
    // The base's own caption refresh stays reachable beside the language hook.
    using PopBaseController::updateLanguage;
    void updateLanguage(const std::shared_ptr<UIResponder>&) override
    {
        ++languageChanges;
        check->setTitleForState(Language::stringOrKey("CHECK"), UIControlStateNormal);
    }
    void checkDevice()
    {
        auto request = std::make_shared<RequestCheckDeviceStatus>();
        request->setReceiveDelegete(std::dynamic_pointer_cast<NetworkRecDelegate>(protect<DeviceStatusPopup>()));
        NetworkModel::sharedInstance()->sendRequest(request);
    }
    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override
    {
        answer->setText(reply->message.value_or(""));
    }

    std::shared_ptr<UIButton> check;
    std::shared_ptr<UILabel> answer;
    int setUps = 0;
    int languageChanges = 0;
};

// The main screen: opens the pop-up and dismisses it when asked.
class HostScreen : public BaseViewController, public PopControllerDelegate {
public:
    void viewDidLoad() override
    {
        BaseViewController::viewDidLoad();
        auto open = UIButton::buttonWithType(UIButtonTypeCustom);
        open->setFrame(CGRectMake(20, 20, 120, 44));
        open->setTitleForState("Open", UIControlStateNormal);
        auto weak = weakSelf<HostScreen>();
        open->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                self->openPopup();
        });
        view()->addSubview(open);
        if (!bViewHasLoad())
            viewAfterFirstDidLoad();
    }
    void openPopup()
    {
        popup = std::make_shared<DeviceStatusPopup>();
        popup->setDelegate(std::dynamic_pointer_cast<PopControllerDelegate>(protect<HostScreen>()));
        presentViewControllerAnimatedCompletion(popup, true, nullptr);
    }
    void dismissPopController(bool animated) override { dismissViewControllerAnimatedCompletion(animated, nullptr); }

    std::shared_ptr<DeviceStatusPopup> popup;
};

class BaseViewControllerTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        useLanguageTables(englishTable(), chineseTable());
        LanguageManager::sharedInstance()->setCurrentLanguage(1);
        // The protocol reads reply texts from the same language service.
        ProtocolServices::services().languageText
            = [](const std::string& key) { return Language::stringWithName(key); };
        host = std::make_shared<HostScreen>();
        showRoot(host);
    }
    void openPopup()
    {
        ASSERT_TRUE(driver->tapButton("Open"));
        driver->advance(UIViewController::kTransitionDuration);
        ASSERT_NE(host->popup, nullptr);
    }
    std::shared_ptr<HostScreen> host;
};

TEST_F(BaseViewControllerTest, PopupShowsTitleBarAndCloseAsksItsOwnerToDismiss)
{
    openPopup();
    auto popup = host->popup;
    EXPECT_TRUE(popup->bViewAppear());
    ASSERT_NE(driver->findLabel("Details"), nullptr);
    auto close = driver->findButton("Close");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->frame(), CGRectMake(949, 5, 60, 34));
    EXPECT_EQ(popup->titlebar()->frame(), CGRectMake(0, 0, 1024, 44));
    driver->renderToPNG(UIDriver::snapshotPath("PopBaseController-en.png"));

    driver->tap(close);
    driver->advance(UIViewController::kTransitionDuration);
    EXPECT_EQ(host->presentedViewController(), nullptr);
    EXPECT_FALSE(popup->bViewAppear());
    EXPECT_EQ(driver->findButton("Close"), nullptr);
}

TEST_F(BaseViewControllerTest, CloseWithoutDelegateLeavesThePopupUp)
{
    openPopup();
    host->popup->setDelegate(nullptr);
    ASSERT_TRUE(driver->tapButton("Close"));
    driver->advance(UIViewController::kTransitionDuration);
    EXPECT_EQ(host->presentedViewController(), host->popup);
}

TEST_F(BaseViewControllerTest, LanguageChangeRetitlesRegisteredScreensButNotTheCloseCaption)
{
    openPopup();
    auto popup = host->popup;
    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    driver->settle();
    EXPECT_EQ(popup->languageChanges, 1);
    EXPECT_NE(driver->findButton("检查设备"), nullptr);
    // Close keeps the caption it was built with until the pop-up asks for it.
    EXPECT_NE(driver->findButton("Close"), nullptr);
    popup->updateLanguage();
    EXPECT_NE(driver->findButton("关闭"), nullptr);
    driver->renderToPNG(UIDriver::snapshotPath("PopBaseController-cn.png"));
}

TEST_F(BaseViewControllerTest, OneTimeSetUpRunsOnceAcrossAnUnloadedView)
{
    openPopup();
    auto popup = host->popup;
    ASSERT_TRUE(driver->tapButton("Close"));
    driver->advance(UIViewController::kTransitionDuration);
    popup->didReceiveMemoryWarning();
    ASSERT_FALSE(popup->isViewLoaded());
    popup->view();
    EXPECT_TRUE(popup->bViewHasLoad());
    EXPECT_EQ(popup->setUps, 1);
    // Registered once, however often its view loads: told once of a change.
    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    EXPECT_EQ(popup->languageChanges, 1);
}

TEST_F(BaseViewControllerTest, ReplyReachesTheScreenThroughTheFrontDoorOnTheClock)
{
    frontDoor->replyTo(0x106, FakeFrontDoor::envelope("200"), 0.5);
    openPopup();
    ASSERT_TRUE(driver->tapButton("Check device"));
    ASSERT_EQ(frontDoor->messagesFor(0x106).size(), 1u);
    EXPECT_EQ(frontDoor->messagesFor(0x106)[0].parameters["methodName"].stringValue(), "checkDeviceStatus");
    EXPECT_EQ(host->popup->answer->text(), "");
    driver->advance(0.5);
    EXPECT_EQ(host->popup->answer->text(), "Success");
}

TEST_F(BaseViewControllerTest, PopupsAreLandscapeOnly)
{
    DeviceStatusPopup popup;
    EXPECT_TRUE(popup.shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft));
    EXPECT_TRUE(popup.shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationLandscapeRight));
    EXPECT_FALSE(popup.shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationPortrait));
    EXPECT_FALSE(popup.shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationPortraitUpsideDown));
    EXPECT_EQ(popup.supportedInterfaceOrientations(), 24u);
}

}  // namespace
