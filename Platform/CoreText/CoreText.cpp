#include "Platform/CoreText/CoreText.h"

namespace {

// Text without a font attribute is laid out in the platform's default.
TextFont defaultFont() { return TextFont::systemFont(12); }

constexpr CGFloat unbounded = 1e7f;

CGFloat limit(CGFloat v) { return v <= 0 || v >= unbounded ? 0 : v; }

}

CTFontRef CTFontCreateWithName(std::string_view name, CGFloat size, const CGAffineTransform*)
{
    if (size <= 0)
        size = 12;
    return std::make_shared<const CTFont>(TextFont::named(name, size).value_or(TextFont::systemFont(size)));
}

CGFloat CTFontGetSize(const CTFontRef& font) { return font ? font->size : 0; }

CTFramesetterRef CTFramesetterCreateWithAttributedString(const AttributedText& text)
{
    auto f = std::make_shared<CTFramesetter>();
    f->text = text;
    return f;
}

CGSize CTFramesetterSuggestFrameSizeWithConstraints(
    const CTFramesetterRef& framesetter, CFRange, CGSize constraints, CFRange* fitRange)
{
    if (!framesetter)
        return CGSizeZero;
    TextLayout::Options o;
    o.maxWidth = limit(constraints.width);
    o.maxHeight = limit(constraints.height);
    TextLayout layout(framesetter->text, defaultFont(), o);
    if (fitRange)
        *fitRange = CFRangeMake(0, long(framesetter->text.text.size()));
    return framesetter->text.text.empty() ? CGSizeZero : layout.size();
}

CTFrameRef CTFramesetterCreateFrame(const CTFramesetterRef& framesetter, CFRange, const CGPathRef& path)
{
    if (!framesetter || CGPathIsEmpty(path))
        return nullptr;
    auto frame = std::make_shared<CTFrame>();
    frame->bounds = CGRectStandardize(CGPathGetBoundingBox(path));
    TextLayout::Options o;
    o.maxWidth = frame->bounds.size.width > 0 ? frame->bounds.size.width : 0;
    o.maxHeight = frame->bounds.size.height > 0 ? frame->bounds.size.height : 0;
    frame->layout = std::make_shared<TextLayout>(framesetter->text, defaultFont(), o);
    return frame;
}

void CTFrameDraw(const CTFrameRef& frame, const CGContextRef& context)
{
    if (!frame || !context || !frame->layout)
        return;
    // The first line must fit entirely, or nothing is shown.
    if (frame->layout->size().height > frame->bounds.size.height + 0.5f)
        return;
    CGContextSaveGState(context);
    CGContextSetRGBFillColor(context, 0, 0, 0, 1);
    frame->layout->drawFlipped(
        context, { frame->bounds.origin.x, CGRectGetMaxY(frame->bounds) }, CGContextGetTextMatrix(context));
    CGContextRestoreGState(context);
}
