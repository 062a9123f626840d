// The session's silent sign-in when the network comes back, refused by the
// server: the person is asked whether to stay offline or sign in again.

#include "Classes/Frame/Language.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/SessionServices.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIAlertView.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

namespace {

constexpr int kLogin = 0x102;

using SilentReLoginTest = ScreenTest;

TEST_F(SilentReLoginTest, ARefusedReLoginOffersToStayOfflineOrSignInAgain)
{
    int loggedOut = 0;
    SessionServices::services().showLoginPage = [&loggedOut] { ++loggedOut; };
    auto session = LoginMode::sharedInstance();
    session->setClientID(std::string("ACME"));
    session->setAcountID(std::string("sales1"));
    session->setPassword(std::string("secret"));
    session->setLoginType(LoginMode::kLoginTypeOffline);
    frontDoor->replyTo(
        kLogin, R"({"content":"","results":[{"detail":"","message":"Wrong password","status":"206"}]})", 0.2);

    for (const char* answer : { "CANCEL", "OK" }) {
        NSNotificationCenter::defaultCenter().postNotificationName("netconnect");
        driver->advance(0.5);
        auto alert = driver->visibleAlert();
        ASSERT_TRUE(alert) << answer;
        EXPECT_EQ(alert->tag(), 256);
        EXPECT_EQ(alert->title(), text("NOTIFICATION"));
        EXPECT_EQ(alert->message(), text("206") + text("STAYOFFLINEORLOGIN"));
        ASSERT_EQ(alert->numberOfButtons(), 2);
        EXPECT_EQ(alert->buttonTitleAtIndex(0), text("CANCEL"));
        EXPECT_EQ(alert->buttonTitleAtIndex(1), text("OK"));
        ASSERT_TRUE(driver->tapAlertButton(text(answer)));
        // Staying offline keeps the session; OK asks the frame to sign out.
        EXPECT_EQ(loggedOut, std::string(answer) == "OK" ? 1 : 0) << answer;
        if (std::string(answer) == "CANCEL")
            session->setLoginType(LoginMode::kLoginTypeOffline);
    }
    EXPECT_EQ(frontDoor->messagesFor(kLogin).size(), 2u);
}

}  // namespace
