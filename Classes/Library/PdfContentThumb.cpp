#include "Classes/Library/PdfContentThumb.h"

PdfContentThumb::PdfContentThumb(CGRect frame)
    : PdfThumbView(frame)
{
    m_imageView->setContentMode(UIViewContentModeScaleAspectFill);
    m_imageView->setClipsToBounds(true);
}
