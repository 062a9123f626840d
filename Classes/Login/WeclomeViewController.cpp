#include "Classes/Login/WeclomeViewController.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/WebViewController.h"
#include "Platform/Foundation/BackgroundWork.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIKeyboard.h"

WeclomeViewController::~WeclomeViewController()
{
    // The session holds this screen weakly: it forgets it by itself.
    NSNotificationCenter::defaultCenter().removeObserver(this);
}

void WeclomeViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    m_homeBg = std::make_shared<UIImageView>(CGRectMake(0, 0, 1024, 748));
    m_homeBg->setUserInteractionEnabled(true);
    m_homeBg->setImage(SkinManager::skinFromImageName("bg-welcome.png"));
    view()->addSubview(m_homeBg);

    auto weak = weakSelf<WeclomeViewController>();
    m_loginCheckBox = LoginCheckBox::make(CGRectMake(0, 0, 1024, 740));
    m_loginCheckBox->setBackgroundColor(UIColor::clearColor());
    m_loginCheckBox->setDelegate(weak);
    m_homeBg->addSubview(m_loginCheckBox);

    auto session = LoginMode::sharedInstance();
    session->setDelegate(weak);
    session->checkAppVersion(true);

    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(this, UIKeyboardWillShowNotification, [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->moveBackground(-120);
    });
    center.addObserver(this, UIKeyboardWillHideNotification, [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->moveBackground(0);
    });

    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void WeclomeViewController::moveBackground(CGFloat y)
{
    auto background = m_homeBg;
    UIView::animateWithDuration(
        0.3, 0, UIViewAnimationOptionCurveEaseInOut,
        [background, y]() {
            CGRect frame = background->frame();
            frame.origin.y = y;
            background->setFrame(frame);
        },
        nullptr);
}

void WeclomeViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    auto application = UIApplication::sharedApplication();
    const auto orientation = application->statusBarOrientation();
    if (orientation == UIInterfaceOrientationPortrait || orientation == UIInterfaceOrientationPortraitUpsideDown)
        application->setStatusBarOrientation(UIInterfaceOrientationLandscapeLeft);
}

void WeclomeViewController::viewDidAppear(bool animated)
{
    BaseViewController::viewDidAppear(animated);
    auto skin = SkinManager::sharedInstance();
    if (!skin->needInitializeDemo())
        return;
    skin->setNeedUpdateDemo(false);
    MessageBox::sharedInstance()->BeginBlockWait(text("INITEALIZINGDATA"), kDemoWaitTimeout);
    // The wait box is ended whether or not this screen is still there; a
    // message box made since (after a reset) has no wait of this unpacking.
    auto weak = weakSelf<WeclomeViewController>();
    BackgroundWork::run(
        MessageBox::sharedInstance(),
        [documents = SkinManager::demoDocumentsPath(), archive = SkinManager::demoArchivePath()] {
            SkinManager::unpackDemoArchive(documents, archive);
        },
        [](const MessageBox&) { return true; },
        [weak](const std::shared_ptr<MessageBox>& box) {
            if (auto self = weak.lock())
                self->initializeDemoFinish();
            else
                box->EndBlockWait();
        });
}

void WeclomeViewController::initializeDemoFinish() { MessageBox::sharedInstance()->EndBlockWait(); }

void WeclomeViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (m_loginCheckBox)
        m_loginCheckBox->updateLanguage();
}

bool WeclomeViewController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o)
{
    return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
}

void WeclomeViewController::loginIsFromInputIsAutoLogin(
    const std::shared_ptr<LoginInfo>& info, bool fromInput, bool autoLogin)
{
    MessageBox::sharedInstance()->BeginBlockWait(text("LOGINWAITING"), kLoginWaitTimeout);
    auto session = LoginMode::sharedInstance();
    session->setDelegate(weakSelf<WeclomeViewController>());
    session->loginIsFromInputIsAutoLogin(info, fromInput, autoLogin);
}

void WeclomeViewController::login(const std::string& demoClientId)
{
    auto session = LoginMode::sharedInstance();
    session->setDelegate(weakSelf<WeclomeViewController>());
    session->loginWithDemo(demoClientId);
}

void WeclomeViewController::loginSuccess() { synFinish(); }

void WeclomeViewController::synFinish()
{
    auto self = protect<WeclomeViewController>();
    MessageBox::sharedInstance()->EndBlockWait();
    if (auto app = CorvelleAppDelegate::sharedAppDelegate())
        app->showMainController();
}

void WeclomeViewController::loginErroWithMessage(const std::string& message)
{
    showAlertViewWithMessage(text("NOTIFICATION"), message);
}

void WeclomeViewController::showAlertViewWithMessage(const std::string& title, const std::string& message)
{
    m_alert = std::make_shared<UIAlertView>(title, message, std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
    m_alert->show();
}

void WeclomeViewController::changeLoginButState()
{
    if (m_loginCheckBox)
        m_loginCheckBox->changeButState();
}

void WeclomeViewController::openURLInWebView(const std::string& url)
{
    auto page = std::make_shared<WebViewController>();
    page->setUrl(url);
    page->setDelegate(std::static_pointer_cast<PopControllerDelegate>(protect<WeclomeViewController>()));
    presentModalViewControllerAnimated(page, true);
}

void WeclomeViewController::dismissPopController(bool animated) { dismissModalViewControllerAnimated(animated); }
