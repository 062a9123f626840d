// The welcome screen and its sign-in form driven as a person would: typing,
// completing from the saved sign-ins, the shortcut box, the checks on what
// was typed, and the hand-over to the session (what goes to the server and
// what comes back). Pictures of the screen are left for a person to look at.

#include "LoginScreenFixture.h"

#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/StyledPageControl.h"
#include "Classes/Frame/WebViewController.h"
#include "Classes/Frame/childMsgBox.h"
#include "Platform/Foundation/Format.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIKeyboard.h"
#include "Platform/UIKit/UIViewLayoutCheck.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIViewRendering.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/UIWebView.h"
#include "support/HttpTestServer.h"
#include "support/ServerSettings.h"
#include "support/VirtualDisplay.h"

namespace {

constexpr int kLogin = 0x102;

using WelcomeScreenTest = LoginScreenFixture;

TEST_F(WelcomeScreenTest, TheFormStandsWhereTheLayoutPutsItAndIsLeftAsAPicture)
{
    demoSwitches(true, true);
    show();
    struct Case {
        std::shared_ptr<UIView> view;
        CGRect frame;
    } cases[] = {
        { form()->userNameInputText(), CGRectMake(350, 270, 328, 40) },
        { form()->passWordInputText(), CGRectMake(350, 322, 328, 40) },
        { form()->clientIDInputText(), CGRectMake(350, 374, 328, 40) },
        { form()->btnAutologin(), CGRectMake(340, 428, 180, 35) },
        { form()->forgotPasswordLink(), CGRectMake(525, 427, 150, 35) },
        { form()->loginBut(), CGRectMake(340, 475, 338, 36) },
        { form()->loginItemList(), CGRectMake(0, 628, 1024, 80) },
        { screen->homeBg(), CGRectMake(0, 0, 1024, 748) },
    };
    for (const auto& c : cases)
        EXPECT_TRUE(CGRectEqualToRect(c.view->frame(), c.frame)) << c.frame.origin.x << "," << c.frame.origin.y;
    EXPECT_EQ(form()->userNameInputText()->placeholder(), text("USERNAMEINPUT"));
    EXPECT_EQ(form()->passWordInputText()->placeholder(), text("PASSWORDINPUT"));
    EXPECT_TRUE(form()->passWordInputText()->isSecureTextEntry());
    EXPECT_TRUE(driver->findButton(text("LOGINBUT")));
    EXPECT_EQ(form()->forgotPasswordLink()->text(), text("FORGOTPASSWORD"));
    EXPECT_TRUE(form()->pageControl()->isHidden() || form()->pageControl()->numberOfPages() == 1);
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("WelcomeScreen.png")));

    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    driver->settle();
    EXPECT_EQ(form()->userNameInputText()->placeholder(), text("USERNAMEINPUT"));
    EXPECT_TRUE(driver->findButton(text("LOGINBUT")));
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("WelcomeScreen-zh.png")));
}

TEST_F(WelcomeScreenTest, TheShortcutBoxAndTheDemoTilesKeepClearOfTheirNeighboursInEitherLanguage)
{
    demoSwitches(true, true);
    show();
    for (int language : { 1, 2 }) {
        LanguageManager::sharedInstance()->setCurrentLanguage(language);
        driver->settle();
        // The box stands inside its own button, right of the title, and
        // clear of the forgotten-password link.
        auto box = form()->btnAutologin();
        const CGRect content = box->contentRectForBounds(box->bounds());
        const CGRect image = box->convertRectToView(box->imageRectForContentRect(content), nullptr);
        const CGRect title = box->convertRectToView(box->titleRectForContentRect(content), nullptr);
        EXPECT_TRUE(CGRectContainsRect(box->convertRectToView(box->bounds(), nullptr), image)) << language;
        EXPECT_LE(CGRectGetMaxX(title), image.origin.x) << language;
        EXPECT_GT(image.size.width, 20) << language;
        auto link = form()->forgotPasswordLink();
        EXPECT_FALSE(CGRectIntersectsRect(image, link->convertRectToView(link->bounds(), nullptr))) << language;
        // Each demo tile's picture and its caption stand side by side.
        for (const auto& tile : form()->loginItemList()->itemList()) {
            const CGRect picture = tile->imageRectForContentRect(tile->contentRectForBounds(tile->bounds()));
            EXPECT_FALSE(tile->lblCompany()->isHidden());
            EXPECT_LE(CGRectGetMaxX(picture), tile->lblCompany()->frame().origin.x) << language;
        }
        std::string found;
        for (const auto& defect : UIViewFindLayoutDefects(*form()))
            found += UIViewLayoutDefectDescription(defect) + "\n";
        EXPECT_EQ(found, "") << language;
    }
}

TEST_F(WelcomeScreenTest, TheFieldsShowTheirTextsInTheMiddleOfTheirHeight)
{
    show();
    form()->userNameInputText()->setText("sales1");
    struct Case {
        const char* name;
        std::shared_ptr<UIView> field;
    } cases[] = {
        { "user id, typed", form()->userNameInputText() },
        { "password, placeholder", form()->passWordInputText() },
        { "client id, placeholder", form()->clientIDInputText() },
    };
    for (const auto& c : cases) {
        auto image = UIViewRenderToImage(*c.field);
        ASSERT_TRUE(image) << c.name;
        auto pixels = image->CGImage();
        const double scale = double(pixels->height()) / double(c.field->bounds().size.height);
        long top = -1, bottom = -1;
        for (size_t y = 0; y < pixels->height(); ++y)
            for (size_t x = 0; x < pixels->width(); ++x)
                if (pixels->pixelAt(x, y).alpha > 64) {
                    if (top < 0)
                        top = long(y);
                    bottom = long(y);
                    break;
                }
        ASSERT_GE(top, 0) << c.name << " shows nothing";
        const double middle = (double(top) + double(bottom) + 1) / 2 / scale;
        EXPECT_NEAR(middle, c.field->bounds().size.height / 2, 3) << c.name;
    }
}

TEST_F(WelcomeScreenTest, BlankFieldsAreRefusedAndNothingIsSent)
{
    struct Case {
        const char* user;
        const char* password;
        const char* client;
    } cases[] = {
        { "", "secret", "ACME" },
        { "   ", "secret", "ACME" },
        { "sales1", "  ", "ACME" },
        { "sales1", "secret", "" },
        { "sales1", "secret", " \t " },
    };
    show();
    for (const auto& c : cases) {
        form()->userNameInputText()->setText(c.user);
        form()->passWordInputText()->setText(c.password);
        form()->clientIDInputText()->setText(c.client);
        ASSERT_TRUE(driver->tapButton(text("LOGINBUT")));
        auto alert = driver->visibleAlert();
        ASSERT_TRUE(alert) << "'" << c.user << "' '" << c.password << "' '" << c.client << "'";
        EXPECT_EQ(alert->title(), text("NOTIFICATION"));
        EXPECT_EQ(alert->message(), text("INPUTCANTNOTNULL"));
        ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    }
    EXPECT_TRUE(frontDoor->messagesFor(kLogin).empty());
}

TEST_F(WelcomeScreenTest, SignInSendsWhatWasTypedBehindAWaitBoxAndShowsARefusal)
{
    show();
    fill("sales1", "secret", "ACME");
    driver->tap(form()->btnAutologin());
    EXPECT_TRUE(form()->btnAutologin()->isSelected());
    frontDoor->replyTo(
        kLogin, R"({"content":"","results":[{"detail":"","message":"Wrong password","status":"206"}]})", 1.0);
    ASSERT_TRUE(driver->tapButton(text("LOGINBUT")));

    auto sent = frontDoor->messagesFor(kLogin);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].parameters["accountId"].stringValue(), "sales1");
    EXPECT_EQ(sent[0].parameters["clientId"].stringValue(), "ACME");
    // Only the digest of the password leaves the device.
    EXPECT_NE(sent[0].parameters["password"].stringValue(), "secret");
    EXPECT_EQ(sent[0].body.find("secret"), std::string::npos);
    EXPECT_NE(MessageBox::sharedInstance()->waitMsgBoxtag(), 0);
    EXPECT_TRUE(driver->findLabel(text("LOGINWAITING")));

    driver->advance(1.0);
    driver->settle();
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), text("NOTIFICATION"));
    // The reply's status picks the text shown.
    EXPECT_EQ(alert->message(), text("206"));
    EXPECT_EQ(MessageBox::sharedInstance()->waitMsgBoxtag(), 0);
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeNone);
}

TEST_F(WelcomeScreenTest, AFirstSignInWithoutTheNetworkSaysSo)
{
    show();
    fill("sales1", "secret", "ACME");
    ASSERT_TRUE(driver->tapButton(text("LOGINBUT")));
    auto sent = frontDoor->messagesFor(kLogin);
    ASSERT_EQ(sent.size(), 1u);
    frontDoor->fail(sent[0].tag);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] {
        auto alert = driver->visibleAlert();
        return alert && alert->title() == text("NOTIFICATION");
    }));
    EXPECT_EQ(driver->visibleAlert()->message(), text("FIRSTLOGINNETWORKERRO"));
    EXPECT_EQ(MessageBox::sharedInstance()->waitMsgBoxtag(), 0);
    // No client folder was made for a sign-in that never happened.
    EXPECT_FALSE(NSFileManager::defaultManager().fileExistsAtPath(home->documents() + "/acme"));
}

TEST_F(WelcomeScreenTest, TheDemoTileSignsInWithoutSendingAnything)
{
    demoSwitches(true, true);
    show();
    ASSERT_EQ(form()->loginItemList()->itemList().size(), 2u);
    const size_t before = frontDoor->messages().size();
    driver->tap(form()->loginItemList()->itemList()[0]);
    driver->settle();
    auto session = LoginMode::sharedInstance();
    EXPECT_EQ(session->loginType(), LoginMode::kLoginTypeDemo);
    EXPECT_EQ(session->clientID(), std::optional<std::string>("dostrevik_"));
    EXPECT_EQ(frontDoor->messages().size(), before);
}

TEST_F(WelcomeScreenTest, ClientIdCompletionOffersTheRestInGreyAndTheKeyboardGoingAcceptsIt)
{
    saveSignIns({ entry("sales1", "secret", "ABC"), entry("boss", "pw", "XYZ") });
    show();
    auto client = form()->clientIDInputText();
    client->setText("");
    typeInto(client, "ab");
    EXPECT_EQ(client->autoTextStr(), std::optional<std::string>("C"));
    EXPECT_GT(client->x(), 0);
    EXPECT_EQ(form()->loginData(), std::vector<std::string> { "ABC" });

    // Tapping another field leaves the typed text as it is.
    driver->tap(form()->passWordInputText());
    driver->advance(0.35);
    EXPECT_EQ(client->text(), "ab");

    typeInto(client, "c");
    EXPECT_EQ(client->text(), "abc");
    // A field holding exactly a saved value offers nothing.
    EXPECT_EQ(client->autoTextStr().value_or(""), "");

    driver->pressBackspace();
    EXPECT_EQ(client->text(), "ab");
    client->setText("a");
    driver->typeText("b");
    EXPECT_EQ(client->autoTextStr(), std::optional<std::string>("C"));
    // Dismissing the keyboard takes the shown completion.
    tapBackground();
    EXPECT_FALSE(client->isEditing());
    // The saved value itself, as it was saved.
    EXPECT_EQ(client->text(), "ABC");
    EXPECT_FALSE(client->autoTextStr());
}

TEST_F(WelcomeScreenTest, UserIdCompletesExactlyAndReturnTakesTheCompletion)
{
    saveSignIns({ entry("Sales1", "secret", "ACME"), entry("sales2", "pw", "ACME") });
    show();
    auto user = form()->userNameInputText();
    user->setText("");
    typeInto(user, "s");
    // The user id is compared as typed: only the lower-case one is offered.
    EXPECT_EQ(form()->loginData(), std::vector<std::string> { "sales2" });
    EXPECT_EQ(user->autoTextStr(), std::optional<std::string>("ales2"));
    driver->pressReturn();
    EXPECT_EQ(user->text(), "sales2");
    EXPECT_TRUE(form()->passWordInputText()->isEditing());
}

TEST_F(WelcomeScreenTest, ReturnOnThePasswordFillsTheClientOnlyWhenOneClientMatches)
{
    struct Case {
        std::vector<Value> saved;
        std::string expected;
    } cases[] = {
        { { entry("sales1", "secret", "ACME"), entry("sales1", "other", "BETA") }, "ACME" },
        { { entry("sales1", "secret", "ACME"), entry("sales1", "secret", "BETA") }, "" },
        { { entry("sales1", "secret", "ACME"), entry("sales1", "secret", "ACME") }, "ACME" },
    };
    for (auto& c : cases) {
        saveSignIns(c.saved);
        show();
        form()->userNameInputText()->setText("sales1");
        form()->clientIDInputText()->setText("");
        typeInto(form()->passWordInputText(), "secret");
        driver->pressReturn();
        EXPECT_TRUE(form()->clientIDInputText()->isEditing());
        EXPECT_EQ(form()->clientIDInputText()->text(), c.expected);
        tapBackground();
    }
}

TEST_F(WelcomeScreenTest, TickingTheBoxForASecondAccountOfAClientAsksToReplaceItsShortcut)
{
    saveSignIns({ entry("boss", "pw", "ACME", "YES") });
    show();
    form()->userNameInputText()->setText("sales1");
    form()->clientIDInputText()->setText("ACME");

    driver->tap(form()->btnAutologin());
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), stringWithFormat(text("SHORTCUTEXISTS"), std::string("ACME")));
    EXPECT_EQ(alert->message(), stringWithFormat(text("SHORTCUTREPLACEALERT"), std::string("ACME")));
    ASSERT_TRUE(driver->tapAlertButton(text("CANCEL")));
    EXPECT_FALSE(form()->btnAutologin()->isSelected());

    driver->tap(form()->btnAutologin());
    ASSERT_TRUE(driver->tapAlertButton(text("REPLACE")));
    EXPECT_TRUE(form()->btnAutologin()->isSelected());

    // The same account in another case is no second account.
    driver->tap(form()->btnAutologin());
    form()->userNameInputText()->setText("BOSS");
    driver->tap(form()->btnAutologin());
    EXPECT_FALSE(driver->visibleAlert());
    EXPECT_TRUE(form()->btnAutologin()->isSelected());
}

TEST_F(WelcomeScreenTest, TheKeyboardLiftsTheFormAndTheForgottenPasswordLinkOpensThePage)
{
    show();
    driver->tap(form()->userNameInputText());
    driver->advance(0.3);
    EXPECT_EQ(screen->homeBg()->frame().origin.y, -120);
    EXPECT_EQ(form()->glowingUser()->alpha(), 1);
    tapBackground();
    driver->advance(0.3);
    EXPECT_EQ(screen->homeBg()->frame().origin.y, 0);
    EXPECT_EQ(form()->glowingUser()->alpha(), 0);

    driver->tap(form()->forgotPasswordLink());
    driver->advance(0.5);
    auto page = std::dynamic_pointer_cast<WebViewController>(screen->presentedViewController());
    ASSERT_TRUE(page);
    EXPECT_NE(page->url().find("http"), std::string::npos);
}

TEST_F(WelcomeScreenTest, TheForgottenPasswordPageLoadsFromTheImageServer)
{
    REQUIRE_WEB_ENGINE_DISPLAY();
    HttpTestServer server;
    server.route("/index.php", [](const HttpTestRequest&, HttpTestConnection& c) {
        c.respond(
            200, R"(<body style="margin:0;background:#f0c000">Forgotten</body>)", { { "Content-Type", "text/html" } });
    });
    show();
    // The image server, set after the screen's start, which sets its own.
    pointImageSettingsAt(server.port(), "");
    driver->tap(form()->forgotPasswordLink());
    driver->advance(0.5);
    auto page = std::dynamic_pointer_cast<WebViewController>(screen->presentedViewController());
    ASSERT_TRUE(page);
    auto web = page->contentWebView();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !web->isLoading() && web->webPagePictureIsCurrent(); }, 90));
    auto requests = server.requestsFor("/index.php");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/index.php?option=com_forgetpw&view=newsletter");
    auto picture = web->webPagePicture();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->pixelAt(600, 400), (CGPixel { 0xf0, 0xc0, 0x00, 0xff }));
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("forgotten-password-page.png")));
}

TEST_F(WelcomeScreenTest, DemoDataAreUnpackedBehindAWaitBoxOnTheFirstStart)
{
    for (const char* demo : { "dostrevik_", "velloran_" })
        NSFileManager::defaultManager().removeItemAtPath(home->documents() + "/" + demo);
    // The box stands only while the archive unpacks on another thread, which
    // may end at any moment, even in the turn that shows the box: it is looked
    // for after each turn of showing the screen, from the turn that asks for it
    // (the message box shows what it is asked for on the next turn).
    screen = std::make_shared<WeclomeViewController>();
    window->setRootViewController(screen);
    std::shared_ptr<UILabel> waitText;
    ASSERT_TRUE(pumpMainRunLoopUntil(
        [&] {
            auto box = MessageBox::sharedInstance()->boxWithTag(MessageBox::sharedInstance()->waitMsgBoxtag());
            if (box && box->av())
                waitText = std::dynamic_pointer_cast<UILabel>(box->av()->viewWithTag(MessageBox::kWaitTextTag));
            return waitText != nullptr;
        },
        9));
    EXPECT_EQ(waitText->text(), text("INITEALIZINGDATA"));
    ASSERT_TRUE(pumpMainRunLoopUntil([] { return MessageBox::sharedInstance()->waitMsgBoxtag() == 0; }, 9));
    for (const char* demo : { "dostrevik_", "velloran_" })
        EXPECT_TRUE(NSFileManager::defaultManager().fileExistsAtPath(home->documents() + "/" + demo)) << demo;
}

}  // namespace
