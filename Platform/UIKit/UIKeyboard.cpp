#include "Platform/UIKit/UIKeyboard.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIResponder.h"

namespace {

bool s_visible = false;

void post(const std::string& name, CGRect begin, CGRect end)
{
    Value info = Value::dictionary();
    info.set(UIKeyboardFrameBeginUserInfoKey, Value(NSStringFromCGRect(begin)));
    info.set(UIKeyboardFrameEndUserInfoKey, Value(NSStringFromCGRect(end)));
    info.set(UIKeyboardAnimationDurationUserInfoKey, Value(UIKeyboard::kAnimationDuration));
    NSNotificationCenter::defaultCenter().postNotificationName(name, Value(), info);
}

CGRect hiddenFrame()
{
    CGRect f = UIKeyboard::shownFrame();
    f.origin.y += f.size.height;
    return f;
}

}  // namespace

std::string NSStringFromCGRect(CGRect r)
{
    return stringWithFormat("{{%g, %g}, {%g, %g}}", static_cast<double>(r.origin.x), static_cast<double>(r.origin.y),
                            static_cast<double>(r.size.width), static_cast<double>(r.size.height));
}

bool UIKeyboard::isVisible()
{
    return s_visible;
}

CGRect UIKeyboard::shownFrame()
{
    return CGRectMake(0, 768 - kHeight, 1024, kHeight);
}

void UIKeyboard::textInputDidBeginEditing()
{
    if (s_visible)
        return;
    s_visible = true;
    post(UIKeyboardWillChangeFrameNotification, hiddenFrame(), shownFrame());
    post(UIKeyboardWillShowNotification, hiddenFrame(), shownFrame());
    post(UIKeyboardDidShowNotification, hiddenFrame(), shownFrame());
    post(UIKeyboardDidChangeFrameNotification, hiddenFrame(), shownFrame());
}

void UIKeyboard::textInputDidEndEditing()
{
    // A hand-over to another text input keeps the keyboard up.
    auto incoming = UIResponder::incomingFirstResponder();
    if (!s_visible || (incoming && incoming->acceptsTextInput()))
        return;
    s_visible = false;
    post(UIKeyboardWillChangeFrameNotification, shownFrame(), hiddenFrame());
    post(UIKeyboardWillHideNotification, shownFrame(), hiddenFrame());
    post(UIKeyboardDidHideNotification, shownFrame(), hiddenFrame());
    post(UIKeyboardDidChangeFrameNotification, shownFrame(), hiddenFrame());
}

void UIKeyboard::reset()
{
    s_visible = false;
    UITextInputMode::currentInputMode().setPrimaryLanguage("en-US");
}

UITextInputMode& UITextInputMode::currentInputMode()
{
    static UITextInputMode mode;
    return mode;
}
