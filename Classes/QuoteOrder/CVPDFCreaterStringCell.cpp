#include "Classes/QuoteOrder/CVPDFCreaterStringCell.h"

#include "Platform/UIKit/UIGraphics.h"

#include <cmath>

CVPDFCreaterStringCell::CVPDFCreaterStringCell(CGRect frame, std::optional<std::string> content,
    std::shared_ptr<UIFont> font, std::shared_ptr<UIColor> color, int alignment)
    : CVPDFCreaterBaseCell(frame)
    , text(std::move(content))
    , textFont(std::move(font))
    , textColor(std::move(color))
    , textAlignment(alignment)
{
}

namespace {

// Limits beyond this are "no limit" (callers pass very large numbers for it).
constexpr CGFloat kUnbounded = 1e7f;

CGFloat limit(CGFloat v) { return v >= kUnbounded ? 0 : v; }

size_t g_layoutsMade = 0;

}  // namespace

size_t CVPDFCreaterStringCell::layoutsMade() { return g_layoutsMade; }

const TextLayout* CVPDFCreaterStringCell::layoutFor(CGFloat width, CGFloat maxHeight)
{
    if (!text || !textFont)
        return nullptr;
    const int alignment = textAlignment >= 0 && textAlignment <= 2 ? textAlignment : 0;
    const TextFont& font = textFont->textFont();
    std::optional<LaidOut>& slot = maxHeight > 0 ? m_cut : m_whole;
    if (!slot || slot->width != width || slot->maxHeight != maxHeight || slot->alignment != alignment
        || !(slot->font == font) || slot->text != *text) {
        TextLayout::Options options;
        options.maxWidth = limit(width);
        options.maxHeight = maxHeight;
        options.lineBreak = textLineBreak(UILineBreakModeWordWrap);
        options.alignment = ::textAlignment(static_cast<UITextAlignment>(alignment));
        ++g_layoutsMade;
        slot = LaidOut { *text, font, width, maxHeight, alignment, std::make_shared<TextLayout>(*text, font, options) };
    }
    return slot->layout.get();
}

CGFloat CVPDFCreaterStringCell::textHeightForWidth(CGFloat width)
{
    const TextLayout* layout = layoutFor(width, 0);
    return layout ? std::ceil(layout->size().height) : 0;
}

void CVPDFCreaterStringCell::drawInRect(CGRect rect)
{
    if (textColor)
        textColor->setFill();
    rect = CGRectStandardize(rect);
    if (CGRectIsEmpty(rect))
        return;
    const TextLayout* layout = layoutFor(rect.size.width, 0);
    if (!layout)
        return;
    // Lines that do not fit the box are cut rather than drawn over what lies below.
    const CGFloat maxHeight = limit(rect.size.height);
    if (maxHeight > 0 && layout->size().height > maxHeight)
        layout = layoutFor(rect.size.width, maxHeight);
    CGPoint origin = rect.origin;
    if (centerInVertical)
        origin.y += (rect.size.height - std::ceil(layout->size().height)) * 0.5;
    if (auto context = UIGraphicsGetCurrentContext())
        layout->draw(context, origin);
}
