#include "Classes/Frame/childMsgBox.h"

#include "Platform/UIKit/UIAlertView.h"

childMsgBox::childMsgBox(const std::string& title, const std::string& message,
    std::weak_ptr<MessageBoxDelegate> msgBoxDelegate, std::weak_ptr<UIAlertViewDelegate> delegate,
    std::optional<std::string> cancelButtonTitle)
    : m_msgBoxDelegate(std::move(msgBoxDelegate))
    , m_av(std::make_shared<UIAlertView>(title, message, std::move(delegate), std::move(cancelButtonTitle)))
{
}

void childMsgBox::show()
{
    if (m_av)
        m_av->show();
}

void childMsgBox::dimissAlert()
{
    if (!m_av)
        return;
    auto av = std::move(m_av);
    av->dismissWithClickedButtonIndexAnimated(av->cancelButtonIndex(), true);
}
