#pragma once

// The on-screen keyboard, as the screens see it: it shows when a text field
// or text view has begun editing (after its delegate heard so) and hides when
// editing ends without another taking over, posting the platform's
// notifications with its frame (in window coordinates, landscape) under the
// frame keys of the user info: the "will" notices at once, the "did" notices
// when its animation has run on the main loop's clock. Keys
// themselves come from the window (typed by a person or the test driver).
// The current input mode's language can be set (a Chinese keyboard is taller
// on the platform; screens read the language, not the height).

#include "Platform/QuartzCore/CAGeometry.h"

#include <string>

inline const std::string UIKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline const std::string UIKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline const std::string UIKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline const std::string UIKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
inline const std::string UIKeyboardWillChangeFrameNotification = "UIKeyboardWillChangeFrameNotification";
inline const std::string UIKeyboardDidChangeFrameNotification = "UIKeyboardDidChangeFrameNotification";
// User-info keys; the frames are texts of the form "{{x, y}, {w, h}}".
inline const std::string UIKeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
inline const std::string UIKeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
inline const std::string UIKeyboardAnimationDurationUserInfoKey = "UIKeyboardAnimationDurationUserInfoKey";

class UIKeyboard {
public:
    static constexpr CGFloat kHeight = 352;
    static constexpr double kAnimationDuration = 0.25;

    static bool isVisible();
    // Where the keyboard is when shown.
    static CGRect shownFrame();
    // Told by text inputs as they begin and end editing.
    static void textInputDidBeginEditing();
    static void textInputDidEndEditing();
    // Forgets the state (tests start afresh).
    static void reset();
};

// The language of the current input mode, "en-US" unless set.
class UITextInputMode {
public:
    static UITextInputMode& currentInputMode();
    const std::string& primaryLanguage() const { return m_language; }
    void setPrimaryLanguage(std::string language) { m_language = std::move(language); }

private:
    std::string m_language = "en-US";
};

std::string NSStringFromCGRect(CGRect rect);
