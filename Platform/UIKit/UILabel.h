#pragma once

// A label draws its text in its font and colour, aligned, within its lines
// (0: as many as fit), vertically centred, shrunk toward the minimum size
// when it must fit its width on one line, with an optional shadow.

#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIView.h"

class UIColor;

class UILabel : public UIView {
public:
    explicit UILabel(CGRect frame = CGRectZero);

    const std::string& text() const { return m_text; }
    void setText(const std::string& text);
    UIFontRef font() const { return m_font; }
    void setFont(UIFontRef font);
    std::shared_ptr<UIColor> textColor() const { return m_textColor; }
    void setTextColor(std::shared_ptr<UIColor> c);
    std::shared_ptr<UIColor> highlightedTextColor() const { return m_highlightedTextColor; }
    void setHighlightedTextColor(std::shared_ptr<UIColor> c) { m_highlightedTextColor = std::move(c); }
    UITextAlignment textAlignment() const { return m_alignment; }
    void setTextAlignment(UITextAlignment a);
    long numberOfLines() const { return m_lines; }
    void setNumberOfLines(long n);
    UILineBreakMode lineBreakMode() const { return m_lineBreak; }
    void setLineBreakMode(UILineBreakMode m);
    bool adjustsFontSizeToFitWidth() const { return m_adjusts; }
    void setAdjustsFontSizeToFitWidth(bool on)
    {
        m_adjusts = on;
        setNeedsDisplay();
    }
    CGFloat minimumFontSize() const { return m_minimumFontSize; }
    void setMinimumFontSize(CGFloat s)
    {
        m_minimumFontSize = s;
        setNeedsDisplay();
    }
    std::shared_ptr<UIColor> shadowColor() const { return m_shadowColor; }
    void setShadowColor(std::shared_ptr<UIColor> c)
    {
        m_shadowColor = std::move(c);
        setNeedsDisplay();
    }
    CGSize shadowOffset() const { return m_shadowOffset; }
    void setShadowOffset(CGSize s)
    {
        m_shadowOffset = s;
        setNeedsDisplay();
    }
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool on)
    {
        m_highlighted = on;
        setNeedsDisplay();
    }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on)
    {
        m_enabled = on;
        setNeedsDisplay();
    }

    // The font the text is drawn in: the label's, or smaller when it shrinks to fit.
    UIFontRef fontForDrawing() const;
    // Where the text goes within `bounds` for `lines` lines.
    CGRect textRectForBoundsLimitedToNumberOfLines(CGRect bounds, long lines) const;

    CGSize sizeThatFits(CGSize size) const override;
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

private:
    std::string m_text;
    UIFontRef m_font;
    std::shared_ptr<UIColor> m_textColor;
    std::shared_ptr<UIColor> m_highlightedTextColor;
    UITextAlignment m_alignment = UITextAlignmentLeft;
    long m_lines = 1;
    UILineBreakMode m_lineBreak = UILineBreakModeTailTruncation;
    bool m_adjusts = false;
    CGFloat m_minimumFontSize = 0;
    std::shared_ptr<UIColor> m_shadowColor;
    CGSize m_shadowOffset { 0, -1 };
    bool m_highlighted = false;
    bool m_enabled = true;
};
