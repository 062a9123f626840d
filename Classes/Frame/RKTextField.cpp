#include "Classes/Frame/RKTextField.h"

#include "Classes/Frame/Language.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/UIKit/UIAlertView.h"

bool RKTextField::validate()
{
    std::shared_ptr<NSError> error;
    if (m_inputValidator && m_inputValidator->validateInputError(*this, &error))
        return true;
    auto ok = NSBundle::mainBundle()->localizedStringForKeyValueTable(Language::stringOrKey("OK"), "");
    auto alert = std::make_shared<UIAlertView>(Language::stringOrKey("NOTIFICATION"),
        error ? error->localizedFailureReason().value_or("") : std::string(), m_traget, ok);
    alert->setTag(kAlertTag);
    alert->show();
    return false;
}
