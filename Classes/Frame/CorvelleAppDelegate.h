#pragma once

// The application delegate: prepares folders, language and server settings
// at launch, watches reachability, installs the crash report and the
// locked-user path of the front door, shows the welcome (sign-in) screen and,
// after sign-in, the main tab bar; performs logout; answers the locked-user,
// blocked-account and version-update alerts. Other parts reach it through
// `sharedAppDelegate()`, the application's delegate.

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIResponder.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class CheckAppVersionRst;
class NSException;
class Reachability;
class UITabBarControllerExt;
class UIViewController;
class UIWindow;

class CorvelleAppDelegate : public UIResponder, public UIApplicationDelegate, public UIAlertViewDelegate {
public:
    // Alert tags of the delegate's own alerts.
    static constexpr long kLockedUserAlertTag = 8000;
    static constexpr long kOptionalUpdateAlertTag = 8001;
    static constexpr long kSuggestedUpdateAlertTag = 8002;
    static constexpr long kForcedUpdateAlertTag = 8003;

    // Where the crash report goes, and the public host whose reachability stands for the network's.
    static constexpr const char* kSupportMailAddress = "support@corvelle.net";
    static constexpr const char* kReachabilityHost = "www.debian.org";

    CorvelleAppDelegate();
    ~CorvelleAppDelegate() override;

    // The application's delegate, when it is this class.
    static std::shared_ptr<CorvelleAppDelegate> sharedAppDelegate();

    // The screen that stands as the window's root before sign-in and after
    // logout. The application must install it before launching: launching or
    // logging out without it raises NSInternalInconsistencyException.
    using WelcomeScreenFactory = std::function<std::shared_ptr<UIViewController>()>;
    static void setWelcomeScreenFactory(WelcomeScreenFactory factory);

    // What the screens above the frame keep for the signed-in client, which
    // log-out releases: the next person to sign in may work for another
    // client. The application installs it; unset, log-out releases only the
    // frame's own.
    struct ClientReleases {
        // Before the session's requests are cancelled: the library's downloads.
        std::function<void()> beforeRequestsEnd;
        // After the data and the configuration are released: the customer cache
        // and the thumbnail caches.
        std::function<void()> afterDataEnds;
    };
    static void setClientReleases(ClientReleases releases);

    // UIApplicationDelegate.
    bool applicationDidFinishLaunchingWithOptions(UIApplication& application, const Value& options) override;
    void applicationDidEnterBackground(UIApplication&) override;
    void applicationWillEnterForeground(UIApplication&) override;
    std::shared_ptr<UIWindow> window() const override { return m_window; }

    void reachabilityChanged(const NSNotification& notification);
    // The crash report: a log line and an e-mail link holding the exception.
    static void uncaughtExceptionHandler(const NSException& exception);

    void showMainController();
    void showSyncController();
    void startSync();
    void showLoginPage();
    void logoutWithLockedUserMessage(const std::string& status, const std::optional<std::string>& message);
    void CheckAppVersionReturn(const CheckAppVersionRst& reply);
    void showViewOnRoot(const std::shared_ptr<UIView>& view);
    // What answering the locked-user alert does for the status it was shown
    // for: "114" removes the saved clients' folders and every user default,
    // "11411" the blocked account; then the wait box ends on the welcome
    // screen, or the user is logged out.
    void lockedUserAlertAnswered(const std::string& status);

    // UIAlertViewDelegate.
    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;

    std::shared_ptr<UITabBarControllerExt> tabBarController() const { return m_tabBarController; }
    const std::string& currentVersion() const { return m_currentVersion; }
    const std::optional<std::string>& deviceStatus() const { return m_deviceStatus; }
    const std::optional<std::string>& appUrl() const { return m_appUrl; }
    bool isFileDisPlayTwoColumn() const { return m_isFileDisPlayTwoColumn; }
    void setIsFileDisPlayTwoColumn(bool on) { m_isFileDisPlayTwoColumn = on; }
    bool EditStatus() const { return m_EditStatus; }
    void setEditStatus(bool on) { m_EditStatus = on; }
    bool isDisplayFiveColum() const { return m_isDisplayFiveColum; }
    void setIsDisplayFiveColum(bool on) { m_isDisplayFiveColum = on; }
    std::shared_ptr<Reachability> hostReach() const { return m_hostReach; }

private:
    std::shared_ptr<UIViewController> makeWelcomeScreen();
    bool rootIsWelcomeScreen() const;
    void showAlert(const std::string& title, const std::string& message, const std::vector<std::string>& buttons,
        long tag, bool withDelegate);
    void removeSavedClientFolders();

    std::shared_ptr<UIWindow> m_window;
    std::shared_ptr<UITabBarControllerExt> m_tabBarController;
    std::weak_ptr<UIViewController> m_welcomeScreen;
    std::string m_currentVersion;
    std::optional<std::string> m_deviceStatus;
    std::optional<std::string> m_appUrl;
    bool m_isFileDisPlayTwoColumn = false;
    bool m_EditStatus = false;
    bool m_isDisplayFiveColum = false;
    std::shared_ptr<Reachability> m_hostReach;
    // The status each locked-user alert was shown for: its answer acts on
    // that, whatever status has arrived since.
    std::map<const UIAlertView*, std::string> m_lockedAlertStatus;
};
