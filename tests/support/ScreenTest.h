#pragma once

// The fixture every screen test is written on: a fresh application home, the
// manual clock, a 1024 x 768 key window, the driver, and the fake front door
// in place of the server. Every process-wide singleton is reset before and
// after each test (resetProcessState), so a test sees no state of the one
// before it. A table update that does not match its data source fails the
// test that caused it (the application itself carries on with a reload).
//
// A test shows its screen with showRoot (or presents it from one), then acts
// through `driver` and asserts on what a person sees and on what the front
// door received.

#include "ClockFixture.h"
#include "FakeFrontDoor.h"
#include "ProcessReset.h"
#include "RunLoopPump.h"
#include "TemporaryHome.h"
#include "UIDriver.h"

#include "Platform/Foundation/Value.h"
#include "Platform/UIKit/UIViewController.h"
#include "Platform/UIKit/UIWindow.h"

#include <memory>
#include <string>
#include <vector>

class ScreenTest : public ManualClockTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes `controller` the window's root and runs what its appearance queued.
    void showRoot(const std::shared_ptr<UIViewController>& controller);

    // Puts small language tables in place of the bundle's, for a test that
    // needs texts the bundle does not hold yet: the rest of the bundle stays
    // as it is. Call before the first text is read.
    void useLanguageTables(const ValueDictionary& english, const ValueDictionary& chinese);

    // Whether a log line holding `text` was written during the test.
    bool logged(const std::string& text) const;

    std::unique_ptr<TemporaryHome> home;
    std::shared_ptr<UIWindow> window;
    std::unique_ptr<UIDriver> driver;
    std::unique_ptr<FakeFrontDoor> frontDoor;
    std::vector<std::string> logLines;
};
