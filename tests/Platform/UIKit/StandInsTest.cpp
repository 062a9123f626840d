#include "WindowFixture.h"

#include "support/TemporaryHome.h"
#include "support/TestDesktop.h"

#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/UIKit/UIDocumentInteractionController.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UIWebView.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

class StandInsTest : public WindowTest {
protected:
    void TearDown() override
    {
        UIPasteboard::setSharedFolder("");
        WindowTest::TearDown();
    }
    TemporaryHome home;
};

TEST_F(StandInsTest, NamedPasteboardsAreSharedFilesWithSafeNames)
{
    UIPasteboard::setSharedFolder(home.scratch() + "/boards");
    EXPECT_EQ(UIPasteboard::pasteboardWithNameCreate("org.shared", false), nullptr);
    auto board = UIPasteboard::pasteboardWithNameCreate("org.shared", true);
    board->setDataForPasteboardType(Data { 1, 2, 3 }, "org.SharedUDID");
    board->setString("hello");
    // Another process opens the same name and reads the same items.
    auto again = UIPasteboard::pasteboardWithNameCreate("org.shared", false);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->dataForPasteboardType("org.SharedUDID"), (Data { 1, 2, 3 }));
    EXPECT_EQ(again->string(), "hello");
    EXPECT_TRUE(std::filesystem::exists(home.scratch() + "/boards/org.shared/org.SharedUDID"));

    auto sneaky = UIPasteboard::pasteboardWithNameCreate("../escape", true);
    sneaky->setDataForPasteboardType(Data { 9 }, "../../type");
    EXPECT_FALSE(std::filesystem::exists(home.scratch() + "/escape"));
    EXPECT_EQ(sneaky->pasteboardTypes(), (std::vector<std::string> { "../../type" }));
    UIPasteboard::removePasteboardWithName("org.shared");
    EXPECT_EQ(UIPasteboard::pasteboardWithNameCreate("org.shared", false), nullptr);
}

class HandOverLog : public UIDocumentInteractionControllerDelegate {
public:
    std::vector<std::string> calls;
    void documentInteractionControllerWillBeginSendingToApplication(
        UIDocumentInteractionController&, const std::string& app) override
    {
        calls.push_back("will " + app);
    }
    void documentInteractionControllerDidEndSendingToApplication(
        UIDocumentInteractionController&, const std::string& app) override
    {
        calls.push_back("did " + app);
    }
};

// The open-in menu lists what the desktop registers for the file's type, and
// the chosen application is started with the file.
TEST_F(StandInsTest, OpenInListsTheDesktopsApplicationsAndHandsTheFileOver)
{
    std::filesystem::create_directories(home.documents());
    struct Case {
        std::string file;
        std::string uti;
        std::string type;
    };
    const Case cases[] = {
        { "Brochure.pdf", "com.adobe.pdf", "application/pdf" },
        { "notes.txt", "", "text/plain" },
        // A PDF whose name says nothing is known by its first bytes.
        { "download", "", "application/pdf" },
    };
    for (const auto& c : cases)
        std::ofstream(home.documents() + "/" + c.file)
            << (c.type == "text/plain" ? "plain words\n" : "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    auto controllerFor = [&](const Case& c) {
        auto doc = UIDocumentInteractionController::interactionControllerWithURL(
            "file://" + home.documents() + "/" + c.file);
        doc->UTI = c.uti;
        return doc;
    };
    // Nothing registered: no menu.
    ASSERT_EQ(TestDesktop::prepare(), "");
    EXPECT_FALSE(
        controllerFor(cases[0])->presentOpenInMenuFromRectInViewAnimated(CGRectMake(10, 10, 10, 10), window, true));

    ScopedTestApplication viewer;
    ASSERT_TRUE(viewer.installed()) << viewer.error();
    auto log = std::make_shared<HandOverLog>();
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        auto doc = controllerFor(c);
        doc->setDelegate(log);
        EXPECT_EQ(doc->contentType(), c.type);
        ASSERT_TRUE(doc->presentOpenInMenuFromRectInViewAnimated(CGRectMake(10, 10, 10, 10), window, true));
        ASSERT_EQ(doc->menu()->numberOfButtons(), 1);
        EXPECT_EQ(doc->menu()->buttonTitleAtIndex(0), ScopedTestApplication::kName);
        driver->tap(doc->menu()->buttonAtIndex(0));
        expected.push_back(home.documents() + "/" + c.file);
        EXPECT_EQ(viewer.waitForArguments(expected.size()), expected);
    }
    EXPECT_EQ(log->calls.size(), 2 * std::size(cases));
    EXPECT_EQ(log->calls.front(), "will corvelle-test-viewer.desktop");
    EXPECT_EQ(log->calls.back(), "did corvelle-test-viewer.desktop");

    // A type nobody registered for still gets no menu.
    std::ofstream(home.documents() + "/photo.png") << "\x89PNG\r\n\x1a\n";
    auto photo
        = UIDocumentInteractionController::interactionControllerWithURL("file://" + home.documents() + "/photo.png");
    EXPECT_FALSE(photo->presentOpenInMenuFromRectInViewAnimated(CGRectMake(10, 10, 10, 10), window, true));
}

class WebLog : public UIWebViewDelegate {
public:
    std::vector<std::string> calls;
    void webViewDidStartLoad(UIWebView&) override { calls.push_back("start"); }
    void webViewDidFinishLoad(UIWebView&) override { calls.push_back("finish"); }
    void webViewDidFailLoadWithError(UIWebView&, const std::shared_ptr<NSError>& e) override
    {
        calls.push_back("fail " + std::to_string(e->code()));
    }
};

TEST_F(StandInsTest, WebViewLoadsFilesAndFailsWhatItCannotShow)
{
    std::string page = home.documents() + "/page.html";
    std::ofstream(page) << "<p>Hello</p>";
    std::ofstream(home.documents() + "/deck.key") << "x";
    auto log = std::make_shared<WebLog>();
    auto web = std::make_shared<UIWebView>(CGRectMake(0, 0, 400, 300));
    web->setDelegate(log);
    window->addSubview(web);
    struct Case {
        std::string url;
        std::string outcome;
    } cases[] = {
        { "file://" + page, "finish" },
        { "file://" + home.documents() + "/deck.key", "fail -1008" },  // a kind it cannot show
        { "file://" + home.documents() + "/missing.html", "fail -1100" },
        { page, "finish" },  // a plain path is a file too
    };
    for (auto& k : cases) {
        log->calls.clear();
        web->loadRequest(k.url);
        EXPECT_TRUE(web->isLoading());
        driver->settle();
        EXPECT_EQ(log->calls, (std::vector<std::string> { "start", k.outcome })) << k.url;
    }
    EXPECT_TRUE(web->canGoBack());
    web->goBack();
    driver->settle();
    EXPECT_EQ(web->currentURL(), "file://" + home.documents() + "/missing.html");
    EXPECT_TRUE(web->canGoForward());
    web->loadRequest("file://" + page);
    driver->settle();
    EXPECT_GT(web->scrollView()->contentSize().height, 0);
}

}  // namespace
