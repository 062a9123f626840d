#include "WindowFixture.h"

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIDesktopWindow.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
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
        std::string candidate = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start) + "/Xvfb";
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

TEST_F(DesktopWindowTest, ShowsTheRenderedTreeAndTurnsAClickIntoATap)
{
    window->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.1f, 0.5f, 0.3f, 1));
    auto button = std::make_shared<UIButton>(CGRectMake(400, 300, 200, 80));
    button->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.9f, 0.2f, 0.1f, 1));
    button->setTitleForState("Press", UIControlStateNormal);
    window->addSubview(button);
    int taps = 0;
    button->addTarget(UIControlEventTouchUpInside, [&taps](UIControl&, UIEvent*) { ++taps; });

    desktop = UIDesktopWindow::open(window, display);
    ASSERT_NE(desktop, nullptr);
    desktop->redraw();
    desktop->processEvents();
    desktop->redraw();
    auto shown = desktop->captureFromServer();
    auto rendered = UIViewRenderToImage(*window);
    ASSERT_TRUE(shown && rendered);
    auto& a = *shown->CGImage();
    auto& b = *rendered->CGImage();
    ASSERT_EQ(a.width(), 1024u);
    ASSERT_EQ(a.height(), 768u);
    size_t differing = 0;
    for (size_t y = 0; y < 768; y += 7)
        for (size_t x = 0; x < 1024; x += 7) {
            CGPixel p = a.pixelAt(x, y), q = b.pixelAt(x, y);
            differing += p.red != q.red || p.green != q.green || p.blue != q.blue;
        }
    EXPECT_EQ(differing, 0u);

    // Another client clicks in the middle of the button, through the server.
    auto click = [&](int type) {
        XEvent e {};
        e.xbutton.type = type;
        e.xbutton.display = probe;
        e.xbutton.window = desktop->windowId();
        e.xbutton.x = 500;
        e.xbutton.y = 340;
        e.xbutton.button = Button1;
        e.xbutton.same_screen = True;
        XSendEvent(probe, desktop->windowId(), True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
        XFlush(probe);
    };
    click(ButtonPress);
    click(ButtonRelease);
    for (int i = 0; i < 100 && taps == 0; ++i) {
        desktop->processEvents();
        if (taps == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(taps, 1);
    button->removeAllTargets();
}

TEST(DesktopWindow, WithoutADisplayNothingOpens)
{
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 1024, 768));
    EXPECT_EQ(UIDesktopWindow::open(window, ":not-a-display"), nullptr);
}

}  // namespace
#endif
