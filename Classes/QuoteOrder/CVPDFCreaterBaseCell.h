#pragma once

// A rectangular cell of the page-layout engine. frameInLine places it relative
// to the line being built (x from the left margin, y from the line's top);
// frameInContainer is its place in the canvas of stacked pages, set when the
// engine places it. The base cell draws nothing but still takes its place.

#include "Classes/QuoteOrder/CVPDFCreaterCellDrawing.h"

class CVPDFCreaterBaseCell : public CVPDFCreaterCellDrawing {
public:
    CVPDFCreaterBaseCell()
        : CVPDFCreaterBaseCell(CGRectZero)
    {
    }
    explicit CVPDFCreaterBaseCell(CGRect frame)
        : frameInLine(frame)
    {
    }

    void drawInRect(CGRect) override { }

    CGRect frameInLine = CGRectZero;
    CGRect frameInContainer = CGRectZero;
    int tagOfCell = 0;
};
