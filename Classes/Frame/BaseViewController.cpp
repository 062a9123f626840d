#include "Classes/Frame/BaseViewController.h"

#include "Classes/Frame/LanguageManager.h"
#include "Platform/Foundation/NSLog.h"

BaseViewController::BaseViewController() = default;

BaseViewController::~BaseViewController()
{
    // The language service keeps no owning reference, but it must not keep
    // an entry for an object that is gone.
    if (auto manager = LanguageManager::existingInstance())
        manager->unRegisterLanugageNotification(this);
}

void BaseViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    LanguageManager::sharedInstance()->registerLanugageNotification(protect<BaseViewController>());
}

void BaseViewController::viewAfterFirstDidLoad() { m_bViewHasLoad = true; }

void BaseViewController::viewDidAppear(bool animated)
{
    UIViewController::viewDidAppear(animated);
    m_bViewAppear = true;
}

void BaseViewController::viewDidDisappear(bool animated)
{
    UIViewController::viewDidDisappear(animated);
    m_bViewAppear = false;
}

void BaseViewController::didReceiveMemoryWarning()
{
    UIViewController::didReceiveMemoryWarning();
    // The platform delivers warnings at one level only.
    const int level = 1;
    NSLog("~~~~~~~~~~~~~~level~~~~~~~~~~~~~~~ %d", level);
    hightVersionViewDidUnload();
}

void BaseViewController::notifiChangelanguage() { updateLanguage(protect<UIResponder>()); }
