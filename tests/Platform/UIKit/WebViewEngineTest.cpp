#include "WindowFixture.h"

#include "support/HttpTestServer.h"
#include "support/TlsTestServer.h"
#include "support/VirtualDisplay.h"

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/UIKit/UIWebView.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

namespace {

// Pages the tests serve: bands of plain colour a picture can be checked against.
const char* kFirstPage = R"(<!DOCTYPE html><html><body style="margin:0;background:#ffffff">
<div style="height:120px;background:#d01010"></div>
<h1 style="margin:0;height:80px;font:bold 64px sans-serif;color:#1030e0">CORVELLE</h1>
<a href="/second" style="display:block;width:300px;height:100px;background:#10a010"></a>
</body></html>)";
const char* kSecondPage = R"(<!DOCTYPE html><html><body style="margin:0;background:#f0c000">Second</body></html>)";

enum class Shade { Red, Blue, Green, Yellow, White, Other };

Shade shadeOf(CGPixel p)
{
    auto near = [&](int r, int g, int b) {
        return std::abs(p.red - r) < 40 && std::abs(p.green - g) < 40 && std::abs(p.blue - b) < 40;
    };
    if (near(0xd0, 0x10, 0x10))
        return Shade::Red;
    if (near(0x10, 0x30, 0xe0))
        return Shade::Blue;
    if (near(0x10, 0xa0, 0x10))
        return Shade::Green;
    if (near(0xf0, 0xc0, 0x00))
        return Shade::Yellow;
    if (near(0xff, 0xff, 0xff))
        return Shade::White;
    return Shade::Other;
}

class Recorder : public UIWebViewDelegate {
public:
    std::vector<std::string> calls;
    std::vector<std::pair<std::string, UIWebViewNavigationType>> asked;
    std::string refused;  // a path whose navigations are refused
    std::shared_ptr<NSError> error;

    bool webViewShouldStartLoadWithRequestNavigationType(
        UIWebView&, const std::string& url, UIWebViewNavigationType type) override
    {
        asked.emplace_back(url, type);
        return refused.empty() || url.find(refused) == std::string::npos;
    }
    void webViewDidStartLoad(UIWebView&) override { calls.push_back("start"); }
    void webViewDidFinishLoad(UIWebView&) override { calls.push_back("finish"); }
    void webViewDidFailLoadWithError(UIWebView&, const std::shared_ptr<NSError>& e) override
    {
        error = e;
        calls.push_back("fail " + std::to_string(e->code()));
    }
    bool ended() const { return !calls.empty() && calls.back() != "start"; }
};

class WebViewEngineTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        REQUIRE_WEB_ENGINE_DISPLAY();
        server.route("/first", [](const HttpTestRequest&, HttpTestConnection& c) {
            c.respond(200, kFirstPage, { { "Content-Type", "text/html" } });
        });
        server.route("/second", [](const HttpTestRequest&, HttpTestConnection& c) {
            c.respond(200, kSecondPage, { { "Content-Type", "text/html" } });
        });
        web = std::make_shared<UIWebView>(CGRectMake(20, 40, 800, 600));
        web->setDelegate(recorder);
        window->addSubview(web);
    }
    void TearDown() override
    {
        web.reset();
        WindowTest::TearDown();
    }

    // Loads `url` and waits until it ended and, when it finished, until the view shows it.
    bool loadAndWait(const std::string& url)
    {
        recorder->calls.clear();
        web->loadRequest(url);
        return waitForEnd();
    }
    bool waitForEnd()
    {
        return pumpMainRunLoopUntil(
            [&] {
                return recorder->ended() && !web->isLoading()
                    && (recorder->calls.back() != "finish" || web->webPagePictureIsCurrent());
            },
            90);
    }
    Shade shadeAt(CGFloat x, CGFloat y) const
    {
        auto picture = web->webPagePicture();
        if (!picture || x >= picture->width() || y >= picture->height())
            return Shade::Other;
        return shadeOf(picture->pixelAt(size_t(x), size_t(y)));
    }
    bool waitForShade(CGFloat x, CGFloat y, Shade shade)
    {
        return pumpMainRunLoopUntil([&] { return shadeAt(x, y) == shade; }, 60);
    }
    CGPoint inWindow(CGFloat x, CGFloat y) const
    {
        return CGPointMake(web->frame().origin.x + x, web->frame().origin.y + y);
    }

    HttpTestServer server;
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
    std::shared_ptr<UIWebView> web;
};

TEST_F(WebViewEngineTest, APageIsDrawnInTheViewWithItsText)
{
    ASSERT_TRUE(loadAndWait(server.url("/first")));
    EXPECT_EQ(recorder->calls, (std::vector<std::string> { "start", "finish" }));
    EXPECT_EQ(web->currentURL(), server.url("/first"));
    EXPECT_TRUE(web->showsWebPage());

    // Drawn through the window as a person sees it.
    std::string path = UIDriver::snapshotPath("web-view-page.png");
    ASSERT_TRUE(driver->renderToPNG(path, web));
    std::ifstream in(path, std::ios::binary);
    auto png = CGImageCreateWithPNGData(Data(std::istreambuf_iterator<char>(in), {}));
    ASSERT_TRUE(png);
    double scale = double(png->width()) / web->bounds().size.width;
    auto at = [&](double x, double y) { return shadeOf(png->pixelAt(size_t(x * scale), size_t(y * scale))); };
    EXPECT_EQ(at(400, 60), Shade::Red);
    EXPECT_EQ(at(150, 250), Shade::Green);
    EXPECT_EQ(at(600, 250), Shade::White);

    // The heading's letters: blue strokes on white across the width of the word, nowhere else.
    size_t blue = 0, white = 0;
    double left = 1e9, right = -1;
    for (double y = 125; y < 195; y += 1) {
        for (double x = 0; x < 800; x += 1) {
            Shade s = at(x, y);
            if (s == Shade::Blue) {
                ++blue;
                left = std::min(left, x);
                right = std::max(right, x);
            } else if (s == Shade::White) {
                ++white;
            }
        }
    }
    EXPECT_GT(blue, 2000u);
    EXPECT_GT(white, blue);
    EXPECT_LT(left, 20);
    EXPECT_GT(right, 200);
    EXPECT_LT(right, 500);
    for (double x = 0; x < 800; x += 4)
        ASSERT_NE(at(x, 400), Shade::Blue) << x;
}

TEST_F(WebViewEngineTest, TappingALinkAsksTheDelegateAndLoadsTheSecondPage)
{
    ASSERT_TRUE(loadAndWait(server.url("/first")));
    EXPECT_FALSE(web->canGoBack());
    recorder->calls.clear();
    recorder->asked.clear();

    driver->tapAt(inWindow(150, 250));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder->calls, (std::vector<std::string> { "start", "finish" }));
    ASSERT_FALSE(recorder->asked.empty());
    EXPECT_EQ(recorder->asked.front(), std::make_pair(server.url("/second"), UIWebViewNavigationTypeLinkClicked));
    EXPECT_EQ(web->currentURL(), server.url("/second"));
    EXPECT_EQ(shadeAt(50, 50), Shade::Yellow);
    EXPECT_EQ(server.requestsFor("/second").size(), 1u);

    // Back comes through the delegate as a back-and-forward navigation.
    EXPECT_TRUE(web->canGoBack());
    recorder->calls.clear();
    recorder->asked.clear();
    web->goBack();
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(web->currentURL(), server.url("/first"));
    ASSERT_TRUE(waitForShade(400, 60, Shade::Red));
    EXPECT_TRUE(web->canGoForward());
    ASSERT_FALSE(recorder->asked.empty());
    EXPECT_EQ(recorder->asked.front().second, UIWebViewNavigationTypeBackForward);
}

TEST_F(WebViewEngineTest, ALinkTheDelegateRefusesIsNotFollowed)
{
    server.route("/choice", [](const HttpTestRequest&, HttpTestConnection& c) {
        c.respond(200,
            R"(<body style="margin:0"><a href="/refused" style="display:block;height:100px;background:#d01010"></a>)"
            R"(<a href="/second" style="display:block;height:100px;background:#10a010"></a></body>)",
            { { "Content-Type", "text/html" } });
    });
    ASSERT_TRUE(loadAndWait(server.url("/choice")));
    recorder->refused = "/refused";
    recorder->calls.clear();
    driver->tapAt(inWindow(100, 50));
    // The allowed link, tapped after, is the only load.
    driver->tapAt(inWindow(100, 150));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder->calls, (std::vector<std::string> { "start", "finish" }));
    EXPECT_EQ(web->currentURL(), server.url("/second"));
    EXPECT_TRUE(server.requestsFor("/refused").empty());
    ASSERT_GE(recorder->asked.size(), 2u);
    EXPECT_EQ(recorder->asked[recorder->asked.size() - 2].first, server.url("/refused"));
}

TEST_F(WebViewEngineTest, TextTypedIntoAFieldIsSentWithTheForm)
{
    server.route("/form", [](const HttpTestRequest&, HttpTestConnection& c) {
        c.respond(200,
            R"(<meta charset="utf-8"><body style="margin:0"><form action="/sent" method="get">)"
            R"(<input name="q" style="position:absolute;left:0;top:0;width:400px;height:60px;font-size:30px">)"
            R"(</form></body>)",
            { { "Content-Type", "text/html" } });
    });
    server.route("/sent", [](const HttpTestRequest&, HttpTestConnection& c) {
        c.respond(200, kSecondPage, { { "Content-Type", "text/html" } });
    });
    ASSERT_TRUE(loadAndWait(server.url("/form")));
    recorder->calls.clear();
    recorder->asked.clear();
    driver->tapAt(inWindow(100, 30));
    driver->typeText("Field 7x");
    driver->pressBackspace();
    driver->typeText("\xe4\xb8\xad");  // a Chinese character
    driver->pressReturn();
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder->calls, (std::vector<std::string> { "start", "finish" }));
    auto sent = server.requestsFor("/sent");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].target, "/sent?q=Field+7%E4%B8%AD");
    ASSERT_FALSE(recorder->asked.empty());
    EXPECT_EQ(recorder->asked.front().second, UIWebViewNavigationTypeFormSubmitted);
}

TEST_F(WebViewEngineTest, DraggingScrollsThePage)
{
    server.route("/tall", [](const HttpTestRequest&, HttpTestConnection& c) {
        c.respond(200,
            R"(<body style="margin:0"><div style="height:500px;background:#d01010"></div>)"
            R"(<div style="height:2000px;background:#1030e0"></div></body>)",
            { { "Content-Type", "text/html" } });
    });
    ASSERT_TRUE(loadAndWait(server.url("/tall")));
    EXPECT_EQ(shadeAt(10, 300), Shade::Red);
    driver->dragFrom(inWindow(400, 500), inWindow(400, 100));
    EXPECT_TRUE(waitForShade(10, 300, Shade::Blue));
    // A drag is no click: nothing was loaded.
    EXPECT_EQ(recorder->calls, (std::vector<std::string> { "start", "finish" }));
}

// The server's bad days end in the failure path, and the page keeps what it showed.
TEST_F(WebViewEngineTest, LoadsThatCannotBeServedFailAndKeepThePage)
{
    HttpTestServer gone;
    std::string refused = gone.url("/page");
    gone.stop();
    server.route("/dropped", [](const HttpTestRequest&, HttpTestConnection& c) { c.close(); });
    server.route("/garbage", [](const HttpTestRequest&, HttpTestConnection& c) {
        c.write("\x16\x03\x01 this is no answer\r\n\r\n");
        c.close();
    });
    HttpTestServer plain;
    plain.route("/secure", [](const HttpTestRequest&, HttpTestConnection& c) {
        c.respond(200, kSecondPage, { { "Content-Type", "text/html" } });
    });
    TlsTestServer selfSigned(plain.port(), { TestCertificates::Server::SelfSigned });
    TlsTestServer expired(plain.port(), { TestCertificates::Server::Expired });

    ASSERT_TRUE(loadAndWait(server.url("/first")));
    struct Case {
        const char* name;
        std::string url;
        long code;
    } cases[] = {
        { "nobody listens", refused, -1004 },
        { "the connection drops", server.url("/dropped"), -1004 },
        { "the answer is not HTTP", server.url("/garbage"), -1011 },
        { "a certificate that signs itself", selfSigned.url("/secure"), -1202 },
        { "an expired certificate", expired.url("/secure"), -1202 },
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        ASSERT_TRUE(loadAndWait(k.url));
        EXPECT_EQ(recorder->calls, (std::vector<std::string> { "start", "fail " + std::to_string(k.code) }))
            << (recorder->error ? recorder->error->description() : "");
        ASSERT_TRUE(recorder->error);
        EXPECT_FALSE(recorder->error->localizedDescription().empty());
        EXPECT_FALSE(web->isLoading());
        EXPECT_EQ(shadeAt(400, 60), Shade::Red);
    }
    EXPECT_TRUE(plain.requestsFor("/secure").empty());
}

TEST_F(WebViewEngineTest, AStoppedLoadEndsSilentlyAndTheNextLoadIsTold)
{
    server.route("/stall", [](const HttpTestRequest&, HttpTestConnection& c) { c.pause(60); });
    recorder->calls.clear();
    web->loadRequest(server.url("/stall"));
    ASSERT_TRUE(
        pumpMainRunLoopUntil([&] { return !recorder->calls.empty() && server.requestsFor("/stall").size() == 1; }, 90));
    web->stopLoading();
    EXPECT_FALSE(web->isLoading());
    web->loadRequest(server.url("/second"));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder->calls, (std::vector<std::string> { "start", "start", "finish" }));
    EXPECT_EQ(shadeAt(50, 50), Shade::Yellow);
}

// Without a display the engine cannot start: the load fails with the reason.
// Exits 0 when it did so; the reason goes to the error stream.
[[noreturn]] void loadWithoutDisplay()
{
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    auto recorder = std::make_shared<Recorder>();
    auto web = std::make_shared<UIWebView>(CGRectMake(0, 0, 400, 300));
    web->setDelegate(recorder);
    web->loadRequest("http://127.0.0.1:9/page");
    bool ended = pumpMainRunLoopUntil([&] { return recorder->ended(); }, 60);
    std::string description = recorder->error ? recorder->error->localizedDescription() : "";
    bool right = ended && recorder->calls == std::vector<std::string> { "start", "fail -1008" } && !web->isLoading();
    std::fprintf(stderr, "calls %zu, reason \"%s\"\n", recorder->calls.size(), description.c_str());
    // Straight out: the leak check belongs to the parent process.
    _exit(right ? 0 : 1);
}

// Run in a process of its own, where no test has started the engine yet.
TEST(WebViewWithoutDisplayTest, ALoadFailsWithTheReason)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(loadWithoutDisplay(), ::testing::ExitedWithCode(0),
        "calls 2, reason \"The web engine has no display to run on\"");
}

}  // namespace
