#include "Platform/UIKit/UIImageView.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <algorithm>
#include <cmath>

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
    auto image = shownImage();
    auto c = UIGraphicsGetCurrentContext();
    if (!image || !c)
        return;
    CGRect rect = imageRect();
    CGAffineTransform t = CGContextGetCTM(c);
    CGRect device = CGRectApplyAffineTransform(rect, t);
    CGRect whole = CGRectIntegral(device);
    const auto& pixels = *image->CGImage();
    bool copied = CGRectEqualToRect(device, whole) && t.a > 0 && t.d < 0 && t.b == 0 && t.c == 0
        && size_t(whole.size.width) == pixels.width() && size_t(whole.size.height) == pixels.height();
    // Turned pictures, very large ones, and anything bound for a document
    // rather than pixels, are drawn as they come.
    constexpr double kLargestKept = 4096.0 * 1024;
    if (copied || !dynamic_cast<CGBitmapContext*>(c.get()) || t.b != 0 || t.c != 0 || CGRectIsEmpty(whole)
        || double(whole.size.width) * double(whole.size.height) > kLargestKept) {
        image->drawInContext(c, rect);
        return;
    }
    CGAffineTransform scale = CGAffineTransformMake(t.a, 0, 0, t.d, 0, 0);
    CGPoint offset = CGPointMake(device.origin.x - whole.origin.x, device.origin.y - whole.origin.y);
    CGInterpolationQuality quality = CGContextGetInterpolationQuality(c);
    auto& kept = m_rendition;
    if (!kept.picture || kept.image != image || !CGAffineTransformEqualToTransform(kept.scale, scale)
        || !CGSizeEqualToSize(kept.size, device.size) || !CGPointEqualToPoint(kept.offset, offset) || kept.quality != quality) {
        auto bitmap = CGBitmapContextCreate(nullptr, size_t(whole.size.width), size_t(whole.size.height), 8, 0,
                                            CGColorSpaceCreateDeviceRGB(),
                                            kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
        if (!bitmap) {
            image->drawInContext(c, rect);
            return;
        }
        CGContextConcatCTM(bitmap, CGAffineTransformConcat(t, CGAffineTransformMakeTranslation(-whole.origin.x,
                                                                                             -whole.origin.y)));
        CGContextSetInterpolationQuality(bitmap, quality);
        image->drawInContext(bitmap, rect);
        kept = Rendition { image, scale, device.size, offset, quality, CGBitmapContextFinishIntoImage(bitmap) };
    }
    // Laid down on whole device pixels, unscaled: a plain copy under the context's alpha and blend mode.
    CGContextSaveGState(c);
    c->state().ctm = CGAffineTransformIdentity;
    c->state().shadowColor = CGColor { 0, 0, 0, 0 };
    c->applyTransform();
    CGContextDrawImage(c, whole, kept.picture);
    CGContextRestoreGState(c);
}
