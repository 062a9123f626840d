#include "Classes/Frame/UIHelpers.h"

#include "Platform/Foundation/NSBundle.h"
#include "Platform/UIKit/UIAlertView.h"

void UIHelpers::showAlertWithTitleMsgButtonTitle(
    const std::string& title, const std::string& msg, const std::string& buttonTitle)
{
    auto alert = std::make_shared<UIAlertView>(title, msg, std::weak_ptr<UIAlertViewDelegate>(), buttonTitle);
    alert->show();
}

void UIHelpers::showAlertWithTitle(const std::string& title)
{
    showAlertWithTitleMsgButtonTitle(title, "", NSBundle::mainBundle()->localizedStringForKeyValueTable("OK"));
}

void UIHelpers::showAlertWithTitleMsg(const std::string& title, const std::string& msg)
{
    showAlertWithTitleMsgButtonTitle(title, msg, NSBundle::mainBundle()->localizedStringForKeyValueTable("OK"));
}
