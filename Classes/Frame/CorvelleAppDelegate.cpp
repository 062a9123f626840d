#include "Classes/Frame/CorvelleAppDelegate.h"

#include "Classes/Frame/CorvelleNavigationController.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Network/HTTP/Reachability.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/SessionCommands.h"
#include "Network/Protocol/SessionServices.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/Foundation/PerformRequests.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

CorvelleAppDelegate::ClientReleases& clientReleases()
{
    static CorvelleAppDelegate::ClientReleases releases;
    return releases;
}

CorvelleAppDelegate::WelcomeScreenFactory& welcomeFactory()
{
    static CorvelleAppDelegate::WelcomeScreenFactory factory;
    return factory;
}

bool isBlank(const std::optional<std::string>& s)
{
    return !s || NSString::stringByTrimmingCharactersInSet(*s, CharacterSet::whitespaceAndNewline).empty();
}

std::string joined(const std::vector<std::string>& lines, const char* separator)
{
    std::string out;
    for (const auto& line : lines) {
        if (!out.empty())
            out += separator;
        out += line;
    }
    return out;
}

}  // namespace

CorvelleAppDelegate::CorvelleAppDelegate()
    : m_window(std::make_shared<UIWindow>(UIScreen::mainScreen().bounds()))
{
}

CorvelleAppDelegate::~CorvelleAppDelegate()
{
    NSNotificationCenter::defaultCenter().removeObserver(this);
    PerformRequests::cancelPreviousPerformRequests(this);
    if (m_hostReach)
        m_hostReach->stopNotifier();
}

std::shared_ptr<CorvelleAppDelegate> CorvelleAppDelegate::sharedAppDelegate()
{
    return std::dynamic_pointer_cast<CorvelleAppDelegate>(UIApplication::sharedApplication()->delegate());
}

void CorvelleAppDelegate::setClientReleases(ClientReleases releases) { clientReleases() = std::move(releases); }

void CorvelleAppDelegate::setWelcomeScreenFactory(WelcomeScreenFactory factory)
{
    welcomeFactory() = std::move(factory);
}

std::shared_ptr<UIViewController> CorvelleAppDelegate::makeWelcomeScreen()
{
    // The sign-in screen lives above the frame; a program that launches
    // without one installed could never be signed in to.
    std::shared_ptr<UIViewController> screen = welcomeFactory() ? welcomeFactory()() : nullptr;
    if (!screen)
        NSException::raiseFormat(NSInternalInconsistencyException, "Assertion failure in %s: %s",
            "CorvelleAppDelegate::makeWelcomeScreen", "no welcome screen factory gave a screen");
    m_welcomeScreen = screen;
    return screen;
}

bool CorvelleAppDelegate::rootIsWelcomeScreen() const
{
    auto welcome = m_welcomeScreen.lock();
    return welcome && m_window->rootViewController() == welcome;
}

bool CorvelleAppDelegate::applicationDidFinishLaunchingWithOptions(UIApplication& application, const Value& options)
{
    auto weak = weakSelf<CorvelleAppDelegate>();
    // The front door sends every "114" reply here; the protocol reads the version from here.
    // The library starts in its one-column layout after each sign-in.
    ConfigManager::setCreationObserver([] {
        if (auto app = CorvelleAppDelegate::sharedAppDelegate())
            app->setIsFileDisPlayTwoColumn(false);
    });
    auto& services = ProtocolServices::services();
    services.logoutWithLockedUser = [weak](const std::string& status, const std::optional<std::string>& message) {
        if (auto self = weak.lock())
            self->logoutWithLockedUserMessage(status, message);
    };
    services.currentVersion = [weak]() {
        auto self = weak.lock();
        return self ? self->currentVersion() : std::string();
    };
    // The session and the synchronisation reach the frame through these.
    auto& session = SessionServices::services();
    session.initializeSkinImage = []() { return SkinManager::sharedInstance()->initializeSkinImage(); };
    session.showLoginPage = [weak]() {
        if (auto self = weak.lock())
            self->showLoginPage();
    };
    session.checkAppVersionReturn = [weak](const std::shared_ptr<CheckAppVersionRst>& reply) {
        if (auto self = weak.lock(); self && reply)
            self->CheckAppVersionReturn(*reply);
    };
    session.welcomeScreenIsRoot = [weak]() {
        auto self = weak.lock();
        return self && self->rootIsWelcomeScreen();
    };
    session.beginBlockWait
        = [](const std::string& text, double timeout) { MessageBox::sharedInstance()->BeginBlockWait(text, timeout); };
    session.endBlockWait = []() { MessageBox::sharedInstance()->EndBlockWait(); };
    session.changeWaitMessage = [](const std::string& text) { MessageBox::sharedInstance()->ChangeWaitMessage(text); };
    session.waitMsgBoxtag = []() { return MessageBox::sharedInstance()->waitMsgBoxtag(); };

    PublicFunction::SkipBackup();

    auto defaults = NSUserDefaults::standardUserDefaults();
    LanguageManager::sharedInstance()->setCurrentLanguage(defaults->integerForKey("language"));

    const Value bundleVersionValue = NSBundle::mainBundle()->objectForInfoDictionaryKey("CFBundleShortVersionString");
    const std::string bundleVersion = bundleVersionValue.isString() ? bundleVersionValue.stringValue() : std::string();
    const std::optional<std::string> storedVersion = defaults->stringForKey("App_version");

    if (defaults->objectForKey("D_OKRA_SHORTCUT").isNull() || defaults->objectForKey("VELLORAN_SHORTCUT").isNull()) {
        defaults->setBoolForKey(true, "D_OKRA_SHORTCUT");
        defaults->setBoolForKey(true, "VELLORAN_SHORTCUT");
        defaults->synchronize();
    }

    if (!isBlank(storedVersion) && *storedVersion == bundleVersion) {
        PublicFunction::changeAllClientFolderToLower();
    } else {
        defaults->setObjectForKey(Value(bundleVersion), "App_version");
        PublicFunction::resetUserSetting();
        defaults->synchronize();
        PublicFunction::moveAllClientFolderToDocuments();
        SkinManager::sharedInstance()->setNeedUpdateDemo(true);
    }

    PublicFunction::GetServer();
    m_currentVersion = bundleVersion;

    NSNotificationCenter::defaultCenter().addObserver(
        this, kReachabilityChangedNotification, [weak](const NSNotification& n) {
            if (auto self = weak.lock())
                self->reachabilityChanged(n);
        });
    m_hostReach = Reachability::reachabilityWithHostName(kReachabilityHost);
    if (m_hostReach)
        m_hostReach->startNotifier();

    NSSetUncaughtExceptionHandler(&CorvelleAppDelegate::uncaughtExceptionHandler);

    m_window->setRootViewController(makeWelcomeScreen());
    m_window->makeKeyAndVisible();
    return true;
}

void CorvelleAppDelegate::reachabilityChanged(const NSNotification& notification)
{
    // Only the reachability probes post this name, with themselves as sender.
    auto probe = std::static_pointer_cast<Reachability>(notification.sender);
    if (!probe)
        return;
    auto& center = NSNotificationCenter::defaultCenter();
    switch (probe->currentReachabilityStatus()) {
    case ReachableViaWiFi:
        LoginMode::sharedInstance()->setIsNotWifi(false);
        center.postNotificationName("netconnect");
        break;
    case ReachableViaWWAN:
        LoginMode::sharedInstance()->setIsNotWifi(true);
        center.postNotificationName("netconnect");
        break;
    case NotReachable:
        center.postNotificationName("netUnconnect");
        break;
    }
}

void CorvelleAppDelegate::uncaughtExceptionHandler(const NSException& exception)
{
    const std::string stack = joined(exception.callStackSymbols(), "<br>");
    NSLog("the name is %@,the reason is %@,the arr is %@", exception.name(), exception.reason(), stack);
    const std::string body
        = stringWithFormat("?subject=bug report&body=Thanks to your help!<br><br><br>error "
                           "detail:<br>%@<br>--------------------------<br>%@<br>---------------------<br>%@",
            exception.name(), exception.reason(), stack);
    const std::string link = std::string("mailto://") + kSupportMailAddress + body;
    if (auto escaped = NSString::stringByAddingPercentEscapesUsingEncoding(link))
        UIApplication::sharedApplication()->openURL(*escaped);
}

void CorvelleAppDelegate::showMainController()
{
    // A second call while the main screen is up keeps it.
    if (m_tabBarController) {
        if (auto root = m_window->rootViewController(); root && root == m_tabBarController->parentViewController())
            return;
    }
    auto tabBar = UITabBarControllerExt::create();
    auto navigation = CorvelleNavigationController::withRootViewController(tabBar);
    navigation->setNavigationBarHidden(true);
    // The main screen is laid out on the whole screen under the status bar:
    // its bar lies along the bottom and the panes it holds begin below the
    // status bar, as do the tabs' screens and the screens pushed over it.
    navigation->setWantsFullScreenLayout(true);
    tabBar->setWantsFullScreenLayout(true);
    m_tabBarController = tabBar;
    m_window->setRootViewController(navigation);
}

void CorvelleAppDelegate::showSyncController()
{
    if (m_tabBarController)
        m_tabBarController->selectTab(6);
    auto weak = weakSelf<CorvelleAppDelegate>();
    PerformRequests::performAfterDelay(
        this, "startSync",
        [weak]() {
            if (auto self = weak.lock())
                self->startSync();
        },
        0.1);
}

void CorvelleAppDelegate::startSync() { SyncModel::sharedInstance()->startSyncData(); }

void CorvelleAppDelegate::showLoginPage()
{
    const ClientReleases releases = clientReleases();
    LoginMode::freeInstance();
    if (releases.beforeRequestsEnd)
        releases.beforeRequestsEnd();
    NetworkModel::sharedInstance()->cancelAllRequests();
    SyncModel::freeInstance();
    QuoteOrderStore::freeInstance();
    DataAccessManager::releaseDataModel();
    ConfigManager::freeInstance();
    // Everything else that holds the client's data goes too: the next person
    // to sign in may work for another client.
    if (releases.afterDataEnds)
        releases.afterDataEnds();
    LanguageManager::sharedInstance()->removeAllLanugageNotification();
    m_window->setRootViewController(makeWelcomeScreen());
}

void CorvelleAppDelegate::showAlert(const std::string& title, const std::string& message,
    const std::vector<std::string>& buttons, long tag, bool withDelegate)
{
    std::weak_ptr<UIAlertViewDelegate> delegate;
    if (withDelegate)
        delegate = protect<CorvelleAppDelegate>();
    std::vector<std::string> others(buttons.begin() + 1, buttons.end());
    auto alert = std::make_shared<UIAlertView>(title, message, delegate, buttons.front(), others);
    alert->setTag(tag);
    alert->show();
}

void CorvelleAppDelegate::logoutWithLockedUserMessage(
    const std::string& status, const std::optional<std::string>& message)
{
    m_deviceStatus = status;
    if (!message)
        return;
    if (status != "11411" && status != "207")
        return;
    auto alert
        = std::make_shared<UIAlertView>(text("NOTIFICATION"), *message, protect<CorvelleAppDelegate>(), text("OK"));
    alert->setTag(kLockedUserAlertTag);
    m_lockedAlertStatus[alert.get()] = status;
    alert->show();
}

void CorvelleAppDelegate::removeSavedClientFolders()
{
    auto& files = NSFileManager::defaultManager();
    const std::string documents = NSString::stringByAppendingPathComponent(NSHomeDirectory(), "Documents");
    const Value saved = NSUserDefaults::standardUserDefaults()->arrayForKey("Login_Info_Array");
    if (!saved.isArray())
        return;
    for (const auto& entry : saved.arrayValue()) {
        if (!entry.isDictionary())
            continue;
        const Value& id = entry["Input_ClientID"];
        if (!id.isString() || !LoginMode::isUsableClientId(id.stringValue())) {
            NSLog("No client folder is removed for the saved client id %@", id);
            continue;
        }
        const std::string folder
            = NSString::stringByAppendingPathComponent(documents, NSString::lowercaseString(id.stringValue()));
        if (files.fileExistsAtPath(folder))
            files.removeItemAtPath(folder);
    }
}

void CorvelleAppDelegate::lockedUserAlertAnswered(const std::string& status)
{
    if (status == "114") {
        removeSavedClientFolders();
        PublicFunction::clearUserDefault();
    } else if (status == "11411") {
        LoginMode::sharedInstance()->removeBlockAccount();
    }
    if (rootIsWelcomeScreen())
        MessageBox::sharedInstance()->EndBlockWait();
    else
        showLoginPage();
}

void CorvelleAppDelegate::CheckAppVersionReturn(const CheckAppVersionRst& reply)
{
    auto session = LoginMode::sharedInstance();
    if (reply.status.value_or("") == "999" && !session->checkLocalVersion()) {
        showAlert(text("NOTIFICATION"), reply.message.value_or(""), { text("OK") }, 0, false);
        return;
    }
    if (!session->isNeedCheckVersionAlert(reply.updateType))
        return;
    const std::string title = stringWithFormat("%@ %@", text("NEWVERSIONFOUND"), reply.appVersion.value_or(""));
    m_appUrl = reply.appUrl;
    std::vector<std::string> buttons;
    long tag = 0;
    switch (reply.updateType) {
    case 3:
        buttons = { text("UPDATENOW") };
        tag = kForcedUpdateAlertTag;
        break;
    case 2:
        buttons = { text("LATER"), text("UPDATENOW") };
        tag = kSuggestedUpdateAlertTag;
        break;
    case 1:
        buttons = { text("LATER"), text("UPDATENOW") };
        tag = kOptionalUpdateAlertTag;
        break;
    default:
        if (!session->checkLocalVersion())
            showAlert(text("NOTIFICATION"), text("LATESTVERSIONMSG"), { text("OK") }, 0, false);
        return;
    }
    std::vector<std::string> others(buttons.begin() + 1, buttons.end());
    auto alert = std::make_shared<UIAlertView>(
        title, reply.updateMessage().value_or(""), protect<CorvelleAppDelegate>(), buttons.front(), others);
    alert->setTag(tag);
    alert->show();
    // The message label exists once the alert is laid out for showing.
    PublicFunction::setTextAlignmentForAlertView(UITextAlignmentLeft, alert);
}

void CorvelleAppDelegate::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    const long tag = alert.tag();
    if (tag == kLockedUserAlertTag) {
        auto it = m_lockedAlertStatus.find(&alert);
        if (it == m_lockedAlertStatus.end())
            return;
        const std::string status = it->second;
        m_lockedAlertStatus.erase(it);
        lockedUserAlertAnswered(status);
        return;
    }
    if ((tag == kOptionalUpdateAlertTag || tag == kSuggestedUpdateAlertTag) && buttonIndex == 0) {
        auto defaults = NSUserDefaults::standardUserDefaults();
        defaults->setObjectForKey(
            Value(NSDate::date()), tag == kOptionalUpdateAlertTag ? "UpdateVersionSign" : "UpdateVersionSuggest");
        defaults->synchronize();
        showAlert(text("NOTIFICATION"), text("CANCELUPDATEMSG"), { text("OK") }, 0, false);
        return;
    }
    if (tag == kOptionalUpdateAlertTag || tag == kSuggestedUpdateAlertTag || tag == kForcedUpdateAlertTag) {
        if (!isBlank(m_appUrl))
            UIApplication::sharedApplication()->openURL(*m_appUrl);
    }
}

void CorvelleAppDelegate::applicationDidEnterBackground(UIApplication&)
{
    NSNotificationCenter::defaultCenter().postNotificationName("AppWillEnterBackgound");
}

void CorvelleAppDelegate::applicationWillEnterForeground(UIApplication&)
{
    LoginMode::sharedInstance()->checkDeviceStatus();
    NSNotificationCenter::defaultCenter().postNotificationName("AppWillEnterForegroud");
}

void CorvelleAppDelegate::showViewOnRoot(const std::shared_ptr<UIView>& view)
{
    if (m_tabBarController && view)
        m_tabBarController->view()->addSubview(view);
}
