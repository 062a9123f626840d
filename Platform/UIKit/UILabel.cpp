#include "Platform/UIKit/UILabel.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"

#include <algorithm>
#include <cmath>

UILabel::UILabel(CGRect frame)
    : UIView(frame)
    , m_font(UIFont::systemFontOfSize(17))
    , m_textColor(UIColor::blackColor())
{
    setBackgroundColor(UIColor::whiteColor());
    setUserInteractionEnabled(false);
}

void UILabel::setText(const std::string& text)
{
    m_text = text;
    setNeedsDisplay();
}

void UILabel::setFont(UIFontRef font)
{
    m_font = font ? std::move(font) : UIFont::systemFontOfSize(17);
    setNeedsDisplay();
}

void UILabel::setTextColor(std::shared_ptr<UIColor> c)
{
    m_textColor = c ? std::move(c) : UIColor::blackColor();
    setNeedsDisplay();
}

void UILabel::setTextAlignment(UITextAlignment a)
{
    m_alignment = a;
    setNeedsDisplay();
}

void UILabel::setNumberOfLines(long n)
{
    m_lines = std::max(0L, n);
    setNeedsDisplay();
}

void UILabel::setLineBreakMode(UILineBreakMode m)
{
    m_lineBreak = m;
    setNeedsDisplay();
}

UIFontRef UILabel::fontForDrawing() const
{
    if (!m_adjusts || m_lines != 1 || m_text.empty())
        return m_font;
    CGFloat width = bounds().size.width;
    CGFloat size = m_font->pointSize();
    CGFloat minimum = std::max<CGFloat>(1, m_minimumFontSize);
    auto font = m_font;
    while (size > minimum && sizeWithFont(m_text, font).width > width) {
        size = std::max(minimum, size - 1);
        font = m_font->fontWithSize(size);
    }
    return font;
}

CGRect UILabel::textRectForBoundsLimitedToNumberOfLines(CGRect b, long lines) const
{
    auto font = fontForDrawing();
    CGFloat maxHeight = lines > 0 ? font->lineHeight() * lines : b.size.height;
    CGSize size = lines == 1
        ? sizeWithFontForWidthLineBreakMode(m_text, font, b.size.width, m_lineBreak)
        : sizeWithFontConstrainedToSizeLineBreakMode(m_text, font, CGSizeMake(b.size.width, maxHeight), m_lineBreak);
    size.height = std::min(size.height, b.size.height);
    return CGRectMake(
        b.origin.x, b.origin.y + std::floor((b.size.height - size.height) / 2), b.size.width, size.height);
}

CGSize UILabel::sizeThatFits(CGSize size) const
{
    if (m_text.empty())
        return CGSizeZero;
    if (m_lines == 1)
        return sizeWithFont(m_text, m_font);
    CGFloat maxHeight = m_lines > 0 ? m_font->lineHeight() * m_lines : 1e7f;
    return sizeWithFontConstrainedToSizeLineBreakMode(m_text, m_font, CGSizeMake(size.width, maxHeight), m_lineBreak);
}

void UILabel::drawRect(CGRect)
{
    if (m_text.empty())
        return;
    auto font = fontForDrawing();
    CGRect r = textRectForBoundsLimitedToNumberOfLines(bounds(), m_lines);
    UILineBreakMode mode = m_lines == 1 && m_lineBreak == UILineBreakModeWordWrap ? UILineBreakModeClip : m_lineBreak;
    if (m_shadowColor) {
        m_shadowColor->setFill();
        drawInRectWithFontLineBreakModeAlignment(
            m_text, CGRectOffset(r, m_shadowOffset.width, m_shadowOffset.height), font, mode, m_alignment);
    }
    auto color = m_highlighted && m_highlightedTextColor ? m_highlightedTextColor : m_textColor;
    if (!m_enabled)
        color = UIColor::grayColor();
    color->setFill();
    drawInRectWithFontLineBreakModeAlignment(m_text, r, font, mode, m_alignment);
}
