#include "Classes/Library/PdfPagebarThumb.h"

#include "Platform/UIKit/UIColor.h"

PdfPagebarThumb::PdfPagebarThumb(CGRect frame, bool small)
    : PdfThumbView(frame)
{
    auto background = UIColor::colorWithWhiteAlpha(0.8f, small ? 0.6f : 0.7f);
    setBackgroundColor(background);
    m_imageView->setBackgroundColor(background);
    m_imageView->layer()->setBorderColor(UIColor::colorWithWhiteAlpha(0.4f, 0.6f)->CGColor());
    m_imageView->layer()->setBorderWidth(1);
}
