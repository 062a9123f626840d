#include "WindowFixture.h"

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIDesktopWindow.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UITabBarController.h"
#include "Platform/UIKit/UITableViewController.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>

namespace {

std::string findXvfb()
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        std::string candidate
            = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start) + "/Xvfb";
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return {};
}

// An X server of our own on a free display number, for the life of the test.
class DesktopWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        std::string xvfb = findXvfb();
        if (xvfb.empty())
            GTEST_SKIP() << "Xvfb is not installed";
        for (int n = 90 + (getpid() % 200); n < 400; ++n) {
            if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n))
                && !std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock")) {
                display = ":" + std::to_string(n);
                break;
            }
        }
        server = fork();
        if (server == 0) {
            int null = ::open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execl(xvfb.c_str(), "Xvfb", display.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100 && !probe; ++i) {
            probe = XOpenDisplay(display.c_str());
            if (!probe)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!probe)
            GTEST_SKIP() << "Xvfb did not start on " << display;
    }
    void TearDown() override
    {
        desktop.reset();
        if (probe)
            XCloseDisplay(probe);
        if (server > 0) {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
        WindowTest::TearDown();
    }
    std::string display;
    pid_t server = -1;
    Display* probe = nullptr;
    std::unique_ptr<UIDesktopWindow> desktop;
};

// A few rows to fill the first tab.
struct Rows : UITableViewDataSource {
    long tableViewNumberOfRowsInSection(UITableView&, long) override { return 40; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView& t, const NSIndexPath& p) override
    {
        auto cell = t.dequeueReusableCellWithIdentifier("Cell");
        if (!cell)
            cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, "Cell");
        cell->textLabel()->setText("Customer " + std::to_string(p.row()));
        return cell;
    }
};

TEST_F(DesktopWindowTest, ShowsTheCompositionAndAnswersClicks)
{
    auto rows = std::make_shared<Rows>();
    auto list = std::make_shared<UITableViewController>(UITableViewStylePlain);
    list->setTitle("Customers");
    list->tableView()->setDataSource(rows);
    auto other = std::make_shared<UIViewController>();
    other->setTitle("Library");
    other->view()->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.1f, 0.5f, 0.3f, 1));
    auto button = std::make_shared<UIButton>(CGRectMake(400, 300, 200, 80));
    button->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.9f, 0.2f, 0.1f, 1));
    button->setTitleForState("Press", UIControlStateNormal);
    other->view()->addSubview(button);
    int taps = 0;
    button->addTarget(UIControlEventTouchUpInside, [&taps](UIControl&, UIEvent*) { ++taps; });
    auto tabs = std::make_shared<UITabBarController>();
    tabs->setViewControllers({ UINavigationController::withRootViewController(list), other });
    window->setRootViewController(tabs);
    driver->settle();

    desktop = UIDesktopWindow::open(window, display);
    ASSERT_NE(desktop, nullptr);
    // What the server shows is what the view tree renders.
    auto showsTheTree = [&] {
        desktop->processEvents();
        desktop->redraw();
        auto shown = desktop->captureFromServer();
        auto rendered = UIViewRenderToImage(*window);
        if (!shown || !rendered)
            return false;
        auto& a = *shown->CGImage();
        auto& b = *rendered->CGImage();
        if (a.width() != 1024u || a.height() != 768u)
            return false;
        for (size_t y = 0; y < 768; y += 7)
            for (size_t x = 0; x < 1024; x += 7) {
                CGPixel p = a.pixelAt(x, y), q = b.pixelAt(x, y);
                if (p.red != q.red || p.green != q.green || p.blue != q.blue)
                    return false;
            }
        return true;
    };
    EXPECT_TRUE(showsTheTree());
    if (auto png = UIImagePNGRepresentation(desktop->captureFromServer())) {
        std::ofstream out(UIDriver::snapshotPath("desktop-window.png"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    }

    // Another client clicks through the server: first on the second tab, then on its button.
    auto clickAt = [&](CGPoint point, const std::function<bool()>& done) {
        for (int type : { ButtonPress, ButtonRelease }) {
            XEvent e {};
            e.xbutton.type = type;
            e.xbutton.display = probe;
            e.xbutton.window = desktop->windowId();
            e.xbutton.x = static_cast<int>(point.x);
            e.xbutton.y = static_cast<int>(point.y);
            e.xbutton.button = Button1;
            e.xbutton.same_screen = True;
            XSendEvent(probe, desktop->windowId(), True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
        }
        XFlush(probe);
        for (int i = 0; i < 100 && !done(); ++i) {
            desktop->processEvents();
            if (!done())
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    };
    CGRect item = tabs->tabBar()->convertRectToView(tabs->tabBar()->itemFrame(1), nullptr);
    clickAt(CGPointMake(CGRectGetMidX(item), CGRectGetMidY(item)), [&] { return tabs->selectedIndex() == 1; });
    EXPECT_EQ(tabs->selectedIndex(), 1);
    driver->settle();
    EXPECT_TRUE(showsTheTree());
    clickAt(driver->centerOf(button), [&] { return taps > 0; });
    EXPECT_EQ(taps, 1);
    button->removeAllTargets();
}

TEST_F(DesktopWindowTest, RedrawsOnlyWhenTheTreeChanged)
{
    auto box = std::make_shared<UIView>(CGRectMake(100, 100, 200, 200));
    window->addSubview(box);
    driver->settle();
    desktop = UIDesktopWindow::open(window, display);
    ASSERT_NE(desktop, nullptr);
    desktop->attachToMainRunLoop();
    driver->advance(0.1);
    unsigned long first = desktop->framesDrawn();
    EXPECT_GE(first, 1u);
    driver->advance(1.0);
    EXPECT_EQ(desktop->framesDrawn(), first);

    // A property, a display request, a layout request and a new subview each bring one new picture.
    const std::vector<std::function<void()>> changes {
        [&] { box->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.2f, 0.4f, 0.9f, 1)); },
        [&] { box->setNeedsDisplay(); },
        [&] { box->setNeedsLayout(); },
        [&] { box->addSubview(std::make_shared<UIView>(CGRectMake(0, 0, 10, 10))); },
        [&] { box->layer()->setBorderWidth(3); },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        unsigned long before = desktop->framesDrawn();
        changes[i]();
        driver->advance(0.5);
        EXPECT_EQ(desktop->framesDrawn(), before + 1) << "change " << i;
    }
    desktop.reset();
}

// The application's main shows the key window on the display and ends when a
// person closes that window.
TEST_F(DesktopWindowTest, MainShowsTheWindowAndClosingItTerminates)
{
    struct Delegate : UIApplicationDelegate {
        std::shared_ptr<UIWindow> shown;
        bool terminated = false;
        bool applicationDidFinishLaunchingWithOptions(UIApplication&, const Value&) override
        {
            shown = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
            shown->makeKeyAndVisible();
            return true;
        }
        void applicationWillTerminate(UIApplication&) override { terminated = true; }
    };
    auto delegate = std::make_shared<Delegate>();
    std::optional<std::string> saved;
    if (const char* d = std::getenv("DISPLAY"))
        saved = d;
    setenv("DISPLAY", display.c_str(), 1);
    // Another client waits for the window to appear and asks the window manager's way to close it.
    bool found = false;
    std::thread closer([&] {
        ::Window root = DefaultRootWindow(probe);
        for (int i = 0; i < 200 && !found; ++i) {
            ::Window parent = 0, unused = 0, *children = nullptr;
            unsigned count = 0;
            if (XQueryTree(probe, root, &unused, &parent, &children, &count)) {
                for (unsigned k = 0; k < count && !found; ++k) {
                    char* name = nullptr;
                    if (XFetchName(probe, children[k], &name) && name) {
                        if (std::string(name) == "Corvelle") {
                            XEvent e {};
                            e.xclient.type = ClientMessage;
                            e.xclient.window = children[k];
                            e.xclient.message_type = XInternAtom(probe, "WM_PROTOCOLS", False);
                            e.xclient.format = 32;
                            e.xclient.data.l[0] = static_cast<long>(XInternAtom(probe, "WM_DELETE_WINDOW", False));
                            XSendEvent(probe, children[k], False, NoEventMask, &e);
                            XFlush(probe);
                            found = true;
                        }
                        XFree(name);
                    }
                }
                if (children)
                    XFree(children);
            }
            if (!found)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!found)
            NSRunLoop::mainRunLoop()->performBlock([] { UIApplication::sharedApplication()->terminate(); });
    });
    int status = UIApplicationMain(0, nullptr, delegate);
    closer.join();
    if (saved)
        setenv("DISPLAY", saved->c_str(), 1);
    else
        unsetenv("DISPLAY");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(found);
    EXPECT_TRUE(delegate->terminated);
}

TEST(DesktopWindow, WithoutADisplayNothingOpens)
{
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 1024, 768));
    EXPECT_EQ(UIDesktopWindow::open(window, ":not-a-display"), nullptr);
}

}  // namespace
#endif
