#pragma once

// A text cell: word-wrapped in its rectangle and, by default, centred
// vertically on the height the text takes (lines that do not fit the
// rectangle's height are cut rather than drawn over what lies below).

#include "Classes/QuoteOrder/CVPDFCreaterBaseCell.h"

#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

#include <memory>
#include <optional>
#include <string>

class CVPDFCreaterStringCell : public CVPDFCreaterBaseCell {
public:
    CVPDFCreaterStringCell() : CVPDFCreaterStringCell(CGRectZero) {}
    explicit CVPDFCreaterStringCell(CGRect frame)
        : CVPDFCreaterStringCell(frame, std::nullopt, nullptr, nullptr, 0) {}
    CVPDFCreaterStringCell(CGRect frameInLine, std::optional<std::string> text, std::shared_ptr<UIFont> font,
                           std::shared_ptr<UIColor> color, int alignment);

    void drawInRect(CGRect rect) override;

    std::optional<std::string> text;
    std::shared_ptr<UIFont> textFont;
    std::shared_ptr<UIColor> textColor;
    // 0 left, 1 centred, 2 right.
    int textAlignment = 0;
    bool centerInVertical = true;
};
