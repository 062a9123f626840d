#pragma once

// Letters a to z in either case only; the empty text passes.

#include "Classes/Frame/InputValidator.h"

class AlphaInputValidator : public InputValidator {
public:
    static constexpr long kErrorCode = 1002;
    bool validateInputError(const UITextField& input, std::shared_ptr<NSError>* error) const override;
};
