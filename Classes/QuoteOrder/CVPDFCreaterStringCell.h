#pragma once

// A text cell: word-wrapped in its rectangle and, by default, centred
// vertically on the height the text takes (lines that do not fit the
// rectangle's height are cut rather than drawn over what lies below).

#include "Classes/QuoteOrder/CVPDFCreaterBaseCell.h"

#include "Platform/CoreGraphics/TextLayout.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

#include <memory>
#include <optional>
#include <string>

class CVPDFCreaterStringCell : public CVPDFCreaterBaseCell {
public:
    CVPDFCreaterStringCell()
        : CVPDFCreaterStringCell(CGRectZero)
    {
    }
    explicit CVPDFCreaterStringCell(CGRect frame)
        : CVPDFCreaterStringCell(frame, std::nullopt, nullptr, nullptr, 0)
    {
    }
    CVPDFCreaterStringCell(CGRect frameInLine, std::optional<std::string> text, std::shared_ptr<UIFont> font,
        std::shared_ptr<UIColor> color, int alignment);

    void drawInRect(CGRect rect) override;
    // The height of the whole text wrapped to `width` (0 without a text),
    // from the layout the cell then draws with.
    CGFloat textHeightForWidth(CGFloat width);

    std::optional<std::string> text;
    std::shared_ptr<UIFont> textFont;
    std::shared_ptr<UIColor> textColor;
    // 0 left, 1 centred, 2 right.
    int textAlignment = 0;
    bool centerInVertical = true;

    // How many layouts text cells have made in this process (for measuring).
    static size_t layoutsMade();

private:
    // The text is laid out once for its width, font and alignment, and that
    // layout measures and draws it in every box that holds it until one of
    // them changes: a long text costs its layout once, not once per measure
    // and per drawing. A box too low for the text gets a layout of the lines
    // that fit, kept as well.
    const TextLayout* layoutFor(CGFloat width, CGFloat maxHeight);

    struct LaidOut {
        std::string text;
        TextFont font;
        CGFloat width = 0;
        CGFloat maxHeight = 0;
        int alignment = 0;
        std::shared_ptr<TextLayout> layout;
    };
    std::optional<LaidOut> m_whole;
    std::optional<LaidOut> m_cut;
};
