#include "Platform/UIKit/UITextField.h"

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIKeyboard.h"

#include <algorithm>

size_t lastCharacterLength(const std::string& text)
{
    if (text.empty())
        return 0;
    size_t i = text.size() - 1;
    while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
        --i;
    return text.size() - i;
}

UITextField::UITextField(CGRect frame)
    : UIControl(frame)
    , m_font(UIFont::systemFontOfSize(12))
    , m_textColor(UIColor::blackColor())
{
    setContentVerticalAlignment(UIControlContentVerticalAlignmentTop);
}

void UITextField::setText(const std::string& text)
{
    m_text = text;
    setNeedsDisplay();
}

void UITextField::setFont(UIFontRef font)
{
    m_font = font ? std::move(font) : UIFont::systemFontOfSize(12);
    setNeedsDisplay();
}

void UITextField::setLeftView(std::shared_ptr<UIView> view)
{
    if (m_leftView)
        m_leftView->removeFromSuperview();
    m_leftView = std::move(view);
    setNeedsLayout();
    layoutSubviews();
}

void UITextField::setRightView(std::shared_ptr<UIView> view)
{
    if (m_rightView)
        m_rightView->removeFromSuperview();
    m_rightView = std::move(view);
    setNeedsLayout();
    layoutSubviews();
}

bool UITextField::viewShows(UITextFieldViewMode mode) const
{
    switch (mode) {
    case UITextFieldViewModeNever:
        return false;
    case UITextFieldViewModeWhileEditing:
        return m_editing;
    case UITextFieldViewModeUnlessEditing:
        return !m_editing;
    case UITextFieldViewModeAlways:
        return true;
    }
    return false;
}

bool UITextField::showsClearButton() const { return !m_text.empty() && viewShows(m_clearButtonMode); }

CGRect UITextField::clearButtonRectForBounds(CGRect b) const
{
    CGFloat right = b.size.width - (m_rightView && viewShows(m_rightViewMode) ? m_rightView->frame().size.width : 0);
    return CGRectMake(
        right - kClearButtonSize - 6, (b.size.height - kClearButtonSize) / 2, kClearButtonSize, kClearButtonSize);
}

CGRect UITextField::textRectForBounds(CGRect b) const
{
    CGFloat inset = m_borderStyle == UITextBorderStyleNone ? 0 : 7;
    CGFloat left = inset, right = b.size.width - inset;
    if (m_leftView && viewShows(m_leftViewMode))
        left = std::max(left, CGRectGetMaxX(m_leftView->frame()));
    if (m_rightView && viewShows(m_rightViewMode))
        right = std::min(right, m_rightView->frame().origin.x);
    if (showsClearButton())
        right = std::min(right, clearButtonRectForBounds(b).origin.x);
    return CGRectMake(left, 0, std::max<CGFloat>(0, right - left), b.size.height);
}

void UITextField::layoutSubviews()
{
    CGRect b = bounds();
    if (m_leftView) {
        if (viewShows(m_leftViewMode)) {
            CGSize s = m_leftView->frame().size;
            m_leftView->setFrame(CGRectMake(0, (b.size.height - s.height) / 2, s.width, s.height));
            if (m_leftView->superview().get() != this)
                addSubview(m_leftView);
        } else {
            m_leftView->removeFromSuperview();
        }
    }
    if (m_rightView) {
        if (viewShows(m_rightViewMode)) {
            CGSize s = m_rightView->frame().size;
            m_rightView->setFrame(
                CGRectMake(b.size.width - s.width, (b.size.height - s.height) / 2, s.width, s.height));
            if (m_rightView->superview().get() != this)
                addSubview(m_rightView);
        } else {
            m_rightView->removeFromSuperview();
        }
    }
}

void UITextField::didTapAt(CGPoint point, UIEvent*)
{
    auto keep = shared_from_this();
    if (m_editing && showsClearButton()
        && CGRectContainsPoint(CGRectInset(clearButtonRectForBounds(bounds()), -6, -6), point)) {
        auto d = delegate();
        if (!d || d->textFieldShouldClear(*this)) {
            m_text.clear();
            setNeedsDisplay();
            sendActionsForControlEvents(UIControlEventEditingChanged);
            NSNotificationCenter::defaultCenter().postNotificationName(UITextFieldTextDidChangeNotification);
        }
        return;
    }
    becomeFirstResponder();
}

bool UITextField::becomeFirstResponder()
{
    if (isFirstResponder())
        return true;
    auto d = delegate();
    if (!canBecomeFirstResponder() || (d && !d->textFieldShouldBeginEditing(*this)))
        return false;
    return UIControl::becomeFirstResponder();
}

bool UITextField::canResignFirstResponder() const
{
    auto d = delegate();
    auto self = const_cast<UITextField*>(this);
    return !d || d->textFieldShouldEndEditing(*self);
}

void UITextField::didBecomeFirstResponder()
{
    auto keep = shared_from_this();
    m_editing = true;
    if (m_clearsOnBegin)
        m_text.clear();
    setNeedsDisplay();
    setNeedsLayout();
    if (auto d = delegate())
        d->textFieldDidBeginEditing(*this);
    sendActionsForControlEvents(UIControlEventEditingDidBegin);
    NSNotificationCenter::defaultCenter().postNotificationName(UITextFieldTextDidBeginEditingNotification);
    UIKeyboard::textInputDidBeginEditing();
}

void UITextField::didResignFirstResponder()
{
    auto keep = shared_from_this();
    m_editing = false;
    setNeedsDisplay();
    setNeedsLayout();
    if (auto d = delegate())
        d->textFieldDidEndEditing(*this);
    sendActionsForControlEvents(UIControlEventEditingDidEnd);
    NSNotificationCenter::defaultCenter().postNotificationName(UITextFieldTextDidEndEditingNotification);
    UIKeyboard::textInputDidEndEditing();
}

void UITextField::replace(NSRange range, const std::string& replacement)
{
    auto keep = shared_from_this();
    // The delegate is offered the range in characters; the text changes by bytes.
    NSRange bytes = NSString::byteRangeOfCharacterRange(m_text, range);
    range.location = NSString::length(std::string_view(m_text).substr(0, bytes.location));
    range.length = NSString::length(std::string_view(m_text).substr(bytes.location, bytes.length));
    if (auto d = delegate();
        d && !d->textFieldShouldChangeCharactersInRangeReplacementString(*this, range, replacement))
        return;
    m_text.replace(bytes.location, bytes.length, replacement);
    setNeedsDisplay();
    sendActionsForControlEvents(UIControlEventEditingChanged);
    NSNotificationCenter::defaultCenter().postNotificationName(UITextFieldTextDidChangeNotification);
}

void UITextField::insertText(const std::string& text)
{
    if (!m_editing)
        return;
    auto keep = shared_from_this();
    // Text goes in at the end; a line end is the return key.
    size_t start = 0;
    while (start <= text.size()) {
        size_t nl = text.find('\n', start);
        std::string piece = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!piece.empty())
            replace(NSMakeRange(NSString::length(m_text), 0), piece);
        if (nl == std::string::npos)
            break;
        auto d = delegate();
        if (!d || d->textFieldShouldReturn(*this)) {
            sendActionsForControlEvents(UIControlEventEditingDidEndOnExit);
            // A field someone listens to for end-on-exit gives up the keyboard on return.
            if (m_editing && (allControlEvents() & UIControlEventEditingDidEndOnExit))
                resignFirstResponder();
        }
        if (!m_editing)
            break;
        start = nl + 1;
    }
}

void UITextField::deleteBackward()
{
    if (!m_editing || m_text.empty())
        return;
    size_t n = lastCharacterLength(m_text);
    NSUInteger units = NSString::length(std::string_view(m_text).substr(m_text.size() - n));
    replace(NSMakeRange(NSString::length(m_text) - units, units), "");
}

void UITextField::drawRect(CGRect)
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c)
        return;
    CGRect b = bounds();
    if (m_background) {
        m_background->drawInRect(b);
    } else if (m_borderStyle == UITextBorderStyleRoundedRect) {
        UIColor::whiteColor()->setFill();
        CGContextFillRect(c, CGRectInset(b, 1, 1));
        UIColor::colorWithWhiteAlpha(0.6f, 1)->setStroke();
        CGContextSetLineWidth(c, 1);
        CGContextStrokeRect(c, CGRectInset(b, 0.5f, 0.5f));
    } else if (m_borderStyle == UITextBorderStyleLine || m_borderStyle == UITextBorderStyleBezel) {
        UIColor::blackColor()->setStroke();
        CGContextSetLineWidth(c, 1);
        CGContextStrokeRect(c, CGRectInset(b, 0.5f, 0.5f));
    }
    CGRect r = textRectForBounds(b);
    bool placeholder = m_text.empty();
    std::string shown = placeholder ? m_placeholder : m_text;
    if (m_secure && !placeholder) {
        size_t count = 0;
        for (char ch : m_text)
            count += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
        shown.assign(count, '*');
    }
    UIFontRef font = m_font;
    if (m_adjusts && m_minimumFontSize > 0) {
        CGFloat size = font->pointSize();
        while (size > m_minimumFontSize && sizeWithFont(shown, font).width > r.size.width)
            font = font->fontWithSize(--size);
    }
    CGFloat h = font->lineHeight();
    CGFloat y = contentVerticalAlignment() == UIControlContentVerticalAlignmentCenter ? (r.size.height - h) / 2
        : contentVerticalAlignment() == UIControlContentVerticalAlignmentBottom       ? r.size.height - h
        : m_borderStyle == UITextBorderStyleNone                                      ? 0
                                                                                      : (r.size.height - h) / 2;
    (placeholder          ? UIColor::colorWithWhiteAlpha(0.7f, 1)
            : m_textColor ? m_textColor
                          : UIColor::blackColor())
        ->setFill();
    drawInRectWithFontLineBreakModeAlignment(
        shown, CGRectMake(r.origin.x, y, r.size.width, h), font, UILineBreakModeClip, m_alignment);
    if (m_editing) {
        // The caret after the text.
        CGFloat w = std::min(sizeWithFont(placeholder ? "" : shown, font).width, r.size.width);
        CGFloat x = m_alignment == UITextAlignmentLeft ? r.origin.x + w
            : m_alignment == UITextAlignmentRight      ? CGRectGetMaxX(r)
                                                       : CGRectGetMidX(r) + w / 2;
        UIColor::colorWithRedGreenBlueAlpha(0.26f, 0.42f, 0.95f, 1)->setFill();
        CGContextFillRect(c, CGRectMake(x, y, 2, h));
    }
    if (showsClearButton()) {
        UIColor::colorWithWhiteAlpha(0.7f, 1)->setFill();
        CGContextFillEllipseInRect(c, clearButtonRectForBounds(b));
    }
}
