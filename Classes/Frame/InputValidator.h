#pragma once

// A check of what was typed into a field. The base accepts nothing.
// Failures are errors of "InputValidationErrorDomain" whose description and
// failure reason are the texts a person is shown.

#include <memory>

class NSError;
class UITextField;

inline constexpr const char* InputValidationErrorDomain = "InputValidationErrorDomain";

class InputValidator {
public:
    virtual ~InputValidator() = default;
    // Whether the field's text passes; on failure `error` (when given) is set.
    virtual bool validateInputError(const UITextField& input, std::shared_ptr<NSError>* error) const;
};
