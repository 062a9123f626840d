#include "Classes/Customer/CustomerInfoViewHiddenCell.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

std::shared_ptr<CustomerInfoViewHiddenCell> CustomerInfoViewHiddenCell::make(CGRect frame)
{
    auto view = std::make_shared<CustomerInfoViewHiddenCell>(frame);
    view->setUp();
    return view;
}

CustomerInfoViewHiddenCell::CustomerInfoViewHiddenCell(CGRect frame)
    : UIView(frame)
{
}

void CustomerInfoViewHiddenCell::setUp()
{
    auto weak = weakSelf<CustomerInfoViewHiddenCell>();
    m_hiddenFromLabel = std::make_shared<UILabel>(CGRectMake(45, 15, 80, 35));
    m_hiddenFromLabel->setText(Language::stringOrKey("HIDE"));
    m_hiddenFromLabel->setFont(UIFont::boldSystemFontOfSize(18));
    m_hiddenFromLabel->setTextColor(UIColor::colorWithRedGreenBlueAlpha(65 / 255.0, 93 / 255.0, 128 / 255.0, 1));
    m_hiddenFromLabel->setBackgroundColor(UIColor::clearColor());
    addSubview(m_hiddenFromLabel);

    m_switchView = std::make_shared<UISwitch>(CGRectMake(150, 19, 80, 35));
    m_switchView->addTarget(UIControlEventValueChanged, [weak](UIControl& control, UIEvent*) {
        auto self = weak.lock();
        if (!self)
            return;
        if (auto listener = self->delegate.lock())
            listener->switchViewAction(static_cast<UISwitch&>(control).isOn());
    });
    addSubview(m_switchView);

    m_submitButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_submitButton->setFrame(CGRectMake(543, 50, 70, 30));
    PublicFunction::initializeToButtonHeight30(m_submitButton);
    m_submitButton->setTitleForState(Language::stringOrKey("SUBMIT"), UIControlStateNormal);
    m_submitButton->setHidden(true);
    m_submitButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl& button, UIEvent*) {
        auto self = weak.lock();
        if (!self)
            return;
        if (auto listener = self->delegate.lock())
            listener->submitAction(button.sharedView());
    });
    addSubview(m_submitButton);
}
