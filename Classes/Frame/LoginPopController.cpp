#include "Classes/Frame/LoginPopController.h"

#include "Classes/Frame/Language.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"

void LoginPopController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    m_gobackButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_gobackButton->setFrame(CGRectMake(0, 0, 300, 40));
    m_gobackButton->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(64 / 255.0, 95 / 255.0, 131 / 255.0, 1));
    m_gobackButton->layer()->setCornerRadius(8);
    m_gobackButton->setClipsToBounds(true);
    const char* key = m_isForHelp ? "HELPLOGOUT" : "GOBACKTOLOGIN";
    m_gobackButton->setTitleForState(Language::stringWithName(key).value_or(key), UIControlStateNormal);
    auto weak = weakSelf<LoginPopController>();
    m_gobackButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->goBackLoginView();
    });
    if (m_isForHelp)
        m_gobackButton->setEnabled(false);
    view()->addSubview(m_gobackButton);
}

void LoginPopController::goBackLoginView()
{
    if (auto d = m_delegate.lock())
        d->goBackLoginView();
}

void LoginPopController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (m_gobackButton)
        m_gobackButton->setTitleForState(
            Language::stringWithName("GOBACKTOLOGIN").value_or("GOBACKTOLOGIN"), UIControlStateNormal);
}

bool LoginPopController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o)
{
    return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
}
