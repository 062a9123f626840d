#pragma once

// A one-line text input. A tap makes it the first responder when its
// delegate lets it begin editing; keys typed then reach it through the
// window: each change is first offered to the delegate (a range counted in
// characters, as the platform counts them, and its replacement), a return asks the delegate and sends the
// did-end-on-exit event, and the clear button asks before emptying the
// field. Editing ends when it resigns (if the delegate lets it). The
// keyboard shows and hides with editing.

#include "Platform/Foundation/NSRange.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIControl.h"

#include <optional>

class UITextField;
class UIImage;
class UIColor;

enum UITextBorderStyle {
    UITextBorderStyleNone,
    UITextBorderStyleLine,
    UITextBorderStyleBezel,
    UITextBorderStyleRoundedRect
};
enum UITextFieldViewMode {
    UITextFieldViewModeNever,
    UITextFieldViewModeWhileEditing,
    UITextFieldViewModeUnlessEditing,
    UITextFieldViewModeAlways,
};
enum UIReturnKeyType {
    UIReturnKeyDefault,
    UIReturnKeyGo,
    UIReturnKeyGoogle,
    UIReturnKeyJoin,
    UIReturnKeyNext,
    UIReturnKeyRoute,
    UIReturnKeySearch,
    UIReturnKeySend,
    UIReturnKeyYahoo,
    UIReturnKeyDone,
    UIReturnKeyEmergencyCall,
};
enum UIKeyboardType {
    UIKeyboardTypeDefault,
    UIKeyboardTypeASCIICapable,
    UIKeyboardTypeNumbersAndPunctuation,
    UIKeyboardTypeURL,
    UIKeyboardTypeNumberPad,
    UIKeyboardTypePhonePad,
    UIKeyboardTypeNamePhonePad,
    UIKeyboardTypeEmailAddress,
    UIKeyboardTypeDecimalPad,
};
enum UITextAutocorrectionType {
    UITextAutocorrectionTypeDefault,
    UITextAutocorrectionTypeNo,
    UITextAutocorrectionTypeYes
};
enum UITextAutocapitalizationType {
    UITextAutocapitalizationTypeNone,
    UITextAutocapitalizationTypeWords,
    UITextAutocapitalizationTypeSentences,
    UITextAutocapitalizationTypeAllCharacters,
};

inline const std::string UITextFieldTextDidBeginEditingNotification = "UITextFieldTextDidBeginEditingNotification";
inline const std::string UITextFieldTextDidChangeNotification = "UITextFieldTextDidChangeNotification";
inline const std::string UITextFieldTextDidEndEditingNotification = "UITextFieldTextDidEndEditingNotification";

class UITextFieldDelegate {
public:
    virtual ~UITextFieldDelegate() = default;
    virtual bool textFieldShouldBeginEditing(UITextField&) { return true; }
    virtual void textFieldDidBeginEditing(UITextField&) { }
    virtual bool textFieldShouldEndEditing(UITextField&) { return true; }
    virtual void textFieldDidEndEditing(UITextField&) { }
    virtual bool textFieldShouldChangeCharactersInRangeReplacementString(UITextField&, NSRange, const std::string&)
    {
        return true;
    }
    virtual bool textFieldShouldClear(UITextField&) { return true; }
    virtual bool textFieldShouldReturn(UITextField&) { return true; }
};

class UITextField : public UIControl {
public:
    static constexpr CGFloat kClearButtonSize = 19;

    explicit UITextField(CGRect frame = CGRectZero);

    const std::string& text() const { return m_text; }
    void setText(const std::string& text);
    const std::string& placeholder() const { return m_placeholder; }
    void setPlaceholder(const std::string& p)
    {
        m_placeholder = p;
        setNeedsDisplay();
    }
    UIFontRef font() const { return m_font; }
    void setFont(UIFontRef font);
    std::shared_ptr<UIColor> textColor() const { return m_textColor; }
    void setTextColor(std::shared_ptr<UIColor> c)
    {
        m_textColor = std::move(c);
        setNeedsDisplay();
    }
    UITextAlignment textAlignment() const { return m_alignment; }
    void setTextAlignment(UITextAlignment a)
    {
        m_alignment = a;
        setNeedsDisplay();
    }
    UITextBorderStyle borderStyle() const { return m_borderStyle; }
    void setBorderStyle(UITextBorderStyle s)
    {
        m_borderStyle = s;
        setNeedsDisplay();
    }
    std::shared_ptr<UIImage> background() const { return m_background; }
    void setBackground(std::shared_ptr<UIImage> image)
    {
        m_background = std::move(image);
        setNeedsDisplay();
    }
    std::shared_ptr<UIView> leftView() const { return m_leftView; }
    void setLeftView(std::shared_ptr<UIView> view);
    UITextFieldViewMode leftViewMode() const { return m_leftViewMode; }
    void setLeftViewMode(UITextFieldViewMode m)
    {
        m_leftViewMode = m;
        setNeedsLayout();
    }
    std::shared_ptr<UIView> rightView() const { return m_rightView; }
    void setRightView(std::shared_ptr<UIView> view);
    UITextFieldViewMode rightViewMode() const { return m_rightViewMode; }
    void setRightViewMode(UITextFieldViewMode m)
    {
        m_rightViewMode = m;
        setNeedsLayout();
    }
    UITextFieldViewMode clearButtonMode() const { return m_clearButtonMode; }
    void setClearButtonMode(UITextFieldViewMode m)
    {
        m_clearButtonMode = m;
        setNeedsDisplay();
    }
    bool clearsOnBeginEditing() const { return m_clearsOnBegin; }
    void setClearsOnBeginEditing(bool on) { m_clearsOnBegin = on; }
    bool adjustsFontSizeToFitWidth() const { return m_adjusts; }
    void setAdjustsFontSizeToFitWidth(bool on)
    {
        m_adjusts = on;
        setNeedsDisplay();
    }
    CGFloat minimumFontSize() const { return m_minimumFontSize; }
    void setMinimumFontSize(CGFloat s) { m_minimumFontSize = s; }
    bool isSecureTextEntry() const { return m_secure; }
    void setSecureTextEntry(bool on)
    {
        m_secure = on;
        setNeedsDisplay();
    }

    UIReturnKeyType returnKeyType = UIReturnKeyDefault;
    UIKeyboardType keyboardType = UIKeyboardTypeDefault;
    UITextAutocorrectionType autocorrectionType = UITextAutocorrectionTypeDefault;
    UITextAutocapitalizationType autocapitalizationType = UITextAutocapitalizationTypeSentences;

    std::shared_ptr<UITextFieldDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UITextFieldDelegate> d) { m_delegate = std::move(d); }

    bool isEditing() const { return m_editing; }

    // Where the text and the clear button go within the bounds.
    CGRect textRectForBounds(CGRect bounds) const;
    CGRect clearButtonRectForBounds(CGRect bounds) const;
    bool showsClearButton() const;

    bool canBecomeFirstResponder() const override { return isEnabled(); }
    bool becomeFirstResponder() override;
    bool canResignFirstResponder() const override;
    bool acceptsTextInput() const override { return true; }
    void insertText(const std::string& text) override;
    void deleteBackward() override;

    void layoutSubviews() override;
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

protected:
    void didTapAt(CGPoint point, UIEvent* event) override;
    void didBecomeFirstResponder() override;
    void didResignFirstResponder() override;

private:
    // Offers a replacement to the delegate and applies it when allowed.
    void replace(NSRange range, const std::string& replacement);
    bool viewShows(UITextFieldViewMode mode) const;

    std::string m_text;
    std::string m_placeholder;
    UIFontRef m_font;
    std::shared_ptr<UIColor> m_textColor;
    UITextAlignment m_alignment = UITextAlignmentLeft;
    UITextBorderStyle m_borderStyle = UITextBorderStyleNone;
    std::shared_ptr<UIImage> m_background;
    std::shared_ptr<UIView> m_leftView;
    std::shared_ptr<UIView> m_rightView;
    UITextFieldViewMode m_leftViewMode = UITextFieldViewModeNever;
    UITextFieldViewMode m_rightViewMode = UITextFieldViewModeNever;
    UITextFieldViewMode m_clearButtonMode = UITextFieldViewModeNever;
    bool m_clearsOnBegin = false;
    bool m_adjusts = false;
    CGFloat m_minimumFontSize = 0;
    bool m_secure = false;
    bool m_editing = false;
    std::weak_ptr<UITextFieldDelegate> m_delegate;
};

// The length in bytes of the last character of a UTF-8 text (0 for an empty text).
size_t lastCharacterLength(const std::string& text);
