#include "Classes/Library/PdfThumbView.h"

#include "Platform/Foundation/NSOperation.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"

PdfThumbView::PdfThumbView(CGRect frame)
    : UIView(frame)
{
    setAutoresizesSubviews(false);
    setUserInteractionEnabled(false);
    setContentMode(UIViewContentModeRedraw);
    setAutoresizingMask(UIViewAutoresizingNone);
    setBackgroundColor(UIColor::clearColor());
    m_imageView = std::make_shared<UIImageView>(bounds());
    m_imageView->setAutoresizesSubviews(false);
    m_imageView->setUserInteractionEnabled(false);
    m_imageView->setAutoresizingMask(UIViewAutoresizingNone);
    m_imageView->setContentMode(UIViewContentModeScaleAspectFit);
    addSubview(m_imageView);
}

PdfThumbView::~PdfThumbView() = default;

void PdfThumbView::showImage(const std::shared_ptr<UIImage>& image) { m_imageView->setImage(image); }

void PdfThumbView::reuse()
{
    m_targetTag = 0;
    if (auto running = operation())
        running->cancel();
    m_imageView->setImage(nullptr);
}

void PdfThumbView::willMoveToSuperview(UIView* newSuperview)
{
    if (newSuperview)
        return;
    m_targetTag = 0;
    if (auto running = operation())
        running->cancel();
}

std::shared_ptr<NSOperation> PdfThumbView::operation() const
{
    std::lock_guard lock(m_operationLock);
    return m_operation;
}

void PdfThumbView::setOperation(std::shared_ptr<NSOperation> operation)
{
    std::shared_ptr<NSOperation> old;
    {
        std::lock_guard lock(m_operationLock);
        old = std::exchange(m_operation, std::move(operation));
    }
}
