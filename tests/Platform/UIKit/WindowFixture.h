#pragma once

// A key window of the screen's size on a manual clock, driven by the UI driver.

#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"
#include "support/UIDriver.h"
#include "support/TestDesktop.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIResponder.h"

#include <string>
#include <vector>

class WindowTest : public ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        // Links and "open in" reach only the applications a test installs.
        ASSERT_EQ(TestDesktop::prepare(), "");
        window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window->makeKeyAndVisible();
        driver = std::make_unique<UIDriver>(window);
        NSLogSetCapture([this](const std::string& line) { logLines.push_back(line); });
    }
    void TearDown() override
    {
        drainMainRunLoop();
        NSLogSetCapture(nullptr);
        if (auto r = UIResponder::currentFirstResponder())
            r->resignFirstResponder();
        driver.reset();
        window.reset();
        UIApplication::resetSharedApplication();
        ManualClockTest::TearDown();
    }
    std::shared_ptr<UIWindow> window;
    std::unique_ptr<UIDriver> driver;
    std::vector<std::string> logLines;
};
