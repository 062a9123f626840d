#pragma once

// Quantities and prices: one or more digits, optionally a point and exactly
// two digits ("12", "007", "12.50"); not empty.

#include "Classes/Frame/InputValidator.h"

class NumericInputValidator : public InputValidator {
public:
    static constexpr long kErrorCode = 1001;
    bool validateInputError(const UITextField& input, std::shared_ptr<NSError>* error) const override;
};
