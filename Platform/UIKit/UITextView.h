#pragma once

// A scrolling block of wrapped text, editable or read only. Editing follows
// the text field's rules: the delegate may refuse to begin or end and is
// offered each change (a UTF-8 range and its replacement); a return inserts
// a line end. The content height is the measured height of the text.

#include "Platform/Foundation/NSRange.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIScrollView.h"

class UITextView;
class UIColor;

inline const std::string UITextViewTextDidChangeNotification = "UITextViewTextDidChangeNotification";

class UITextViewDelegate : public UIScrollViewDelegate {
public:
    virtual bool textViewShouldBeginEditing(UITextView&) { return true; }
    virtual void textViewDidBeginEditing(UITextView&) { }
    virtual bool textViewShouldEndEditing(UITextView&) { return true; }
    virtual void textViewDidEndEditing(UITextView&) { }
    virtual bool textViewShouldChangeTextInRangeReplacementText(UITextView&, NSRange, const std::string&)
    {
        return true;
    }
    virtual void textViewDidChange(UITextView&) { }
};

class UITextView : public UIScrollView {
public:
    static constexpr CGFloat kInset = 8;

    explicit UITextView(CGRect frame = CGRectZero);

    const std::string& text() const { return m_text; }
    void setText(const std::string& text);
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
    bool isEditable() const { return m_editable; }
    void setEditable(bool on);
    bool isEditing() const { return m_editing; }

    std::shared_ptr<UITextViewDelegate> delegate() const { return m_textDelegate.lock(); }
    void setDelegate(std::weak_ptr<UITextViewDelegate> d);

    bool canBecomeFirstResponder() const override { return m_editable; }
    bool becomeFirstResponder() override;
    bool canResignFirstResponder() const override;
    bool acceptsTextInput() const override { return m_editable; }
    void insertText(const std::string& text) override;
    void deleteBackward() override;

    void setFrame(CGRect frame) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesBeganWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override { }
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

protected:
    void didBecomeFirstResponder() override;
    void didResignFirstResponder() override;

private:
    void replace(NSRange range, const std::string& replacement);
    void updateContentSize();

    std::string m_text;
    UIFontRef m_font;
    std::shared_ptr<UIColor> m_textColor;
    UITextAlignment m_alignment = UITextAlignmentLeft;
    bool m_editable = true;
    bool m_editing = false;
    std::weak_ptr<UITextViewDelegate> m_textDelegate;
};
