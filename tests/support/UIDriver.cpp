#include "UIDriver.h"

#include "ClockFixture.h"
#include "RunLoopPump.h"

#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UITabBarController.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UIToolbar.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <algorithm>
#include <cmath>
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

bool shows(const UIView& view) { return !view.isHidden() && view.alpha() > 0.01; }

// Visits the shown views under `root`, front-most first, until `visit` answers true.
bool visitShown(const std::shared_ptr<UIView>& root, const std::function<bool(const std::shared_ptr<UIView>&)>& visit)
{
    if (!root || !shows(*root))
        return false;
    auto subs = root->subviews();
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
        if (visitShown(*it, visit))
            return true;
    }
    return visit(root);
}

template <class T>
std::shared_ptr<T> findShown(const std::shared_ptr<UIView>& root, const std::function<bool(T&)>& match)
{
    std::shared_ptr<T> found;
    visitShown(root, [&](const std::shared_ptr<UIView>& v) {
        if (auto t = std::dynamic_pointer_cast<T>(v); t && match(*t)) {
            found = t;
            return true;
        }
        return false;
    });
    return found;
}

// What a person sees is what the next display shows: due work run, layout done.
void prepare(UIWindow& window)
{
    drainMainRunLoop();
    window.layoutIfNeeded();
}

CGPoint middleOf(const UIView& view, CGRect rect)
{
    return view.convertPointToView(CGPointMake(CGRectGetMidX(rect), CGRectGetMidY(rect)), nullptr);
}

}  // namespace

UIDriver::UIDriver(std::shared_ptr<UIWindow> window)
    : m_window(window ? std::move(window) : UIWindow::keyWindow())
{
}

UIWindow& UIDriver::window() const { return *m_window; }

CGPoint UIDriver::centerOf(const std::shared_ptr<UIView>& view) const
{
    CGRect b = view->bounds();
    return view->convertPointToView(CGPointMake(CGRectGetMidX(b), CGRectGetMidY(b)), nullptr);
}

void UIDriver::settle() { drainMainRunLoop(); }

void UIDriver::advance(double seconds) { advanceClock(seconds); }

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
        m_window->handleTouch(
            finger, UITouchPhaseMoved, CGPointMake(from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f));
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

std::shared_ptr<UIAlertView> UIDriver::visibleAlert() const { return findAlert(*m_window); }

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

namespace {

// Where dark text is drawn inside `area` of a picture of the window: the
// smallest rectangle holding every dark pixel there, or an empty rectangle.
CGRect darkInkIn(const CGImage& pixels, CGRect area)
{
    const auto clamp = [](CGFloat v, size_t limit) {
        return static_cast<size_t>(std::clamp<CGFloat>(std::floor(v), 0, static_cast<CGFloat>(limit)));
    };
    const size_t left = clamp(area.origin.x, pixels.width()), right = clamp(CGRectGetMaxX(area), pixels.width());
    const size_t top = clamp(area.origin.y, pixels.height()), bottom = clamp(CGRectGetMaxY(area), pixels.height());
    size_t minX = right, minY = bottom, maxX = 0, maxY = 0;
    bool any = false;
    for (size_t y = top; y < bottom; ++y)
        for (size_t x = left; x < right; ++x) {
            const CGPixel p = pixels.pixelAt(x, y);
            // Text's ink, not the light greys and blues of the screens' art.
            if (p.alpha > 128 && p.red < 100 && p.green < 100 && p.blue < 100) {
                any = true;
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
        }
    if (!any)
        return CGRectZero;
    return CGRectMake(static_cast<CGFloat>(minX), static_cast<CGFloat>(minY), static_cast<CGFloat>(maxX - minX + 1),
        static_cast<CGFloat>(maxY - minY + 1));
}

}  // namespace

std::string UIDriver::valueBesideCaption(const std::string& caption, const UITextField& field) const
{
    auto label = findLabel(caption);
    if (!label)
        return "no label titled " + caption;
    prepare(*m_window);
    auto picture = UIViewRenderToImage(*m_window);
    if (!picture || !picture->CGImage())
        return "the window did not draw";
    const CGImage& pixels = *picture->CGImage();
    const CGRect captionInk = darkInkIn(pixels, label->convertRectToView(label->bounds(), nullptr));
    const CGRect box = field.convertRectToView(field.textRectForBounds(field.bounds()), nullptr);
    const CGRect valueInk = darkInkIn(pixels, CGRectMake(box.origin.x, box.origin.y, 18, box.size.height));
    if (CGRectIsEmpty(captionInk) || CGRectIsEmpty(valueInk))
        return CGRectIsEmpty(captionInk) ? "no caption drawn" : "no value drawn";
    std::string differs;
    if (std::abs(valueInk.origin.y - captionInk.origin.y) > 2)
        differs += "the value's top is " + std::to_string(valueInk.origin.y) + ", the caption's "
            + std::to_string(captionInk.origin.y) + "; ";
    if (std::abs(valueInk.size.height - captionInk.size.height) > 2)
        differs += "the value's letters are " + std::to_string(valueInk.size.height) + " tall, the caption's "
            + std::to_string(captionInk.size.height);
    return differs;
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

std::shared_ptr<UIButton> UIDriver::findButton(const std::string& title) const
{
    prepare(*m_window);
    return findShown<UIButton>(m_window, [&](UIButton& b) { return b.currentTitle() == title; });
}

bool UIDriver::tapButton(const std::string& title)
{
    auto button = findButton(title);
    if (!button)
        return false;
    tap(button);
    return true;
}

std::shared_ptr<UILabel> UIDriver::findLabel(const std::string& text) const
{
    prepare(*m_window);
    return findShown<UILabel>(m_window, [&](UILabel& l) { return l.text() == text; });
}

std::shared_ptr<UIView> UIDriver::findView(long tag) const
{
    prepare(*m_window);
    return findShown<UIView>(m_window, [&](UIView& v) { return v.tag() == tag; });
}

bool UIDriver::tapBarButton(const std::string& title)
{
    prepare(*m_window);
    std::optional<CGPoint> at;
    visitShown(m_window, [&](const std::shared_ptr<UIView>& v) {
        if (auto bar = std::dynamic_pointer_cast<UINavigationBar>(v)) {
            auto top = bar->topItem();
            if (!top)
                return false;
            if (top->rightBarButtonItem && top->rightBarButtonItem->displayTitle() == title)
                at = middleOf(*bar, bar->rightItemFrame());
            else if (top->leftBarButtonItem && top->leftBarButtonItem->displayTitle() == title)
                at = middleOf(*bar, bar->leftItemFrame());
            else if (bar->backItem() && !top->leftBarButtonItem && !top->hidesBackButton
                && bar->backButtonTitle() == title)
                at = middleOf(*bar, bar->backButtonFrame());
        } else if (auto toolbar = std::dynamic_pointer_cast<UIToolbar>(v)) {
            const auto& items = toolbar->items();
            for (size_t i = 0; i < items.size() && !at; ++i) {
                if (!items[i]->customView && items[i]->displayTitle() == title)
                    at = middleOf(*toolbar, toolbar->itemFrame(static_cast<long>(i)));
            }
        }
        return at.has_value();
    });
    if (!at)
        return tapButton(title);
    tapAt(*at);
    return true;
}

bool UIDriver::tapTab(const std::string& title)
{
    prepare(*m_window);
    std::optional<CGPoint> at;
    visitShown(m_window, [&](const std::shared_ptr<UIView>& v) {
        auto bar = std::dynamic_pointer_cast<UITabBar>(v);
        if (!bar)
            return false;
        for (size_t i = 0; i < bar->items.size(); ++i) {
            if (bar->items[i]->title == title) {
                at = middleOf(*bar, bar->itemFrame(static_cast<long>(i)));
                return true;
            }
        }
        return false;
    });
    if (!at)
        return false;
    tapAt(*at);
    return true;
}

bool UIDriver::tapRow(const std::shared_ptr<UITableView>& table, long row, long section)
{
    if (!table)
        return false;
    auto path = NSIndexPath::indexPathForRowInSection(row, section);
    if (section >= table->numberOfSections() || row >= table->numberOfRowsInSection(section))
        return false;
    CGRect rect = table->rectForRowAtIndexPath(path);
    CGRect visible = table->bounds();
    if (!CGRectContainsPoint(visible, CGPointMake(CGRectGetMidX(rect), CGRectGetMidY(rect)))) {
        table->scrollToRowAtIndexPathAtScrollPositionAnimated(path, UITableViewScrollPositionMiddle, false);
        settle();
    }
    tapAt(middleOf(*table, table->rectForRowAtIndexPath(path)));
    return true;
}

bool UIDriver::tapRow(const std::string& text)
{
    prepare(*m_window);
    auto cell = findShown<UITableViewCell>(
        m_window, [&](UITableViewCell& c) { return c.textLabel() && c.textLabel()->text() == text; });
    if (!cell)
        return false;
    tap(cell);
    return true;
}
