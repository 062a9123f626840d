#include "ScreenTest.h"
#include "HttpTestServer.h"
#include "RunLoopPump.h"
#include "UIDriver.h"
#include "Network/HTTP/HTTPAuthenticationDialog.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Platform/CFNetwork/NSHTTPCookie.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "Platform/UIKit/UITextField.h"

#include <gtest/gtest.h>

namespace {

// The sheet as a person meets it: on the screen kit's manual clock, answered
// by taps on its bar.
class CredentialsSheetTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        HTTPRequest::clearSession();
        NSHTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
    }
    void TearDown() override
    {
        HTTPRequest::clearSession();
        ScreenTest::TearDown();
    }

    std::shared_ptr<HTTPAuthenticationDialog> waitForSheet(
        const std::shared_ptr<HTTPAuthenticationDialog>& not_ = nullptr)
    {
        pumpMainRunLoopUntil(
            [&] {
                auto d = HTTPAuthenticationDialog::currentDialog();
                return d && d != not_ && d->hasAppeared();
            },
            10);
        return HTTPAuthenticationDialog::currentDialog();
    }
    static std::string footer(HTTPAuthenticationDialog& d)
    {
        auto& table = *d.tableView();
        return d.tableViewTitleForFooterInSection(table, d.numberOfSectionsInTableView(table) - 1).value_or("");
    }

    HttpTestServer server;
};

}  // namespace

TEST_F(CredentialsSheetTest, OneSheetAnswersEveryRequestForTheSameServerAndTheNextHostGetsItsOwn)
{
    server.route("/basic", [](const HttpTestRequest& req, auto& c) {
        if (req.header("Authorization") == "Basic " + Hashing::base64Encode(std::string("alice:secret")))
            c.respond(200, "welcome");
        else
            c.respond(401, "no", { { "WWW-Authenticate", "Basic realm=\"corp\"" } });
    });
    std::vector<std::shared_ptr<HTTPRequest>> requests;
    int ended = 0;
    std::string other = "http://localhost:" + std::to_string(server.port()) + "/basic";
    for (const std::string& url : { server.url("/basic"), server.url("/basic"), server.url("/basic"), other }) {
        auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(url));
        r->shouldPresentAuthenticationDialog = true;
        r->setCompletionBlock([&] { ++ended; });
        r->setFailedBlock([&] { ++ended; });
        r->startAsynchronous();
        requests.push_back(r);
    }
    ASSERT_TRUE(pumpMainRunLoopUntil(
        [] {
            return HTTPAuthenticationDialog::currentDialog() && HTTPAuthenticationDialog::waitingRequestCount() == 3;
        },
        10));
    auto sheet = waitForSheet();
    ASSERT_TRUE(sheet);
    std::string firstHost = sheet->request()->url().host();
    auto item = sheet->navigationBar()->topItem();
    EXPECT_EQ(item->title(), firstHost);
    EXPECT_EQ(item->prompt, "");  // the tablet lies in landscape
    EXPECT_EQ(sheet->modalPresentationStyle(), UIModalPresentationFormSheet);
    EXPECT_TRUE(sheet->view()->window());
    EXPECT_EQ(sheet->tableView()->numberOfSections(), 1);
    EXPECT_EQ(sheet->tableViewTitleForHeaderInSection(*sheet->tableView(), 0), "corp");
    EXPECT_EQ(footer(*sheet), "Password will be sent in the clear.");
    EXPECT_EQ(sheet->requestsRequiringTheseCredentials().size(), firstHost == "localhost" ? 1u : 3u);

    // The user field has the keyboard; a person types, moves to the password and logs in.
    auto user = sheet->usernameField();
    ASSERT_TRUE(user);
    EXPECT_TRUE(user->isFirstResponder());
    EXPECT_EQ(user->placeholder(), "User");
    EXPECT_EQ(user->autocapitalizationType, UITextAutocapitalizationTypeNone);
    driver->typeText("alice");
    auto password = sheet->passwordField();
    EXPECT_TRUE(password->isSecureTextEntry());
    driver->tap(password);
    driver->typeText("secret");
    ASSERT_TRUE(driver->tapBarButton("Login"));

    // The request for the other host name waited behind and now has its own sheet.
    auto second = waitForSheet(sheet);
    ASSERT_TRUE(second);
    EXPECT_NE(second->request()->url().host(), firstHost);
    EXPECT_EQ(HTTPAuthenticationDialog::waitingRequestCount(), firstHost == "localhost" ? 2u : 0u);
    ASSERT_TRUE(driver->tapBarButton("Cancel"));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return ended == 4; }, 10));
    ASSERT_TRUE(pumpMainRunLoopUntil([] { return !HTTPAuthenticationDialog::currentDialog(); }, 5));
    int welcomed = 0, refused = 0;
    for (auto& r : requests) {
        auto d = r->responseData();
        if (!r->error() && d && std::string(d->begin(), d->end()) == "welcome")
            ++welcomed;
        else if (r->error() && r->error()->code == HTTPAuthenticationErrorType)
            ++refused;
    }
    EXPECT_EQ(welcomed + refused, 4);
    EXPECT_EQ(refused, firstHost == "localhost" ? 3 : 1);
}

TEST_F(CredentialsSheetTest, SectionsFooterAndPromptFollowTheSchemeAndOrientation)
{
    struct Case {
        std::string url, scheme;
        long sections;
        std::string footer;
    };
    const Case cases[] = {
        { "http://h/x", kCFHTTPAuthenticationSchemeNTLM, 2, "Password will be sent securely." },
        { "http://h/x", kCFHTTPAuthenticationSchemeBasic, 1, "Password will be sent in the clear." },
        { "https://h/x", kCFHTTPAuthenticationSchemeBasic, 1, "Password will be sent securely." },
        { "http://h/x", kCFHTTPAuthenticationSchemeDigest, 1, "Password will be sent securely." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url + " " + c.scheme);
        auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(c.url));
        r->authenticationScheme = c.scheme;
        HTTPAuthenticationDialog::presentAuthenticationDialogForRequest(r);
        auto sheet = waitForSheet();
        ASSERT_TRUE(sheet);
        EXPECT_EQ(sheet->type(), HTTPAuthenticationDialog::ServerCredentials);
        EXPECT_EQ(sheet->tableView()->numberOfSections(), c.sections);
        EXPECT_EQ(footer(*sheet), c.footer);
        auto domain = sheet->domainField();
        EXPECT_EQ(domain ? domain->placeholder() : "", c.sections == 2 ? "Domain" : "");
        ASSERT_TRUE(driver->tapBarButton("Cancel"));
        ASSERT_TRUE(pumpMainRunLoopUntil([] { return !HTTPAuthenticationDialog::currentDialog(); }, 5));
    }

    auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString("http://h/x"));
    HTTPAuthenticationDialog::presentAuthenticationDialogForRequest(r);
    auto sheet = waitForSheet();
    ASSERT_TRUE(sheet);
    for (auto [o, prompt] : { std::pair { UIInterfaceOrientationPortrait, "Login to this secure server." },
             std::pair { UIInterfaceOrientationPortraitUpsideDown, "Login to this secure server." },
             std::pair { UIInterfaceOrientationLandscapeLeft, "" } }) {
        UIApplication::sharedApplication()->setStatusBarOrientation(o);
        sheet->showTitle();
        EXPECT_EQ(sheet->navigationBar()->topItem()->prompt, prompt);
    }
    // The table sits under the bar and fills the rest of the sheet.
    CGRect table = sheet->tableView()->frame();
    EXPECT_EQ(table.origin.y, sheet->navigationBar()->frame().size.height);
    EXPECT_EQ(table.origin.y + table.size.height, sheet->view()->bounds().size.height);

    HTTPAutorotatingViewController screen;
    for (auto [o, turns] : { std::pair { UIInterfaceOrientationLandscapeLeft, true },
             std::pair { UIInterfaceOrientationLandscapeRight, true },
             std::pair { UIInterfaceOrientationPortrait, false },
             std::pair { UIInterfaceOrientationPortraitUpsideDown, false } })
        EXPECT_EQ(screen.shouldAutorotateToInterfaceOrientation(o), turns);
}
