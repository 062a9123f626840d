#include "Classes/Frame/WebViewController.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIWebView.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

namespace {

class WebViewControllerTest : public ScreenTest {
protected:
    void TearDown() override
    {
        UIWebView::removeProvidedContent();
        ScreenTest::TearDown();
    }
    std::shared_ptr<WebViewController> show(const std::string& url)
    {
        auto page = std::make_shared<WebViewController>();
        page->setUrl(url);
        showRoot(page);
        driver->settle();
        return page;
    }
    static Data html(const std::string& text) { return Data(text.begin(), text.end()); }
};

TEST_F(WebViewControllerTest, WithoutAnAddressThePageStaysEmptyAndNavigationIsOff)
{
    auto page = show("");
    EXPECT_FALSE(page->contentWebView()->isLoading());
    EXPECT_FALSE(page->btnBack()->isEnabled());
    EXPECT_FALSE(page->btnForward()->isEnabled());
    EXPECT_TRUE(page->btnReload()->isEnabled());
    EXPECT_EQ(page->contentWebView()->frame(), CGRectMake(0, 44, 1024, 704));
    EXPECT_EQ(page->btnBack()->frame(), CGRectMake(15, 5, 50, 34));
}

TEST_F(WebViewControllerTest, FollowingALinkEnablesBackAndGoingBackEnablesForward)
{
    UIWebView::provideContentForURL("http://cms.example/a", html("<p>a</p>"), "text/html");
    UIWebView::provideContentForURL("http://cms.example/b", html("<p>b</p>"), "text/html");
    auto page = show("http://cms.example/a");
    driver->advance(1);
    EXPECT_FALSE(UIApplication::sharedApplication()->isNetworkActivityIndicatorVisible());
    EXPECT_FALSE(page->btnBack()->isEnabled());

    page->contentWebView()->loadRequest("http://cms.example/b");
    driver->advance(1);
    EXPECT_TRUE(page->btnBack()->isEnabled());
    driver->tap(page->btnBack());
    driver->advance(1);
    EXPECT_TRUE(page->btnForward()->isEnabled());
    EXPECT_FALSE(page->btnBack()->isEnabled());
}

TEST_F(WebViewControllerTest, GoingAwayWhileLoadingStopsTheLoadAndTheIndicator)
{
    auto page = show("http://unreachable.invalid/page");
    page->contentWebView()->loadRequest("http://unreachable.invalid/other");
    showRoot(std::make_shared<UIViewController>());
    driver->settle();
    EXPECT_FALSE(page->contentWebView()->isLoading());
    EXPECT_FALSE(UIApplication::sharedApplication()->isNetworkActivityIndicatorVisible());
}

}  // namespace
