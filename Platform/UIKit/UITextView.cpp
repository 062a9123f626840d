#include "Platform/UIKit/UITextView.h"

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIKeyboard.h"
#include "Platform/UIKit/UITextField.h"

#include <algorithm>

UITextView::UITextView(CGRect frame)
    : UIScrollView(frame)
    , m_font(UIFont::systemFontOfSize(12))
    , m_textColor(UIColor::blackColor())
{
    setBackgroundColor(UIColor::whiteColor());
}

void UITextView::setText(const std::string& text)
{
    m_text = text;
    updateContentSize();
    setNeedsDisplay();
}

void UITextView::setFont(UIFontRef font)
{
    m_font = font ? std::move(font) : UIFont::systemFontOfSize(12);
    updateContentSize();
    setNeedsDisplay();
}

void UITextView::setEditable(bool on)
{
    m_editable = on;
    if (!on)
        resignFirstResponder();
}

void UITextView::setDelegate(std::weak_ptr<UITextViewDelegate> d)
{
    m_textDelegate = d;
    if (auto s = d.lock())
        UIScrollView::setDelegate(
            std::weak_ptr<UIScrollViewDelegate>(std::static_pointer_cast<UIScrollViewDelegate>(s)));
    else
        UIScrollView::setDelegate({});
}

void UITextView::setFrame(CGRect frame)
{
    UIScrollView::setFrame(frame);
    updateContentSize();
}

void UITextView::updateContentSize()
{
    CGFloat w = std::max<CGFloat>(0, bounds().size.width - 2 * kInset);
    CGSize s = sizeWithFontConstrainedToSizeLineBreakMode(m_text, m_font, CGSizeMake(w, 1e7f), UILineBreakModeWordWrap);
    setContentSize(CGSizeMake(bounds().size.width, s.height + 2 * kInset));
}

bool UITextView::becomeFirstResponder()
{
    if (isFirstResponder())
        return true;
    auto d = delegate();
    if (!canBecomeFirstResponder() || (d && !d->textViewShouldBeginEditing(*this)))
        return false;
    return UIScrollView::becomeFirstResponder();
}

bool UITextView::canResignFirstResponder() const
{
    auto d = delegate();
    return !d || d->textViewShouldEndEditing(*const_cast<UITextView*>(this));
}

void UITextView::didBecomeFirstResponder()
{
    auto keep = shared_from_this();
    m_editing = true;
    if (auto d = delegate())
        d->textViewDidBeginEditing(*this);
    UIKeyboard::textInputDidBeginEditing();
}

void UITextView::didResignFirstResponder()
{
    auto keep = shared_from_this();
    m_editing = false;
    if (auto d = delegate())
        d->textViewDidEndEditing(*this);
    UIKeyboard::textInputDidEndEditing();
}

void UITextView::touchesEndedWithEvent(const UITouchSet&, UIEvent*)
{
    if (m_editable)
        becomeFirstResponder();
}

void UITextView::replace(NSRange range, const std::string& replacement)
{
    auto keep = shared_from_this();
    // The delegate is offered the range in characters; the text changes by bytes.
    NSRange bytes = NSString::byteRangeOfCharacterRange(m_text, range);
    range.location = NSString::length(std::string_view(m_text).substr(0, bytes.location));
    range.length = NSString::length(std::string_view(m_text).substr(bytes.location, bytes.length));
    auto d = delegate();
    if (d && !d->textViewShouldChangeTextInRangeReplacementText(*this, range, replacement))
        return;
    m_text.replace(bytes.location, bytes.length, replacement);
    updateContentSize();
    setNeedsDisplay();
    if (d)
        d->textViewDidChange(*this);
    NSNotificationCenter::defaultCenter().postNotificationName(UITextViewTextDidChangeNotification);
}

void UITextView::insertText(const std::string& text)
{
    if (m_editing && !text.empty())
        replace(NSMakeRange(NSString::length(m_text), 0), text);
}

void UITextView::deleteBackward()
{
    if (!m_editing || m_text.empty())
        return;
    size_t n = lastCharacterLength(m_text);
    NSUInteger units = NSString::length(std::string_view(m_text).substr(m_text.size() - n));
    replace(NSMakeRange(NSString::length(m_text) - units, units), "");
}

void UITextView::drawRect(CGRect)
{
    CGSize c = contentSize();
    (m_textColor ? m_textColor : UIColor::blackColor())->setFill();
    drawInRectWithFontLineBreakModeAlignment(m_text,
        CGRectMake(
            kInset, kInset, std::max<CGFloat>(0, c.width - 2 * kInset), std::max<CGFloat>(0, c.height - 2 * kInset)),
        m_font, UILineBreakModeWordWrap, m_alignment);
}
