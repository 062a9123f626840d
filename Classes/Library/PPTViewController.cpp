#include "Classes/Library/PPTViewController.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIWindow.h"

std::shared_ptr<UINavigationController> PPTViewController::rootNavigationController()
{
    auto window = UIApplication::sharedApplication()->keyWindow();
    return window ? std::dynamic_pointer_cast<UINavigationController>(window->rootViewController()) : nullptr;
}

void PPTViewController::showBarFor(
    UIViewController& screen, std::shared_ptr<UIImageView>& titleBar, const std::string& title)
{
    auto navigation = rootNavigationController();
    if (!navigation)
        return;
    navigation->setNavigationBarHidden(false);
    if (!titleBar) {
        titleBar = std::make_shared<UIImageView>(CGRectMake(-5, 0, 1029, 44));
        titleBar->setImage(SkinManager::skinFromImageName(std::string("topbar-bg.png")));
    }
    if (titleBar->superview() != navigation->navigationBar())
        navigation->navigationBar()->insertSubviewAtIndex(titleBar, 1);

    auto label = std::make_shared<UILabel>(CGRectMake(0, 5, 1024, 30));
    label->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    label->setTextColor(UIColor::whiteColor());
    label->setBackgroundColor(UIColor::clearColor());
    label->setTextAlignment(UITextAlignmentCenter);
    label->setText(title);
    screen.navigationItem()->titleView = label;

    auto back = UIButton::buttonWithType(UIButtonTypeCustom);
    back->setFrame(CGRectMake(0, 0, 80, 34));
    back->setTitleForState(Language::stringOrKey("BACK"), UIControlStateNormal);
    PublicFunction::initializeToBackButtonHeight34(back);
    std::weak_ptr<UINavigationController> weakNavigation = navigation;
    back->addTarget(UIControlEventTouchUpInside, [weakNavigation](UIControl&, UIEvent*) {
        if (auto root = weakNavigation.lock())
            root->popViewControllerAnimated(true);
    });
    screen.navigationItem()->leftBarButtonItem = std::make_shared<UIBarButtonItem>(back);
}

void PPTViewController::setFileName(const std::string& name)
{
    m_fileName = name;
    setTitle(name);
}

std::string PPTViewController::previewControllerPreviewItemAtIndex(QLPreviewController&, long)
{
    return "file://" + m_filePath.value_or("");
}

void PPTViewController::viewDidLoad()
{
    QLPreviewController::viewDidLoad();
    auto self = protect<PPTViewController>();
    setDataSource(std::static_pointer_cast<QLPreviewControllerDataSource>(self));
    setDelegate(std::static_pointer_cast<QLPreviewControllerDelegate>(self));
    setCurrentPreviewItemIndex(0);
}

void PPTViewController::viewWillAppear(bool animated)
{
    QLPreviewController::viewWillAppear(animated);
    showBarFor(*this, m_imgViewTitleBar, m_fileName.value_or(""));
}

void PPTViewController::viewWillDisappear(bool animated)
{
    QLPreviewController::viewWillDisappear(animated);
    if (auto navigation = rootNavigationController())
        navigation->setNavigationBarHidden(true);
}

void PPTViewController::didReceiveMemoryWarning()
{
    QLPreviewController::didReceiveMemoryWarning();
    if (m_imgViewTitleBar)
        m_imgViewTitleBar->removeFromSuperview();
    m_imgViewTitleBar.reset();
}
