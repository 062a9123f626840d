#include "Classes/Frame/InputValidator.h"

#include "Platform/Foundation/NSError.h"

bool InputValidator::validateInputError(const UITextField&, std::shared_ptr<NSError>* error) const
{
    if (error)
        error->reset();
    return false;
}
