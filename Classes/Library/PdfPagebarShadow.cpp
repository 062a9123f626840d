#include "Classes/Library/PdfPagebarShadow.h"

#include "Classes/Library/GradientFill.h"
#include "Platform/UIKit/UIColor.h"

PdfPagebarShadow::PdfPagebarShadow(CGRect frame)
    : UIView(frame)
{
    setAutoresizesSubviews(false);
    setUserInteractionEnabled(false);
    setContentMode(UIViewContentModeRedraw);
    setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    setBackgroundColor(UIColor::clearColor());
}

void PdfPagebarShadow::drawRect(CGRect)
{
    GradientFillBounds(bounds(), { 0.42f, 0.42f, 0.42f, 0 }, { 0.42f, 0.42f, 0.42f, 1 });
}
