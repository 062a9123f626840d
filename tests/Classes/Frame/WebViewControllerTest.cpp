#include "Classes/Frame/WebViewController.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIWebView.h"
#include "support/HttpTestServer.h"
#include "support/ScreenTest.h"
#include "support/VirtualDisplay.h"

#include <gtest/gtest.h>

namespace {

class WebViewControllerTest : public ScreenTest {
protected:
    std::shared_ptr<WebViewController> show(const std::string& url)
    {
        auto page = std::make_shared<WebViewController>();
        page->setUrl(url);
        showRoot(page);
        driver->settle();
        return page;
    }
    static void servePage(HttpTestServer& server, const std::string& path, const std::string& body)
    {
        server.route(path, [body](const HttpTestRequest&, HttpTestConnection& c) {
            c.respond(200, body, { { "Content-Type", "text/html" } });
        });
    }
    // Until the page's load ended and the view shows the finished page.
    bool waitUntilShown(const std::shared_ptr<WebViewController>& page, const std::string& url)
    {
        auto web = page->contentWebView();
        return pumpMainRunLoopUntil(
            [&] { return !web->isLoading() && web->currentURL() == url && web->webPagePictureIsCurrent(); }, 90);
    }
};

TEST_F(WebViewControllerTest, WithoutAnAddressThePageStaysEmptyAndNavigationIsOff)
{
    auto page = show("");
    EXPECT_FALSE(page->contentWebView()->isLoading());
    EXPECT_FALSE(page->contentWebView()->showsWebPage());
    EXPECT_FALSE(page->btnBack()->isEnabled());
    EXPECT_FALSE(page->btnForward()->isEnabled());
    EXPECT_TRUE(page->btnReload()->isEnabled());
    EXPECT_EQ(page->contentWebView()->frame(), CGRectMake(0, 44, 1024, 704));
    EXPECT_EQ(page->btnBack()->frame(), CGRectMake(15, 5, 50, 34));
}

TEST_F(WebViewControllerTest, FollowingALinkEnablesBackAndGoingBackEnablesForward)
{
    REQUIRE_WEB_ENGINE_DISPLAY();
    HttpTestServer server;
    servePage(server, "/a",
        R"(<body style="margin:0"><a href="/b" style="display:block;height:200px;background:#10a010"></a></body>)");
    servePage(server, "/b", R"(<body style="margin:0;background:#f0c000">b</body>)");
    auto page = show(server.url("/a"));
    ASSERT_TRUE(waitUntilShown(page, server.url("/a")));
    EXPECT_FALSE(UIApplication::sharedApplication()->isNetworkActivityIndicatorVisible());
    EXPECT_FALSE(page->btnBack()->isEnabled());

    // A tap on the link, below the title bar.
    driver->tapAt(CGPointMake(300, 44 + 100));
    ASSERT_TRUE(waitUntilShown(page, server.url("/b")));
    EXPECT_TRUE(page->btnBack()->isEnabled());
    EXPECT_FALSE(page->btnForward()->isEnabled());
    EXPECT_EQ(server.requestsFor("/b").size(), 1u);

    driver->tap(page->btnBack());
    ASSERT_TRUE(waitUntilShown(page, server.url("/a")));
    EXPECT_TRUE(page->btnForward()->isEnabled());
    EXPECT_FALSE(page->btnBack()->isEnabled());
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("web-view-controller.png")));
}

TEST_F(WebViewControllerTest, AnUnreachableAddressHidesTheIndicatorAndKeepsTheButtonsOff)
{
    REQUIRE_WEB_ENGINE_DISPLAY();
    HttpTestServer gone;
    std::string url = gone.url("/page");
    gone.stop();
    auto page = show(url);
    auto web = page->contentWebView();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !web->isLoading(); }, 90));
    EXPECT_FALSE(UIApplication::sharedApplication()->isNetworkActivityIndicatorVisible());
    EXPECT_FALSE(page->btnBack()->isEnabled());
    EXPECT_FALSE(page->btnForward()->isEnabled());
}

TEST_F(WebViewControllerTest, GoingAwayWhileLoadingStopsTheLoadAndTheIndicator)
{
    REQUIRE_WEB_ENGINE_DISPLAY();
    HttpTestServer server;
    server.route("/stall", [](const HttpTestRequest&, HttpTestConnection& c) { c.pause(60); });
    auto page = show(server.url("/stall"));
    ASSERT_TRUE(pumpMainRunLoopUntil(
        [&] {
            return UIApplication::sharedApplication()->isNetworkActivityIndicatorVisible()
                && !server.requests().empty();
        },
        90));
    EXPECT_TRUE(page->contentWebView()->isLoading());
    showRoot(std::make_shared<UIViewController>());
    driver->settle();
    EXPECT_FALSE(page->contentWebView()->isLoading());
    EXPECT_FALSE(UIApplication::sharedApplication()->isNetworkActivityIndicatorVisible());
}

}  // namespace
