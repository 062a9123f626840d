#include "Platform/UIKit/NSStringDrawing.h"

#include "Platform/UIKit/UIGraphics.h"

#include <cmath>

namespace {

CGSize ceilSize(CGSize s) { return { std::ceil(s.width), std::ceil(s.height) }; }

// Limits beyond this are "no limit" (callers pass very large numbers for it).
constexpr CGFloat unbounded = 1e7f;

CGFloat limit(CGFloat v) { return v >= unbounded ? 0 : v; }

CGSize measure(std::string_view text, const UIFontRef& font, const TextLayout::Options& options)
{
    if (!font)
        return CGSizeZero;
    return ceilSize(TextLayout(text, font->textFont(), options).size());
}

CGSize draw(std::string_view text, CGPoint origin, const UIFontRef& font, const TextLayout::Options& options)
{
    if (!font)
        return CGSizeZero;
    TextLayout layout(text, font->textFont(), options);
    if (auto c = UIGraphicsGetCurrentContext())
        layout.draw(c, origin);
    return ceilSize(layout.size());
}

}

TextLineBreak textLineBreak(UILineBreakMode mode)
{
    switch (mode) {
    case UILineBreakModeCharacterWrap:
        return TextLineBreak::CharacterWrap;
    case UILineBreakModeClip:
        return TextLineBreak::Clip;
    case UILineBreakModeHeadTruncation:
        return TextLineBreak::HeadTruncation;
    case UILineBreakModeTailTruncation:
        return TextLineBreak::TailTruncation;
    case UILineBreakModeMiddleTruncation:
        return TextLineBreak::MiddleTruncation;
    default:
        return TextLineBreak::WordWrap;
    }
}

TextAlignment textAlignment(UITextAlignment alignment)
{
    return alignment == UITextAlignmentCenter ? TextAlignment::Center
        : alignment == UITextAlignmentRight   ? TextAlignment::Right
                                              : TextAlignment::Left;
}

CGSize sizeWithFont(std::string_view text, const UIFontRef& font)
{
    TextLayout::Options o;
    o.singleLine = true;
    return measure(text, font, o);
}

CGSize sizeWithFontForWidthLineBreakMode(
    std::string_view text, const UIFontRef& font, CGFloat width, UILineBreakMode mode)
{
    TextLayout::Options o;
    o.singleLine = true;
    o.maxWidth = limit(width);
    o.lineBreak = textLineBreak(mode);
    return measure(text, font, o);
}

CGSize sizeWithFontConstrainedToSize(std::string_view text, const UIFontRef& font, CGSize size)
{
    return sizeWithFontConstrainedToSizeLineBreakMode(text, font, size, UILineBreakModeWordWrap);
}

CGSize sizeWithFontConstrainedToSizeLineBreakMode(
    std::string_view text, const UIFontRef& font, CGSize size, UILineBreakMode mode)
{
    TextLayout::Options o;
    o.maxWidth = limit(size.width);
    o.maxHeight = limit(size.height);
    o.lineBreak = textLineBreak(mode);
    return measure(text, font, o);
}

CGSize drawAtPointWithFont(std::string_view text, CGPoint point, const UIFontRef& font)
{
    TextLayout::Options o;
    o.singleLine = true;
    return draw(text, point, font, o);
}

CGSize drawAtPointForWidthWithFontLineBreakMode(
    std::string_view text, CGPoint point, CGFloat width, const UIFontRef& font, UILineBreakMode mode)
{
    TextLayout::Options o;
    o.singleLine = true;
    o.maxWidth = limit(width);
    o.lineBreak = textLineBreak(mode);
    return draw(text, point, font, o);
}

CGSize drawInRectWithFont(std::string_view text, CGRect rect, const UIFontRef& font)
{
    return drawInRectWithFontLineBreakModeAlignment(text, rect, font, UILineBreakModeWordWrap, UITextAlignmentLeft);
}

CGSize drawInRectWithFontLineBreakMode(std::string_view text, CGRect rect, const UIFontRef& font, UILineBreakMode mode)
{
    return drawInRectWithFontLineBreakModeAlignment(text, rect, font, mode, UITextAlignmentLeft);
}

CGSize drawInRectWithFontLineBreakModeAlignment(
    std::string_view text, CGRect rect, const UIFontRef& font, UILineBreakMode mode, UITextAlignment alignment)
{
    rect = CGRectStandardize(rect);
    if (CGRectIsEmpty(rect))
        return CGSizeZero;
    TextLayout::Options o;
    o.maxWidth = limit(rect.size.width);
    o.maxHeight = limit(rect.size.height);
    o.lineBreak = textLineBreak(mode);
    o.alignment = textAlignment(alignment);
    return draw(text, rect.origin, font, o);
}
