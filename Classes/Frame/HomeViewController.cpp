#include "Classes/Frame/HomeViewController.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/Frame/LoginPopController.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/CFNetwork/CFURL.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"

namespace {

// Whether the link names its scheme followed by "//" ("http://",
// "https://", ...): only a link without one gets "http://" put before it.
bool hasScheme(const std::string& link)
{
    auto scheme = CFURL::schemeOf(link);
    return scheme && link.compare(scheme->size(), 3, "://") == 0;
}

std::shared_ptr<UITabBarControllerExt> tabBar()
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    return app ? app->tabBarController() : nullptr;
}

}  // namespace

void HomeViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    m_homeBg = std::make_shared<UIImageView>(CGRectMake(0, 0, 1024, 682));
    m_homeBg->setImage(SkinManager::skinFromImageName(std::string("bg-home.png")));
    view()->addSubview(m_homeBg);

    m_linklblWebsite = std::make_shared<LinkLabel>(CGRectMake(609, 635, 400, 40));
    m_linklblWebsite->setFont(UIFont::fontWithNameSize("Verdana-Italic", 20));
    m_linklblWebsite->setTextAlignment(UITextAlignmentRight);
    m_linklblWebsite->setLineBreakMode(UILineBreakModeMiddleTruncation);
    m_linklblWebsite->setTextColor(UIColor::colorWithRedGreenBlueAlpha(53 / 255.0, 107 / 255.0, 168 / 255.0, 1));
    m_linklblWebsite->setHighlightedTextColor(UIColor::blueColor());
    m_linklblWebsite->setDelegate(protect<HomeViewController>());
    view()->addSubview(m_linklblWebsite);

    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void HomeViewController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    auto session = LoginMode::sharedInstance();
    if (session->needUpdate() && session->loginType() == LoginMode::kLoginTypeOnline) {
        SyncModel::sharedInstance()->setNeedUpdate(true);
        showAlertViewWithMessageWithButtons(
            kUpdateAlertTag, text("HAVEUPDATE"), text("UPDATE_NOTNOW"), text("UPDATE_YES"));
    }
}

void HomeViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    loadWebsiteAddress(LoginMode::sharedInstance()->companyLink());
}

void HomeViewController::viewDidAppear(bool animated)
{
    BaseViewController::viewDidAppear(animated);
    view()->setAlpha(0.5);
    auto weak = weakSelf<HomeViewController>();
    UIView::animateWithDurationDelayOptionsAnimationsCompletion(
        0.25, 0, UIViewAnimationOptionCurveEaseOut,
        [weak]() {
            if (auto self = weak.lock())
                self->view()->setAlpha(1.0);
        },
        [weak](bool) {
            if (auto self = weak.lock())
                self->showHelpLogout();
        });
}

void HomeViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (SyncModel::sharedInstance()->showUpdate()) {
        if (auto bar = tabBar())
            bar->setBadgeValueTabBarItemTagAnimated(text("UPDATE"), UITabBarControllerExt::TabSync, false);
    }
}

void HomeViewController::loadWebsiteAddress(const std::optional<std::string>& text)
{
    if (!m_linklblWebsite)
        return;
    if (!text || text->empty()) {
        m_linklblWebsite->setHidden(true);
        return;
    }
    m_linklblWebsite->setHidden(false);
    m_linklblWebsite->setText(*text);
}

void HomeViewController::linkLabelToucheTouchesWtihTag(LinkLabel& label, long tag)
{
    std::string link = label.text();
    if (!hasScheme(link))
        link = "http://" + link;
    UIApplication::sharedApplication()->openURL(link);
}

void HomeViewController::showAlertViewWithMessageWithButtons(
    long tag, const std::string& message, const std::string& cancel, const std::string& other)
{
    auto alert = std::make_shared<UIAlertView>(
        text("NOTIFICATION"), message, protect<HomeViewController>(), cancel, std::vector<std::string> { other });
    alert->setTag(tag);
    alert->show();
}

void HomeViewController::offerUpdateLater()
{
    SyncModel::sharedInstance()->setShowUpdate(true);
    if (auto bar = tabBar())
        bar->setBadgeValueTabBarItemTagAnimated(text("UPDATE"), UITabBarControllerExt::TabSync, true);
}

void HomeViewController::startUpdate()
{
    if (auto app = CorvelleAppDelegate::sharedAppDelegate())
        app->showSyncController();
    SyncModel::sharedInstance()->setShowUpdate(false);
}

void HomeViewController::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    if (alert.tag() == kUpdateAlertTag) {
        if (buttonIndex == 1) {
            if (LoginMode::sharedInstance()->isNotWifi())
                showAlertViewWithMessageWithButtons(
                    kMobileNetworkAlertTag, text("WIFIALERT"), text("OK"), text("CANCEL"));
            else
                startUpdate();
        } else if (buttonIndex == 0) {
            offerUpdateLater();
        }
    } else if (alert.tag() == kMobileNetworkAlertTag) {
        if (buttonIndex == 0)
            startUpdate();
        else if (buttonIndex == 1)
            offerUpdateLater();
    }
}

bool HomeViewController::hasShownHelpLogout() const
{
    return NSUserDefaults::standardUserDefaults()->boolForKey("HasShownHelpLogout");
}

void HomeViewController::markAppHasShownHelpLogout()
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setBoolForKey(true, "HasShownHelpLogout");
    defaults->synchronize();
}

void HomeViewController::showHelpLogout()
{
    if (LoginMode::sharedInstance()->loginType() != LoginMode::kLoginTypeDemo || hasShownHelpLogout())
        return;
    auto pop = std::make_shared<LoginPopController>();
    pop->setForHelp(true);
    pop->view()->setBackgroundColor(UIColor::clearColor());
    m_helpPopController = std::make_shared<UIPopoverController>(pop);
    m_helpPopController->setDelegate(protect<HomeViewController>());
    m_helpPopController->setPopoverContentSize(CGSizeMake(300, 40));
    m_helpPopController->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
        CGRectMake(15, 685, 222, 51), view(), UIPopoverArrowDirectionAny, true);
    markAppHasShownHelpLogout();
}

void HomeViewController::userEditBtnClick()
{
    UIApplication::sharedApplication()->openURL(PublicFunction::editUserUrl());
}

void HomeViewController::logoutBtnClick()
{
    if (auto app = CorvelleAppDelegate::sharedAppDelegate())
        app->showLoginPage();
}

bool HomeViewController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o)
{
    return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
}
