#pragma once

// Text frames: attributed text laid out in the bounds of a path and drawn the
// way the platform's layout engine does, in a y-upward space with the first
// line at the top of the frame. Layout and drawing use the platform layer's
// one text engine, so a suggested frame size holds its text.

#include "Platform/CoreGraphics/CGPath.h"
#include "Platform/CoreGraphics/TextLayout.h"

#include <memory>
#include <string_view>

struct CFRange {
    long location = 0;
    long length = 0;
};
inline CFRange CFRangeMake(long location, long length) { return { location, length }; }

// A font object; it is a text-engine font, so it goes into attributes as it is.
struct CTFont : TextFont {
    using TextFont::TextFont;
    explicit CTFont(TextFont f)
        : TextFont(std::move(f))
    {
    }
};
using CTFontRef = std::shared_ptr<const CTFont>;

// A font by the platform's name; a name the table does not know gives the
// system font at that size, as the platform falls back.
CTFontRef CTFontCreateWithName(std::string_view name, CGFloat size, const CGAffineTransform* matrix);
CGFloat CTFontGetSize(const CTFontRef& font);

class CTFramesetter {
public:
    AttributedText text;
};
using CTFramesetterRef = std::shared_ptr<const CTFramesetter>;

class CTFrame {
public:
    std::shared_ptr<TextLayout> layout;
    CGRect bounds;
};
using CTFrameRef = std::shared_ptr<const CTFrame>;

CTFramesetterRef CTFramesetterCreateWithAttributedString(const AttributedText& text);
// The size the text needs within the constraints (a width or height of 0, or
// a very large one, means no limit). The whole string is always laid out.
CGSize CTFramesetterSuggestFrameSizeWithConstraints(
    const CTFramesetterRef& framesetter, CFRange range, CGSize constraints, CFRange* fitRange);
// The text laid out in the bounding box of the path; lines below it are cut off.
CTFrameRef CTFramesetterCreateFrame(const CTFramesetterRef& framesetter, CFRange range, const CGPathRef& path);
// Draws in the context's current space, taken as y upward, honouring the
// context's text matrix. Runs without a colour are black.
void CTFrameDraw(const CTFrameRef& frame, const CGContextRef& context);
