#include "Classes/Frame/NumericInputValidator.h"

#include "Classes/Frame/InputValidatorSupport.h"
#include "Classes/Frame/Language.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/UIKit/UITextField.h"

bool NumericInputValidator::validateInputError(const UITextField& input, std::shared_ptr<NSError>* error) const
{
    const std::string& text = input.text();
    if (!text.empty() && InputValidatorSupport::matchesPattern(text, R"(^([0-9]{1}[0-9]*(\.[0-9]{2})?)$)"))
        return true;
    if (error) {
        Value info = Value::dictionary();
        info.set(NSLocalizedDescriptionKey, Value(Language::stringOrKey("INPUTVALIDATIONFAILED")));
        info.set(NSLocalizedFailureReasonErrorKey, Value(Language::stringOrKey("PLEASEINPUTAPOSITIVENUMBER")));
        *error = NSError::errorWithDomainCodeUserInfo(InputValidationErrorDomain, kErrorCode, info);
    }
    return false;
}
