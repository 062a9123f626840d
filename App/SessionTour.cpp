#include "App/SessionTour.h"

#include "App/DemoTour.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Database/ConfigManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"

#include <cstdio>

namespace {

// Hears the sign-in and the synchronisation and tells the terminal.
class TourObserver : public LoginModelDelegate, public SyncModelDelegate {
public:
    bool implementsLoginSuccess() const override { return true; }
    // As the welcome screen does on success: the wait box goes, the main screen comes.
    void loginSuccess() override
    {
        MessageBox::sharedInstance()->EndBlockWait();
        if (auto app = CorvelleAppDelegate::sharedAppDelegate())
            app->showMainController();
        signedIn = true;
        say("Signed in online to " + LoginMode::sharedInstance()->clientID().value_or("") + " as "
            + LoginMode::sharedInstance()->acountID().value_or(""));
    }
    bool implementsLoginErroWithMessage() const override { return true; }
    void loginErroWithMessage(const std::string& message) override
    {
        refused = true;
        say("Sign-in: " + message);
    }

    void breakSync(const std::string& message) override
    {
        syncEnded = true;
        say("Synchronisation interrupted: " + message);
    }
    void downloadimageFinished(int kind) override { say(std::string("Synchronisation: no ") + kindName(kind) + " to fetch"); }
    void finishedSync() override
    {
        syncEnded = true;
        say("Synchronisation finished");
    }
    void setProgressImageTypeRemainTime(float progress, int kind, int seconds) override
    {
        int percent = static_cast<int>(progress * 100);
        if (kind == lastKind && percent / 10 == lastPercent / 10 && percent < 100)
            return;
        lastKind = kind;
        lastPercent = percent;
        say("Synchronisation: " + std::string(kindName(kind)) + " " + std::to_string(percent) + "%, about "
            + std::to_string(seconds) + " s left");
    }
    void getCustomerFinished() override { say("Synchronisation: customers stored"); }

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
    static void say(const std::string& line)
    {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }

    bool signedIn = false;
    bool refused = false;
    bool syncEnded = false;
    int lastKind = 0;
    int lastPercent = -1;
};

}  // namespace

void SessionTour::applyServer(const std::string& server)
{
    auto colon = server.rfind(':');
    std::string host = server.substr(0, colon);
    long port = colon == std::string::npos ? 48080 : NSString::integerValue(server.substr(colon + 1));
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(Value(host), "IP");
    defaults->setIntegerForKey(port, "Port");
    defaults->setObjectForKey(Value(host), "ImageIP");
    defaults->setIntegerForKey(port, "ImagePort");
    defaults->synchronize();
}

void SessionTour::addSteps(DemoTour& tour, const std::string& server, const std::string& account)
{
    auto observer = std::make_shared<TourObserver>();
    auto parts = NSString::componentsSeparatedByString(account, ":");

    tour.addStepUntil("signin", [observer, parts, server]() {
        applyServer(server);
        auto info = std::make_shared<LoginInfo>();
        info->clientId = parts.size() > 0 ? parts[0] : std::string();
        info->accountId = parts.size() > 1 ? parts[1] : std::string();
        info->passWord = parts.size() > 2 ? parts[2] : std::string();
        info->deviceId = PublicFunction::getSharedUDID();
        TourObserver::say("Signing in to " + info->clientId.value_or("") + " at " + server);
        auto session = LoginMode::sharedInstance();
        session->setDelegate(observer);
        session->loginIsFromInputIsAutoLogin(info, true, true);
    }, [observer]() { return observer->signedIn || observer->refused; }, 60);

    tour.addStepUntil("sync", [observer]() {
        if (!observer->signedIn) {
            observer->syncEnded = true;
            return;
        }
        auto app = CorvelleAppDelegate::sharedAppDelegate();
        if (app && !app->tabBarController())
            app->showMainController();
        if (auto bar = app ? app->tabBarController() : nullptr)
            bar->selectTab(UITabBarControllerExt::TabSync);
        auto sync = SyncModel::sharedInstance();
        sync->setDelegate(observer);
        TourObserver::say("Synchronising");
        sync->startSync();
    }, [observer]() { return observer->syncEnded; }, 600);

    const UITabBarControllerExt::Tab tabs[] = { UITabBarControllerExt::TabHome, UITabBarControllerExt::TabCatalog,
        UITabBarControllerExt::TabCustomer, UITabBarControllerExt::TabInventory, UITabBarControllerExt::TabSalesLibrary,
        UITabBarControllerExt::TabQuoteOrder };
    for (auto tab : tabs) {
        std::string name = NSString::lowercaseString(UITabBarControllerExt::titleKeyForTab(tab));
        tour.addStep("tab_" + std::to_string(tab) + "_" + name, [observer, tab]() {
            auto app = CorvelleAppDelegate::sharedAppDelegate();
            auto bar = app ? app->tabBarController() : nullptr;
            if (observer->signedIn && bar && ConfigManager::sharedInstance()->isOnShow(tab))
                bar->selectTab(tab);
        });
    }
    // The synchronisation screen stops hearing the run once the tour moves on.
    tour.addStep("", [observer]() { SyncModel::sharedInstance()->resetDownloadProgress(); }, 0.1);
}
