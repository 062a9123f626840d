#include "Platform/UIKit/UIKeyboard.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/UIResponder.h"

#include <functional>
#include <memory>

namespace {

bool s_visible = false;
// The "did" notices of the animation under way, posted when it ends.
std::shared_ptr<NSTimer> s_pending;
std::function<void()> s_pendingNotices;

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

// An animation that is interrupted still ends: its "did" notices go out at
// once, so that every "will" a screen hears is followed by its "did".
void finishPendingAnimation()
{
    if (s_pending)
        s_pending->invalidate();
    s_pending.reset();
    auto notices = std::move(s_pendingNotices);
    s_pendingNotices = nullptr;
    if (notices)
        notices();
}

// Posts the "will" notices now and the "did" notices when the keyboard's
// animation has run, on the main loop in every mode.
void animate(const std::string& will, const std::string& did, CGRect from, CGRect to)
{
    finishPendingAnimation();
    post(UIKeyboardWillChangeFrameNotification, from, to);
    post(will, from, to);
    s_pendingNotices = [did, from, to] {
        post(did, from, to);
        post(UIKeyboardDidChangeFrameNotification, from, to);
    };
    s_pending = NSTimer::timerWithTimeInterval(
        UIKeyboard::kAnimationDuration, false, [](NSTimer&) { finishPendingAnimation(); });
    NSRunLoop::mainRunLoop()->addTimer(s_pending, NSRunLoopCommonModes);
}

}  // namespace

std::string NSStringFromCGRect(CGRect r)
{
    return stringWithFormat("{{%g, %g}, {%g, %g}}", static_cast<double>(r.origin.x), static_cast<double>(r.origin.y),
        static_cast<double>(r.size.width), static_cast<double>(r.size.height));
}

bool UIKeyboard::isVisible() { return s_visible; }

CGRect UIKeyboard::shownFrame() { return CGRectMake(0, 768 - kHeight, 1024, kHeight); }

void UIKeyboard::textInputDidBeginEditing()
{
    if (s_visible)
        return;
    s_visible = true;
    animate(UIKeyboardWillShowNotification, UIKeyboardDidShowNotification, hiddenFrame(), shownFrame());
}

void UIKeyboard::textInputDidEndEditing()
{
    // A hand-over to another text input keeps the keyboard up.
    auto incoming = UIResponder::incomingFirstResponder();
    if (!s_visible || (incoming && incoming->acceptsTextInput()))
        return;
    s_visible = false;
    animate(UIKeyboardWillHideNotification, UIKeyboardDidHideNotification, shownFrame(), hiddenFrame());
}

void UIKeyboard::reset()
{
    if (s_pending)
        s_pending->invalidate();
    s_pending.reset();
    s_pendingNotices = nullptr;
    s_visible = false;
    UITextInputMode::currentInputMode().setPrimaryLanguage("en-US");
}

UITextInputMode& UITextInputMode::currentInputMode()
{
    static UITextInputMode mode;
    return mode;
}
