#pragma once

// Drives the interface the way a person would, through the window's own touch
// and key entry points: taps, double taps, long presses and drags at points
// or at views, typing into the first responder, tapping an alert's button by
// its title, moving the clock, and rendering the window (or any view) to PNG.
// Time moves only through the driver (it needs the manual clock), and every
// action ends by running what became due on the main run loop.

#include "Platform/UIKit/UIWindow.h"

#include <memory>
#include <string>

class UIAlertView;
class UIButton;
class UILabel;
class UITableView;
class UITextField;

class UIDriver {
public:
    // Drives `window`, or the key window when none is given.
    explicit UIDriver(std::shared_ptr<UIWindow> window = nullptr);

    UIWindow& window() const;

    // The centre of `view` in window coordinates.
    CGPoint centerOf(const std::shared_ptr<UIView>& view) const;

    void tapAt(CGPoint point, int taps = 1);
    void tap(const std::shared_ptr<UIView>& view, int taps = 1) { tapAt(centerOf(view), taps); }
    void doubleTapAt(CGPoint point) { tapAt(point, 2); }
    void doubleTap(const std::shared_ptr<UIView>& view) { tap(view, 2); }
    void longPressAt(CGPoint point, double seconds = 1.0);
    void longPress(const std::shared_ptr<UIView>& view, double seconds = 1.0) { longPressAt(centerOf(view), seconds); }
    // Presses at `from`, moves in `steps` even steps to `to` over `seconds`, and lifts.
    void dragFrom(CGPoint from, CGPoint to, int steps = 10, double seconds = 0.3);
    void drag(const std::shared_ptr<UIView>& view, CGFloat dx, CGFloat dy, int steps = 10, double seconds = 0.3);
    // Two fingers moving apart (scale > 1) or together around `center`.
    void pinchAt(CGPoint center, CGFloat startSpread, CGFloat endSpread, int steps = 10);

    void typeText(const std::string& text);
    void pressReturn();
    void pressBackspace();

    // The alert on screen (the topmost), if any.
    std::shared_ptr<UIAlertView> visibleAlert() const;
    // Taps the button of the visible alert whose title is `title`; false when there is none.
    bool tapAlertButton(const std::string& title);

    // Finders. They see what a person sees: views on screen in the window,
    // not hidden, not transparent, inside no hidden or transparent ancestor,
    // the front-most first. A tap by title answers false when nothing shows it.
    std::shared_ptr<UIButton> findButton(const std::string& title) const;
    bool tapButton(const std::string& title);
    std::shared_ptr<UILabel> findLabel(const std::string& text) const;
    std::shared_ptr<UIView> findView(long tag) const;
    template <class T> std::shared_ptr<T> findView(long tag) const
    {
        return std::dynamic_pointer_cast<T>(findView(tag));
    }
    // A navigation bar's left, right or back item, or a toolbar's item, by
    // the text the bar shows; else a button of that title in a bar's custom views.
    bool tapBarButton(const std::string& title);
    bool tapTab(const std::string& title);
    // Scrolls the row into view when needed, then taps its middle.
    bool tapRow(const std::shared_ptr<UITableView>& table, long row, long section = 0);
    // The first visible row whose text label shows `text`.
    bool tapRow(const std::string& text);

    // Advances the clock and runs what becomes due.
    void advance(double seconds);
    // Runs what is due now without moving the clock.
    void settle();

    // Whether a field's text stands on the line of the label titled
    // `caption`, its letters as tall as the caption's, read from the ink on
    // screen (within 2 points): empty when it does, else what differs. Only
    // the value's first 18 points are read, so no caret widens the measure.
    std::string valueBesideCaption(const std::string& caption, const UITextField& field) const;

    // Lays out and draws `view` (the window when null) into a PNG file.
    bool renderToPNG(const std::string& path, const std::shared_ptr<UIView>& view = nullptr) const;
    // Where tests leave pictures for a person to look at: the folder named by
    // CORVELLE_UI_SNAPSHOT_DIR, else "ui-snapshots" beside the test program
    // (inside its build folder, so two builds never share one). Made when missing.
    static std::string snapshotPath(const std::string& fileName);

private:
    std::shared_ptr<UIWindow> m_window;
    int m_nextFinger = 1;
};
