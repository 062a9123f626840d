#include "Classes/Login/AutoInputTextField.h"

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"

void AutoInputTextField::showAutoTextWithPointX(std::optional<std::string> text, CGFloat x)
{
    m_autoTextStr = std::move(text);
    m_x = x;
    setNeedsDisplay();
}

void AutoInputTextField::drawRect(CGRect rect)
{
    UITextField::drawRect(rect);
    if (!m_autoTextStr)
        return;
    auto context = UIGraphicsGetCurrentContext();
    if (!context)
        return;
    CGContextSetFillColorWithColor(
        context, UIColor::colorWithRedGreenBlueAlpha(128 / 255.0, 128 / 255.0, 128 / 255.0, 1)->CGColor());
    drawAtPointWithFont(*m_autoTextStr, CGPointMake(m_x, 9), font());
}
