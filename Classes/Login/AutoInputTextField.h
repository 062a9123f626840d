#pragma once

// A text field that shows the rest of a completion in grey behind the typed
// text: the user id and client id fields of the sign-in form. The form
// decides what to offer; the field only draws it.

#include "Platform/UIKit/UITextField.h"

#include <optional>
#include <string>

class AutoInputTextField : public UITextField {
public:
    explicit AutoInputTextField(CGRect frame = CGRectZero)
        : UITextField(frame)
    {
    }

    // Where the completion starts (the width of the typed text) and its
    // remaining characters; nothing hides it.
    void showAutoTextWithPointX(std::optional<std::string> text, CGFloat x);

    CGFloat x() const { return m_x; }
    const std::optional<std::string>& autoTextStr() const { return m_autoTextStr; }

    void drawRect(CGRect rect) override;

private:
    CGFloat m_x = 0;
    std::optional<std::string> m_autoTextStr;
};
