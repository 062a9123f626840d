#pragma once

// The application object: its delegate's life cycle (launch, active,
// background, foreground, terminate), its one window, the status bar facts
// the screens read, and opening URLs. A device's other applications do not
// exist here: an opened URL is recorded and logged, and a mailto link becomes
// a draft in the mail outbox.

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/Value.h"
#include "Platform/QuartzCore/CAGeometry.h"
#include "Platform/UIKit/UIResponder.h"

#include <memory>
#include <string>
#include <vector>

class UIApplication;
class UIWindow;

enum UIInterfaceOrientation {
    UIInterfaceOrientationPortrait = 1,
    UIInterfaceOrientationPortraitUpsideDown = 2,
    UIInterfaceOrientationLandscapeRight = 3,
    UIInterfaceOrientationLandscapeLeft = 4,
};

enum UIInterfaceOrientationMask : unsigned {
    UIInterfaceOrientationMaskPortrait = 1 << UIInterfaceOrientationPortrait,
    UIInterfaceOrientationMaskPortraitUpsideDown = 1 << UIInterfaceOrientationPortraitUpsideDown,
    UIInterfaceOrientationMaskLandscapeRight = 1 << UIInterfaceOrientationLandscapeRight,
    UIInterfaceOrientationMaskLandscapeLeft = 1 << UIInterfaceOrientationLandscapeLeft,
    UIInterfaceOrientationMaskLandscape
    = UIInterfaceOrientationMaskLandscapeLeft | UIInterfaceOrientationMaskLandscapeRight,
};

enum UIApplicationState { UIApplicationStateActive, UIApplicationStateInactive, UIApplicationStateBackground };

enum UIStatusBarAnimation { UIStatusBarAnimationNone, UIStatusBarAnimationFade, UIStatusBarAnimationSlide };

inline const std::string UIApplicationDidFinishLaunchingNotification = "UIApplicationDidFinishLaunchingNotification";
inline const std::string UIApplicationWillResignActiveNotification = "UIApplicationWillResignActiveNotification";
inline const std::string UIApplicationDidEnterBackgroundNotification = "UIApplicationDidEnterBackgroundNotification";
inline const std::string UIApplicationWillEnterForegroundNotification = "UIApplicationWillEnterForegroundNotification";
inline const std::string UIApplicationDidBecomeActiveNotification = "UIApplicationDidBecomeActiveNotification";
inline const std::string UIApplicationWillTerminateNotification = "UIApplicationWillTerminateNotification";
inline const std::string UIApplicationDidReceiveMemoryWarningNotification
    = "UIApplicationDidReceiveMemoryWarningNotification";

class UIApplicationDelegate {
public:
    virtual ~UIApplicationDelegate() = default;
    virtual bool applicationDidFinishLaunchingWithOptions(UIApplication&, const Value& options) { return true; }
    virtual void applicationWillResignActive(UIApplication&) { }
    virtual void applicationDidEnterBackground(UIApplication&) { }
    virtual void applicationWillEnterForeground(UIApplication&) { }
    virtual void applicationDidBecomeActive(UIApplication&) { }
    virtual void applicationWillTerminate(UIApplication&) { }
    virtual void applicationDidReceiveMemoryWarning(UIApplication&) { }
    // The delegate's window, when it keeps one.
    virtual std::shared_ptr<UIWindow> window() const { return nullptr; }
};

class UIApplication : public UIResponder {
public:
    static std::shared_ptr<UIApplication> sharedApplication();
    // Forgets the application object and its state (tests start afresh).
    static void resetSharedApplication();

    // The mode the main run loop runs in for the interface: the tracking mode
    // while a scroll view is being dragged (default-mode timers and delayed
    // performs then wait for the drag to end), else the default mode. Drags
    // begin and end tracking; the count outlives application resets.
    static const NSRunLoopMode& eventRunLoopMode();
    static void beginEventTracking();
    static void endEventTracking();

    std::shared_ptr<UIApplicationDelegate> delegate() const { return m_delegate; }
    void setDelegate(std::shared_ptr<UIApplicationDelegate> delegate) { m_delegate = std::move(delegate); }

    // Launch: did-finish-launching, then did-become-active.
    bool launch(const Value& options = {});
    void resignActive();
    void enterBackground();
    void enterForeground();
    void becomeActive();
    // Will-terminate to the delegate and observers (once), then the main loop stops.
    void terminate();
    bool hasTerminated() const { return m_terminated; }
    void simulateMemoryWarning();
    UIApplicationState applicationState() const { return m_state; }

    std::vector<std::shared_ptr<UIWindow>> windows() const;
    std::shared_ptr<UIWindow> keyWindow() const;

    // URLs: web and mail links go to the desktop's handler for their scheme.
    // The URLs handed over so far, for the log.
    bool canOpenURL(const std::string& url) const;
    bool openURL(const std::string& url);
    const std::vector<std::string>& openedURLs() const { return m_openedURLs; }

    // Status bar.
    UIInterfaceOrientation statusBarOrientation() const { return m_orientation; }
    void setStatusBarOrientation(UIInterfaceOrientation o) { m_orientation = o; }
    CGRect statusBarFrame() const;
    bool isStatusBarHidden() const { return m_statusBarHidden; }
    void setStatusBarHidden(bool hidden) { m_statusBarHidden = hidden; }
    void setStatusBarHiddenWithAnimation(bool hidden, UIStatusBarAnimation) { m_statusBarHidden = hidden; }
    bool isNetworkActivityIndicatorVisible() const { return m_networkActivity; }
    void setNetworkActivityIndicatorVisible(bool on) { m_networkActivity = on; }
    long applicationIconBadgeNumber() const { return m_badge; }
    void setApplicationIconBadgeNumber(long n) { m_badge = n; }
    bool isIdleTimerDisabled() const { return m_idleTimerDisabled; }
    void setIdleTimerDisabled(bool on) { m_idleTimerDisabled = on; }
    bool isIgnoringInteractionEvents() const { return m_ignoring > 0; }
    void beginIgnoringInteractionEvents() { ++m_ignoring; }
    void endIgnoringInteractionEvents()
    {
        if (m_ignoring > 0)
            --m_ignoring;
    }

private:
    void post(const std::string& name);

    std::shared_ptr<UIApplicationDelegate> m_delegate;
    UIApplicationState m_state = UIApplicationStateInactive;
    std::vector<std::string> m_openedURLs;
    UIInterfaceOrientation m_orientation = UIInterfaceOrientationLandscapeRight;
    bool m_statusBarHidden = false;
    bool m_networkActivity = false;
    long m_badge = 0;
    bool m_idleTimerDisabled = false;
    int m_ignoring = 0;
    bool m_terminated = false;
};

// Runs the application: makes the shared application with `delegate`,
// launches it and runs the main run loop until it terminates. When a display
// is present the key window also shows on the desktop, and closing it
// terminates the application; without one everything runs headless. The
// loop waits for work while idle rather than returning. Returns the
// process's exit status.
int UIApplicationMain(int argc, char** argv, std::shared_ptr<UIApplicationDelegate> delegate);

// The one screen: 1024 x 768 points, landscape, scale 1.
class UIScreen {
public:
    static UIScreen& mainScreen();
    CGRect bounds() const { return CGRectMake(0, 0, 1024, 768); }
    // The bounds less the status bar, when it shows.
    CGRect applicationFrame() const;
    CGFloat scale() const { return 1; }
};

enum UIUserInterfaceIdiom { UIUserInterfaceIdiomPhone = 0, UIUserInterfaceIdiomPad = 1 };

enum UIDeviceOrientation {
    UIDeviceOrientationUnknown,
    UIDeviceOrientationPortrait,
    UIDeviceOrientationPortraitUpsideDown,
    UIDeviceOrientationLandscapeLeft,
    UIDeviceOrientationLandscapeRight,
    UIDeviceOrientationFaceUp,
    UIDeviceOrientationFaceDown,
};

inline const std::string UIDeviceOrientationDidChangeNotification = "UIDeviceOrientationDidChangeNotification";

// The device facts the screens read: a tablet on a fixed system version.
class UIDevice {
public:
    static UIDevice& currentDevice();
    std::string systemVersion() const { return "5.1"; }
    std::string systemName() const { return "iPhone OS"; }
    std::string model() const { return "iPad"; }
    std::string localizedModel() const { return "iPad"; }
    std::string name() const;
    UIUserInterfaceIdiom userInterfaceIdiom() const { return UIUserInterfaceIdiomPad; }
    UIDeviceOrientation orientation() const { return UIDeviceOrientationLandscapeLeft; }
    bool isMultitaskingSupported() const { return true; }
};

// The system version as a number, as the screens compare it ("5.1" -> 5.1).
float UIDeviceSystemVersionValue();
