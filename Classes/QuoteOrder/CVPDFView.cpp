#include "Classes/QuoteOrder/CVPDFView.h"

#include "Platform/UIKit/UIColor.h"

CVPDFView::CVPDFView(CGRect frame)
    : UIView(frame)
{
    setBackgroundColor(UIColor::clearColor());
}

void CVPDFView::drawRect(CGRect)
{
    if (!cellsArray)
        return;
    for (const auto& page : *cellsArray) {
        for (const auto& cell : *page) {
            CGRect frame = cell->frameInContainer;
            if (frame.size.width != 0 && frame.size.height != 0)
                cell->drawInRect(frame);
        }
    }
}
