#pragma once

// The application's window: the root of the view tree and the place where
// touches and keys enter. Real touches (the desktop window's mouse) and the
// test driver's touches take the same road: `handleTouch` hit-tests a new
// finger, feeds the gesture recognisers of the hit view and its ancestors,
// delivers the touch to the hit view, and hands a moving finger over to a
// scroll view once it drags one. Keys go to the first responder.

#include "Platform/UIKit/UIView.h"

#include <map>

class UIViewController;
class UIScrollView;

class UIWindow : public UIView {
public:
    explicit UIWindow(CGRect frame = CGRectZero);
    ~UIWindow() override;

    std::shared_ptr<UIWindow> window() const override;

    std::shared_ptr<UIViewController> rootViewController() const { return m_rootViewController; }
    void setRootViewController(const std::shared_ptr<UIViewController>& controller);
    void makeKeyAndVisible();
    void makeKeyWindow();
    bool isKeyWindow() const;
    static std::shared_ptr<UIWindow> keyWindow();
    // Windows alive, oldest first.
    static std::vector<std::shared_ptr<UIWindow>> allWindows();

    std::shared_ptr<UIResponder> nextResponder() const override;

    // The status bar is drawn along the window's top while it shows, over
    // the screens (one laid out on the whole screen lies under it), so a
    // picture of the window looks as the screen would.
    void drawOverSubviews(CGRect rect) override;
    bool drawsContent() const override { return true; }

    // Touch input, in window coordinates. `finger` tells simultaneous touches apart.
    void handleTouch(int finger, UITouchPhase phase, CGPoint point);
    // Key input into the first responder: text, a return, a backspace.
    void handleText(const std::string& text);
    void handleReturnKey() { handleText("\n"); }
    void handleBackspace();

    // The longest pause and distance between taps that count as one multiple tap.
    static constexpr double kMultipleTapInterval = 0.35;
    static constexpr CGFloat kMultipleTapDistance = 30;

private:
    struct Tracked {
        std::shared_ptr<UITouch> touch;
        std::shared_ptr<UIView> view;
        std::vector<std::shared_ptr<UIGestureRecognizer>> recognizers;
        std::vector<std::shared_ptr<UIScrollView>> scrollViews;  // nearest first
        std::shared_ptr<UIScrollView> dragging;
        bool viewCancelled = false;
        CGPoint start {};
    };
    void deliver(Tracked& t, UITouchPhase phase, UIEvent& event);
    void settleRecognizers(Tracked& t, UIEvent& event);

    std::shared_ptr<UIViewController> m_rootViewController;
    std::map<int, Tracked> m_tracked;
    double m_lastTapTime = -1e9;
    CGPoint m_lastTapPoint {};
    unsigned long m_lastTapCount = 0;
};
