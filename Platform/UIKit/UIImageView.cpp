#include "Platform/UIKit/UIImageView.h"

#include "Platform/UIKit/UIImage.h"

#include <algorithm>

UIImageView::UIImageView(CGRect frame)
    : UIView(frame)
{
    setUserInteractionEnabled(false);
}

UIImageView::UIImageView(std::shared_ptr<UIImage> image)
    : UIImageView(CGRectZero)
{
    if (image) {
        CGSize s = image->size();
        setFrame(CGRectMake(0, 0, s.width, s.height));
    }
    m_image = std::move(image);
}

void UIImageView::setImage(std::shared_ptr<UIImage> image)
{
    m_image = std::move(image);
    setNeedsDisplay();
}

void UIImageView::setHighlightedImage(std::shared_ptr<UIImage> image)
{
    m_highlightedImage = std::move(image);
    setNeedsDisplay();
}

void UIImageView::setHighlighted(bool on)
{
    m_highlighted = on;
    setNeedsDisplay();
}

std::shared_ptr<UIImage> UIImageView::shownImage() const
{
    return m_highlighted && m_highlightedImage ? m_highlightedImage : m_image;
}

CGSize UIImageView::sizeThatFits(CGSize) const
{
    auto image = shownImage();
    return image ? image->size() : CGSizeZero;
}

CGRect UIImageView::imageRect() const
{
    CGRect b = bounds();
    auto image = shownImage();
    if (!image)
        return CGRectZero;
    CGSize s = image->size();
    CGFloat w = b.size.width, h = b.size.height;
    switch (contentMode()) {
    case UIViewContentModeScaleToFill:
    case UIViewContentModeRedraw:
        return b;
    case UIViewContentModeScaleAspectFit:
    case UIViewContentModeScaleAspectFill: {
        if (s.width <= 0 || s.height <= 0)
            return b;
        CGFloat sx = w / s.width, sy = h / s.height;
        CGFloat k = contentMode() == UIViewContentModeScaleAspectFit ? std::min(sx, sy) : std::max(sx, sy);
        CGSize d { s.width * k, s.height * k };
        return CGRectMake(b.origin.x + (w - d.width) / 2, b.origin.y + (h - d.height) / 2, d.width, d.height);
    }
    default:
        break;
    }
    CGFloat x = (w - s.width) / 2, y = (h - s.height) / 2;
    switch (contentMode()) {
    case UIViewContentModeTop: y = 0; break;
    case UIViewContentModeBottom: y = h - s.height; break;
    case UIViewContentModeLeft: x = 0; break;
    case UIViewContentModeRight: x = w - s.width; break;
    case UIViewContentModeTopLeft: x = 0; y = 0; break;
    case UIViewContentModeTopRight: x = w - s.width; y = 0; break;
    case UIViewContentModeBottomLeft: x = 0; y = h - s.height; break;
    case UIViewContentModeBottomRight: x = w - s.width; y = h - s.height; break;
    default: break;
    }
    return CGRectMake(b.origin.x + x, b.origin.y + y, s.width, s.height);
}

void UIImageView::drawRect(CGRect)
{
    if (auto image = shownImage())
        image->drawInRect(imageRect());
}
