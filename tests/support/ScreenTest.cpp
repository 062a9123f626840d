#include "ScreenTest.h"
#include "TestDesktop.h"

#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UITableView.h"

#include <filesystem>
#include <system_error>

void ScreenTest::SetUp()
{
    ManualClockTest::SetUp();
    // Links and "open in" reach only the applications a test installs.
    ASSERT_EQ(TestDesktop::prepare(), "");
    resetProcessState();
    home = std::make_unique<TemporaryHome>();
    NSLogSetCapture([this](const std::string& line) { logLines.push_back(line); });
    UITableView::setInconsistentUpdateHandler([](const std::string& message) { ADD_FAILURE() << message; });
    frontDoor = std::make_unique<FakeFrontDoor>();
    window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    window->makeKeyAndVisible();
    driver = std::make_unique<UIDriver>(window);
}

void ScreenTest::TearDown()
{
    drainMainRunLoop();
    if (window)
        window->setRootViewController(nullptr);
    driver.reset();
    window.reset();
    // Pending replies die with the fake, before the screens they were for.
    frontDoor.reset();
    resetProcessState();
    drainMainRunLoop();
    UITableView::setInconsistentUpdateHandler(nullptr);
    NSLogSetCapture(nullptr);
    home.reset();
    ManualClockTest::TearDown();
}

void ScreenTest::showRoot(const std::shared_ptr<UIViewController>& controller)
{
    window->setRootViewController(controller);
    driver->settle();
}

void ScreenTest::useLanguageTables(const ValueDictionary& english, const ValueDictionary& chinese)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path real = AppEnvironment::bundleDirectory();
    const fs::path bundle = fs::path(home->scratch()) / "bundle";
    fs::create_directories(bundle, error);
    for (const auto& entry : fs::directory_iterator(real, error)) {
        const auto name = entry.path().filename().string();
        if (name != "language_en.plist" && name != "language_cn.plist")
            fs::create_symlink(entry.path(), bundle / name, error);
    }
    ASSERT_TRUE(PropertyList::writeToFile(Value(english), (bundle / "language_en.plist").string()));
    ASSERT_TRUE(PropertyList::writeToFile(Value(chinese), (bundle / "language_cn.plist").string()));
    AppEnvironment::setBundleDirectory(bundle.string());
}

bool ScreenTest::logged(const std::string& text) const
{
    for (const auto& line : logLines) {
        if (line.find(text) != std::string::npos)
            return true;
    }
    return false;
}
