#include "Classes/Sync/SyncViewController.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Database/ConfigManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

namespace {

std::shared_ptr<UITabBarControllerExt> tabBar()
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    return app ? app->tabBarController() : nullptr;
}

}  // namespace

void SyncViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    view()->setBackgroundColor(UIColor::whiteColor());
    m_topBar = std::make_shared<UIImageView>(CGRectMake(-5, 0, 1029, 44));
    m_topBar->setImage(SkinManager::skinFromImageName("topbar-bg.png"));
    view()->addSubview(m_topBar);

    m_titleLabel = std::make_shared<UILabel>(CGRectMake(490, 7, 300, 30));
    m_titleLabel->setText(text("SYNC_"));
    m_titleLabel->setTextColor(UIColor::whiteColor());
    m_titleLabel->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    m_titleLabel->setBackgroundColor(UIColor::clearColor());
    view()->addSubview(m_titleLabel);

    m_syncMainView = std::make_shared<UIView>(CGRectMake(-2, 44, 1030, 620));
    m_syncMainView->setBackgroundColor(UIColor::clearColor());
    view()->addSubview(m_syncMainView);

    m_resourceUpdateView = ResourceUpdateView::make(CGRectMake(0, 0, 1030, 300));
    m_resourceUpdateView->setDelegate(weakSelf<SyncViewController>());
    m_syncMainView->addSubview(m_resourceUpdateView);

    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void SyncViewController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    loadByConfig();
    getsyncdate();
    SyncModel::sharedInstance()->setDelegate(weakSelf<SyncViewController>());
}

void SyncViewController::loadByConfig()
{
    if (!m_resourceUpdateView)
        return;
    auto config = ConfigManager::sharedInstance();
    m_resourceUpdateView->setIsCatalogOnshow(config->isOnShow(1));
    m_resourceUpdateView->setIsCustomerOnShow(config->isOnShow(2));
    m_resourceUpdateView->setIsSalesLibraryOnShow(config->isOnShow(4));
}

void SyncViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    m_resourceUpdateView->setBtnSyncEnabled(!SyncModel::sharedInstance()->isDownloading());
}

void SyncViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (m_titleLabel)
        m_titleLabel->setText(text("SYNC_"));
    if (m_resourceUpdateView)
        m_resourceUpdateView->setTitle(text("DATEUPDATES"));
}

bool SyncViewController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o)
{
    return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
}

void SyncViewController::getsyncdate()
{
    auto stored = NSUserDefaults::standardUserDefaults()->stringForKey(
        LoginMode::clientKey(LoginMode::sharedInstance()->clientID(), "lastsync"));
    if (!stored)
        return;
    auto date = NSDateFormatter("HH:mm MM/dd/yy").dateFromString(*stored);
    if (!date)
        return;
    const std::string shown
        = NSDateFormatter(stringWithFormat("HH:mm %@", PublicFunction::getFormateString())).stringFromDate(*date);
    m_resourceUpdateView->setSyncDate(shown);
}

// ---- Starting ----

void SyncViewController::startSyncData() { syncData(); }

void SyncViewController::syncData()
{
    auto sync = SyncModel::sharedInstance();
    if (!sync->needUpdate())
        return;
    btnSyncClick(nullptr);
    sync->setNeedUpdate(false);
}

void SyncViewController::btnSyncClick(const std::shared_ptr<UIButton>& sender)
{
    auto sync = SyncModel::sharedInstance();
    if (sync->showUpdate()) {
        sync->setShowUpdate(false);
        if (auto bar = tabBar())
            bar->setBadgeValueTabBarItemTagAnimated(std::nullopt, 6, false);
    }
    if (sender && LoginMode::sharedInstance()->isNotWifi()) {
        showAlert(kMobileNetworkAlertTag, text("WIFIALERT"), text("OK"), { text("CANCEL") });
        return;
    }
    startIfIdle();
}

void SyncViewController::startIfIdle()
{
    auto self = protect<SyncViewController>();
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    auto sync = SyncModel::sharedInstance();
    if (sync->isDownloading())
        return;
    startIndictorView();
    sync->startSync();
}

void SyncViewController::startIndictorView()
{
    m_resourceUpdateView->setBtnSyncEnabled(false);
    m_resourceUpdateView->showHelp();
    m_resourceUpdateView->resetProgress();
    m_resourceUpdateView->syncInfoProduc()->setLbprogressTxt(text("CHECKING"));
    if (PublicFunction::getDeviceVersion() >= 5.0f) {
        if (auto bar = tabBar())
            bar->startSyncIconAnimation();
    }
}

void SyncViewController::stopIndicatorView()
{
    auto sync = SyncModel::sharedInstance();
    sync->resetDownloadProgress();
    if (auto bar = tabBar())
        bar->stopSyncIconAnimation();
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_resourceUpdateView->setBtnSyncEnabled(true);
    sync->setIsDownloading(false);
}

// ---- Progress ----

void SyncViewController::setProgressImageTypeRemainTime(float progress, int imageType, int remainSeconds)
{
    m_resourceUpdateView->setRemainTime(remainSeconds);
    auto product = m_resourceUpdateView->syncInfoProduc();
    auto materials = m_resourceUpdateView->syncInfoIcon();
    switch (imageType) {
    case SyncModel::kProductImages:
        if (progress < 1) {
            product->setProgress(progress);
            product->setLbprogressTxt(stringWithFormat("%.0f %%", progress * 100));
        } else {
            product->setProgress(1.0f);
        }
        break;
    case SyncModel::kIcons:
        if (progress < 1) {
            const float value = 0.2f * progress;
            materials->setProgress(value);
            materials->setLbprogressTxt(stringWithFormat("%.0f%%", value * 100));
        } else {
            materials->setProgress(0.2f);
            materials->setLbprogressTxt("20%");
        }
        break;
    case SyncModel::kLibraryCovers:
        if (progress < 1) {
            const float value = 0.2f + 0.8f * progress;
            materials->setProgress(value);
            materials->setLbprogressTxt(stringWithFormat("%.0f%%", value * 100));
        } else {
            materials->setProgress(1.0f);
        }
        break;
    default:
        break;
    }
}

void SyncViewController::downloadimageFinished(int imageType)
{
    switch (imageType) {
    case SyncModel::kProductImages:
        m_resourceUpdateView->syncInfoProduc()->setProgress(1.0f);
        break;
    case SyncModel::kIcons:
        m_resourceUpdateView->syncInfoIcon()->setProgress(0.2f);
        m_resourceUpdateView->syncInfoIcon()->setLbprogressTxt("20%");
        break;
    case SyncModel::kLibraryCovers:
        m_resourceUpdateView->syncInfoIcon()->setProgress(1.0f);
        break;
    default:
        break;
    }
}

void SyncViewController::getCustomerFinished() { m_resourceUpdateView->syncInfoCustomer()->setProgress(1.0f); }

void SyncViewController::finishedSync()
{
    auto self = protect<SyncViewController>();
    m_resourceUpdateView->hideHelp();
    getsyncdate();
    m_resourceUpdateView->syncInfoIcon()->setProgress(1.0f);
    stopIndicatorView();
    SyncModel::sharedInstance()->setIsSyncAllData(false);
}

// ---- Interruption ----

void SyncViewController::breakSync(const std::string& message)
{
    auto self = protect<SyncViewController>();
    if (LoginMode::sharedInstance()->loginType() == LoginMode::kLoginTypeNone)
        showAlert(kSignInAgainAlertTag, message + text("STAYOFFLINEORLOGIN"), text("CANCEL"), { text("OK") });
    else if (message == text("101"))
        showAlert(kSignInAgainAlertTag, message, text("CANCEL"), { text("LOGOUTSETTINGS") });
    else
        showAlert(kInterruptedAlertTag, message, text("OK"), {});
    stopIndicatorView();
    SyncModel::sharedInstance()->setIsSyncAllData(false);
}

void SyncViewController::showAlert(
    long tag, const std::string& message, std::optional<std::string> cancel, std::vector<std::string> others)
{
    m_alert = std::make_shared<UIAlertView>(
        text("NOTIFICATION"), message, weakSelf<SyncViewController>(), std::move(cancel), std::move(others));
    m_alert->setTag(tag);
    m_alert->show();
}

void SyncViewController::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    auto self = protect<SyncViewController>();
    switch (alert.tag()) {
    case kInterruptedAlertTag:
        m_resourceUpdateView->resetProgress();
        break;
    case kSignInAgainAlertTag:
        if (buttonIndex == alert.firstOtherButtonIndex()) {
            if (auto app = CorvelleAppDelegate::sharedAppDelegate())
                app->showLoginPage();
        }
        break;
    case kMobileNetworkAlertTag:
        if (buttonIndex == 0)
            startIfIdle();
        break;
    default:
        break;
    }
}
