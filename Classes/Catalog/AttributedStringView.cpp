#include "Classes/Catalog/AttributedStringView.h"

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGPath.h"
#include "Platform/CoreText/CoreText.h"
#include "Platform/UIKit/NSAttributedString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"

AttributedStringView::AttributedStringView(CGRect frame, std::shared_ptr<NSAttributedString> attributedString)
    : UIView(frame)
    , m_attributedString(std::move(attributedString))
{
    setBackgroundColor(UIColor::whiteColor());
}

void AttributedStringView::drawRect(CGRect)
{
    auto context = UIGraphicsGetCurrentContext();
    if (!context || !m_attributedString)
        return;
    CGContextSaveGState(context);
    CGContextSetTextMatrix(context, CGAffineTransformIdentity);
    // The layout engine's space is y upward.
    CGContextTranslateCTM(context, 0, bounds().size.height);
    CGContextScaleCTM(context, 1, -1);
    auto path = CGPathCreateMutable();
    CGPathAddRect(path, nullptr, bounds());
    auto framesetter = CTFramesetterCreateWithAttributedString(m_attributedString->attributedText());
    auto frame
        = CTFramesetterCreateFrame(framesetter, CFRangeMake(0, static_cast<long>(m_attributedString->length())), path);
    CTFrameDraw(frame, context);
    CGContextRestoreGState(context);
}
