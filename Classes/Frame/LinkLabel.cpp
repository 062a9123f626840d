#include "Classes/Frame/LinkLabel.h"

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGraphics.h"

LinkLabel::LinkLabel(CGRect frame)
    : UILabel(frame)
{
    setLineBreakMode(UILineBreakModeTailTruncation);
    setFont(UIFont::fontWithNameSize("Verdana-Italic", 18));
    setBackgroundColor(UIColor::clearColor());
    setUserInteractionEnabled(true);
    setNumberOfLines(0);
    setHighlightedTextColor(UIColor::blueColor());
}

void LinkLabel::drawRect(CGRect rect)
{
    UILabel::drawRect(rect);
    auto context = UIGraphicsGetCurrentContext();
    if (!context || text().empty())
        return;
    const CGRect b = bounds();
    const CGFloat width
        = std::min(sizeWithFontForWidthLineBreakMode(text(), font(), b.size.width, UILineBreakModeTailTruncation).width,
            b.size.width);
    auto color = isHighlighted() && highlightedTextColor() ? highlightedTextColor() : textColor();
    const CGFloat y = b.size.height - 10;
    CGFloat x0 = 0;
    if (textAlignment() == UITextAlignmentRight)
        x0 = b.size.width - width;
    CGContextSetStrokeColorWithColor(context, color->CGColor());
    CGContextSetLineWidth(context, 1);
    CGContextMoveToPoint(context, x0, y);
    CGContextAddLineToPoint(context, x0 + width, y);
    CGContextStrokePath(context);
}

void LinkLabel::touchesBeganWithEvent(const UITouchSet&, UIEvent*) { setHighlighted(true); }

void LinkLabel::finishTouch()
{
    setHighlighted(false);
    auto keep = shared_from_this();
    if (auto d = m_delegate.lock())
        d->linkLabelToucheTouchesWtihTag(*this, tag());
}

void LinkLabel::touchesEndedWithEvent(const UITouchSet&, UIEvent*) { finishTouch(); }

void LinkLabel::touchesCancelledWithEvent(const UITouchSet&, UIEvent*) { finishTouch(); }
