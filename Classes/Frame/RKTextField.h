#pragma once

// A text field that carries its own check; a failed check is shown in an
// alert (tag 999) that reports to the field's `traget`, usually the screen.

#include "Classes/Frame/InputValidator.h"
#include "Platform/UIKit/UITextField.h"

#include <memory>

class UIAlertViewDelegate;

class RKTextField : public UITextField {
public:
    static constexpr long kAlertTag = 999;
    using UITextField::UITextField;

    // Runs the check on this field; on failure shows the alert and answers false.
    bool validate();

    const std::shared_ptr<InputValidator>& inputValidator() const { return m_inputValidator; }
    void setInputValidator(std::shared_ptr<InputValidator> validator) { m_inputValidator = std::move(validator); }
    std::shared_ptr<UIAlertViewDelegate> traget() const { return m_traget.lock(); }
    void setTraget(std::weak_ptr<UIAlertViewDelegate> traget) { m_traget = std::move(traget); }

private:
    std::shared_ptr<InputValidator> m_inputValidator;
    std::weak_ptr<UIAlertViewDelegate> m_traget;
};
