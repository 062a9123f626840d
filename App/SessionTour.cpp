#include "App/SessionTour.h"

#include "App/DemoTour.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/Login/WeclomeViewController.h"
#include "Classes/Sync/SyncViewController.h"
#include "Database/ConfigManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/ServerInfo.h"
#include "Network/Protocol/ServerSettings.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIWindow.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>

namespace {

void say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Stands between the engine and the synchronisation screen for the length of
// the tour's run: the screen hears everything, and the terminal gets a line
// per step and per tenth of each image kind.
class TourSyncObserver : public SyncModelDelegate {
public:
    void startSyncData() override
    {
        if (auto s = screen.lock())
            s->startSyncData();
    }
    void breakSync(const std::string& message) override
    {
        syncEnded = true;
        say("Synchronisation interrupted: " + message);
        if (auto s = screen.lock())
            s->breakSync(message);
    }
    void downloadimageFinished(int kind) override
    {
        say(std::string("Synchronisation: no ") + kindName(kind) + " to fetch");
        if (auto s = screen.lock())
            s->downloadimageFinished(kind);
    }
    void finishedSync() override
    {
        syncEnded = true;
        say("Synchronisation finished");
        if (auto s = screen.lock())
            s->finishedSync();
    }
    void setProgressImageTypeRemainTime(float progress, int kind, int seconds) override
    {
        if (auto s = screen.lock())
            s->setProgressImageTypeRemainTime(progress, kind, seconds);
        int percent = static_cast<int>(progress * 100);
        if (kind == lastKind && percent / 10 == lastPercent / 10 && percent < 100)
            return;
        lastKind = kind;
        lastPercent = percent;
        say("Synchronisation: " + std::string(kindName(kind)) + " " + std::to_string(percent) + "%, about "
            + std::to_string(seconds) + " s left");
    }
    void getCustomerFinished() override
    {
        say("Synchronisation: customers stored");
        if (auto s = screen.lock())
            s->getCustomerFinished();
    }

    static const char* kindName(int kind)
    {
        switch (kind) {
        case SyncModel::kProductImages:
            return "product pictures";
        case SyncModel::kIcons:
            return "icons";
        case SyncModel::kLibraryCovers:
            return "library covers";
        default:
            return "files";
        }
    }

    std::weak_ptr<SyncViewController> screen;
    bool syncEnded = false;
    int lastKind = 0;
    int lastPercent = -1;
};

struct TourState {
    std::shared_ptr<TourSyncObserver> sync = std::make_shared<TourSyncObserver>();
    bool signedIn = false;
    bool refused = false;
};

std::shared_ptr<WeclomeViewController> welcomeScreen()
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    return app ? std::dynamic_pointer_cast<WeclomeViewController>(app->window()->rootViewController()) : nullptr;
}

std::shared_ptr<SyncViewController> syncScreen()
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    auto bar = app ? app->tabBarController() : nullptr;
    if (!bar)
        return nullptr;
    const auto& controllers = bar->viewControllers();
    if (controllers.size() <= static_cast<size_t>(UITabBarControllerExt::TabSync))
        return nullptr;
    auto navigation = std::dynamic_pointer_cast<UINavigationController>(controllers[UITabBarControllerExt::TabSync]);
    return navigation ? std::dynamic_pointer_cast<SyncViewController>(navigation->topViewController()) : nullptr;
}

// Requests by "host:port", from the transport's log lines; the log may be
// written from any thread.
struct RequestTally {
    std::mutex lock;
    std::map<std::string, int> byAddress;
};

RequestTally& requestTally()
{
    static RequestTally tally;
    return tally;
}

// The scheme and address of a logged request URL ("the url is
// http://host:port/..." gives "http://host:port"), or nothing for other lines.
std::optional<std::string> loggedAddress(const std::string& line)
{
    for (const char* lead : { "the url is ", "the download url is ", "the upload url is " }) {
        if (line.rfind(lead, 0) != 0)
            continue;
        std::string rest = line.substr(std::string(lead).size());
        // The scheme, host and port.
        const size_t scheme = rest.find("://");
        if (scheme == std::string::npos)
            return std::nullopt;
        return rest.substr(0, rest.find('/', scheme + 3));
    }
    return std::nullopt;
}

}  // namespace

namespace {

struct LineWatchers {
    std::mutex lock;
    std::vector<std::function<void(const std::string&)>> watchers;
};

LineWatchers& lineWatchers()
{
    static LineWatchers watchers;
    return watchers;
}

}  // namespace

void SessionTour::watchLogLines(std::function<void(const std::string&)> watcher)
{
    auto& w = lineWatchers();
    std::lock_guard guard(w.lock);
    w.watchers.push_back(std::move(watcher));
}

void SessionTour::watchRequests()
{
    NSLogSetCapture([](const std::string& message) {
        {
            auto& w = lineWatchers();
            std::lock_guard guard(w.lock);
            for (auto& watcher : w.watchers)
                watcher(message);
        }
        if (auto address = loggedAddress(message)) {
            auto& tally = requestTally();
            std::lock_guard guard(tally.lock);
            ++tally.byAddress[*address];
        }
        std::fprintf(stderr, "corvelle: %s\n", message.c_str());
        std::fflush(stderr);
    });
}

void SessionTour::addRequestReport(DemoTour& tour, const std::string& server)
{
    tour.addStep(
        "",
        [server]() {
            std::map<std::string, int> counted;
            {
                auto& tally = requestTally();
                std::lock_guard guard(tally.lock);
                counted = tally.byAddress;
            }
            int there = 0;
            std::string elsewhere;
            // Requests name the server as the settings read from `server` do.
            ServerInfo info = *ServerSettings::GetServer();
            const std::string named = info.takeServerName(server) ? info.messageAddress() : server;
            for (const auto& [address, count] : counted) {
                if (address == named)
                    there += count;
                else
                    elsewhere += (elsewhere.empty() ? "" : ", ") + address + " (" + std::to_string(count) + ")";
            }
            say("Requests: " + std::to_string(there) + " to " + server + "; "
                + (elsewhere.empty() ? std::string("none elsewhere") : "elsewhere: " + elsewhere));
        },
        0.1);
}

void SessionTour::applyServer(const std::string& server)
{
    // The settings as they stand (a first run's defaults) with the named
    // server's scheme, host and port in place of theirs.
    ServerInfo info = *ServerSettings::GetServer();
    if (!info.takeServerName(server))
        return;
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(Value(info.messageHostSetting()), "IP");
    defaults->setIntegerForKey(info.httpPort, "Port");
    defaults->setObjectForKey(Value(info.messageHostSetting()), "ImageIP");
    defaults->setIntegerForKey(info.imageHttpPort, "ImagePort");
    defaults->synchronize();
}

void SessionTour::addSteps(DemoTour& tour, const std::string& server, const std::string& account)
{
    auto state = std::make_shared<TourState>();
    auto parts = NSString::componentsSeparatedByString(account, ":");

    // The welcome screen once the demo data are unpacked (its wait box gone).
    // (The server is in the settings already: main() puts it there before the screen is made.)
    tour.addStepUntil(
        "welcome", []() {}, []() { return welcomeScreen() && MessageBox::sharedInstance()->waitMsgBoxtag() == 0; }, 30);

    // Typed into the form and sent with its button, as a person would.
    tour.addStepUntil(
        "signin",
        [state, parts, server]() {
            auto welcome = welcomeScreen();
            if (!welcome) {
                state->refused = true;
                return;
            }
            auto form = welcome->loginCheckBox();
            form->clientIDInputText()->setText(parts.size() > 0 ? parts[0] : std::string());
            form->userNameInputText()->setText(parts.size() > 1 ? parts[1] : std::string());
            form->passWordInputText()->setText(parts.size() > 2 ? parts[2] : std::string());
            say("Signing in to " + form->clientIDInputText()->text() + " at " + server);
            form->loginBut()->sendActionsForControlEvents(UIControlEventTouchUpInside);
        },
        [state]() {
            if (state->refused)
                return true;
            auto app = CorvelleAppDelegate::sharedAppDelegate();
            auto session = LoginMode::sharedInstance();
            if (app && app->tabBarController() && !welcomeScreen()) {
                state->signedIn = true;
                say(std::string(session->loginType() == LoginMode::kLoginTypeOnline ? "Signed in online" : "Signed in")
                    + " to " + session->clientID().value_or("") + " as " + session->acountID().value_or(""));
                return true;
            }
            auto welcome = welcomeScreen();
            if (welcome && welcome->alert() && welcome->alert()->isVisible()) {
                state->refused = true;
                say("Sign-in: " + welcome->alert()->message());
                return true;
            }
            return false;
        },
        60);

    // The synchronisation tab's button starts the run; its screen shows the progress.
    tour.addStepUntil(
        "sync",
        [state]() {
            auto app = CorvelleAppDelegate::sharedAppDelegate();
            auto bar = app ? app->tabBarController() : nullptr;
            if (!state->signedIn || !bar) {
                state->sync->syncEnded = true;
                return;
            }
            bar->selectTab(UITabBarControllerExt::TabSync);
            auto screen = syncScreen();
            if (!screen) {
                state->sync->syncEnded = true;
                return;
            }
            state->sync->screen = screen;
            SyncModel::sharedInstance()->setDelegate(state->sync);
            say("Synchronising");
            screen->resourceUpdateView()->btnsync()->sendActionsForControlEvents(UIControlEventTouchUpInside);
        },
        [state]() { return state->sync->syncEnded; }, 600);

    // From here on the screen hears the engine by itself again.
    tour.addStep(
        "",
        [state]() {
            if (auto screen = state->sync->screen.lock())
                SyncModel::sharedInstance()->setDelegate(screen);
        },
        0.1);

    const UITabBarControllerExt::Tab tabs[] = { UITabBarControllerExt::TabHome, UITabBarControllerExt::TabCatalog,
        UITabBarControllerExt::TabCustomer, UITabBarControllerExt::TabInventory, UITabBarControllerExt::TabSalesLibrary,
        UITabBarControllerExt::TabQuoteOrder };
    for (auto tab : tabs) {
        std::string name = NSString::lowercaseString(UITabBarControllerExt::titleKeyForTab(tab));
        tour.addStep("tab_" + std::to_string(tab) + "_" + name, [state, tab]() {
            auto app = CorvelleAppDelegate::sharedAppDelegate();
            auto bar = app ? app->tabBarController() : nullptr;
            if (state->signedIn && bar && ConfigManager::sharedInstance()->isOnShow(tab))
                bar->selectTab(tab);
        });
    }
}
