#include "UIDriver.h"

#include "ClockFixture.h"
#include "RunLoopPump.h"

#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <unistd.h>

namespace {

std::shared_ptr<UIAlertView> findAlert(UIView& root)
{
    auto subs = root.subviews();
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
        if (auto a = std::dynamic_pointer_cast<UIAlertView>(*it); a && a->isVisible())
            return a;
        if (auto found = findAlert(**it))
            return found;
    }
    return nullptr;
}

}  // namespace

UIDriver::UIDriver(std::shared_ptr<UIWindow> window)
    : m_window(window ? std::move(window) : UIWindow::keyWindow())
{
}

UIWindow& UIDriver::window() const
{
    return *m_window;
}

CGPoint UIDriver::centerOf(const std::shared_ptr<UIView>& view) const
{
    CGRect b = view->bounds();
    return view->convertPointToView(CGPointMake(CGRectGetMidX(b), CGRectGetMidY(b)), nullptr);
}

void UIDriver::settle()
{
    drainMainRunLoop();
}

void UIDriver::advance(double seconds)
{
    advanceClock(seconds);
}

void UIDriver::tapAt(CGPoint point, int taps)
{
    settle();
    for (int i = 0; i < taps; ++i) {
        int finger = m_nextFinger++;
        m_window->handleTouch(finger, UITouchPhaseBegan, point);
        settle();
        advance(0.05);
        m_window->handleTouch(finger, UITouchPhaseEnded, point);
        settle();
        if (i + 1 < taps)
            advance(0.1);
    }
}

void UIDriver::longPressAt(CGPoint point, double seconds)
{
    settle();
    int finger = m_nextFinger++;
    m_window->handleTouch(finger, UITouchPhaseBegan, point);
    advance(seconds);
    m_window->handleTouch(finger, UITouchPhaseEnded, point);
    settle();
}

void UIDriver::dragFrom(CGPoint from, CGPoint to, int steps, double seconds)
{
    settle();
    steps = std::max(1, steps);
    int finger = m_nextFinger++;
    m_window->handleTouch(finger, UITouchPhaseBegan, from);
    settle();
    for (int i = 1; i <= steps; ++i) {
        advance(seconds / steps);
        CGFloat f = static_cast<CGFloat>(i) / steps;
        m_window->handleTouch(finger, UITouchPhaseMoved,
                              CGPointMake(from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f));
        settle();
    }
    m_window->handleTouch(finger, UITouchPhaseEnded, to);
    settle();
}

void UIDriver::drag(const std::shared_ptr<UIView>& view, CGFloat dx, CGFloat dy, int steps, double seconds)
{
    CGPoint c = centerOf(view);
    dragFrom(c, CGPointMake(c.x + dx, c.y + dy), steps, seconds);
}

void UIDriver::pinchAt(CGPoint center, CGFloat startSpread, CGFloat endSpread, int steps)
{
    settle();
    int a = m_nextFinger++, b = m_nextFinger++;
    auto at = [&](CGFloat spread, int sign) { return CGPointMake(center.x + sign * spread / 2, center.y); };
    m_window->handleTouch(a, UITouchPhaseBegan, at(startSpread, -1));
    m_window->handleTouch(b, UITouchPhaseBegan, at(startSpread, 1));
    for (int i = 1; i <= steps; ++i) {
        advance(0.02);
        CGFloat s = startSpread + (endSpread - startSpread) * i / steps;
        m_window->handleTouch(a, UITouchPhaseMoved, at(s, -1));
        m_window->handleTouch(b, UITouchPhaseMoved, at(s, 1));
    }
    m_window->handleTouch(a, UITouchPhaseEnded, at(endSpread, -1));
    m_window->handleTouch(b, UITouchPhaseEnded, at(endSpread, 1));
    settle();
}

void UIDriver::typeText(const std::string& text)
{
    m_window->handleText(text);
    settle();
}

void UIDriver::pressReturn()
{
    m_window->handleReturnKey();
    settle();
}

void UIDriver::pressBackspace()
{
    m_window->handleBackspace();
    settle();
}

std::shared_ptr<UIAlertView> UIDriver::visibleAlert() const
{
    return findAlert(*m_window);
}

bool UIDriver::tapAlertButton(const std::string& title)
{
    auto alert = visibleAlert();
    if (!alert)
        return false;
    for (long i = 0; i < alert->numberOfButtons(); ++i) {
        if (alert->buttonTitleAtIndex(i) == title) {
            if (auto b = alert->buttonAtIndex(i)) {
                tap(b);
                return true;
            }
        }
    }
    return false;
}

bool UIDriver::renderToPNG(const std::string& path, const std::shared_ptr<UIView>& view) const
{
    UIView& target = view ? *view : static_cast<UIView&>(*m_window);
    return UIViewRenderToPNG(target, path);
}

std::string UIDriver::snapshotPath(const std::string& fileName)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path dir;
    if (const char* chosen = std::getenv("CORVELLE_UI_SNAPSHOT_DIR"); chosen && *chosen)
        dir = chosen;
    else if (auto exe = fs::read_symlink("/proc/self/exe", error); !error)
        dir = exe.parent_path() / "ui-snapshots";
    else
        dir = fs::temp_directory_path() / ("corvelle-ui-snapshots-" + std::to_string(::getpid()));
    fs::create_directories(dir, error);
    return (dir / fileName).string();
}
