#include "Classes/Frame/AlphaInputValidator.h"

#include "Classes/Frame/InputValidatorSupport.h"
#include "Classes/Frame/Language.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/UIKit/UITextField.h"

bool AlphaInputValidator::validateInputError(const UITextField& input, std::shared_ptr<NSError>* error) const
{
    if (InputValidatorSupport::matchesPattern(input.text(), "^[a-zA-Z]*$"))
        return true;
    if (error) {
        auto bundle = NSBundle::mainBundle();
        Value info = Value::dictionary();
        info.set(NSLocalizedDescriptionKey,
            Value(bundle->localizedStringForKeyValueTable(Language::stringOrKey("INPUTVALIDATIONFAILED"), "")));
        info.set(NSLocalizedFailureReasonErrorKey,
            Value(bundle->localizedStringForKeyValueTable("The input can contain only letters", "")));
        *error = NSError::errorWithDomainCodeUserInfo(InputValidationErrorDomain, kErrorCode, info);
    }
    return false;
}
