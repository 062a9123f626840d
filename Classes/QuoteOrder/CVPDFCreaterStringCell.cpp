#include "Classes/QuoteOrder/CVPDFCreaterStringCell.h"

#include "Platform/UIKit/UIGraphics.h"

CVPDFCreaterStringCell::CVPDFCreaterStringCell(CGRect frame, std::optional<std::string> content,
                                               std::shared_ptr<UIFont> font, std::shared_ptr<UIColor> color,
                                               int alignment)
    : CVPDFCreaterBaseCell(frame)
    , text(std::move(content))
    , textFont(std::move(font))
    , textColor(std::move(color))
    , textAlignment(alignment)
{
}

void CVPDFCreaterStringCell::drawInRect(CGRect rect)
{
    if (textColor)
        textColor->setFill();
    if (!text)
        return;
    auto alignment = static_cast<UITextAlignment>(textAlignment >= 0 && textAlignment <= 2 ? textAlignment : 0);
    if (centerInVertical) {
        CGSize measured = sizeWithFontConstrainedToSizeLineBreakMode(*text, textFont, rect.size,
                                                                     UILineBreakModeWordWrap);
        CGRect placed = CGRectMake(rect.origin.x, rect.origin.y + (rect.size.height - measured.height) * 0.5,
                                   rect.size.width, measured.height);
        drawInRectWithFontLineBreakModeAlignment(*text, placed, textFont, UILineBreakModeWordWrap, alignment);
    } else {
        drawInRectWithFontLineBreakModeAlignment(*text, rect, textFont, UILineBreakModeWordWrap, alignment);
    }
}
