#include "Platform/UIKit/UIImageView.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool clearSpan(const CGImage& picture, size_t y, size_t x0, size_t x1)
{
    const uint8_t* row = picture.pixels().data() + y * picture.stride();
    for (size_t x = x0; x < x1; ++x) {
        uint32_t pixel;
        std::memcpy(&pixel, row + x * 4, 4);
        if (pixel)
            return false;
    }
    return true;
}

// A wholly clear rectangle around the picture's centre (rows counted from the
// top), grown along the middle row and then by whole rows; empty when the
// centre shows.
CGRect clearMiddle(const CGImage& picture)
{
    size_t w = picture.width(), h = picture.height();
    if (!picture.hasAlpha() || w < 3 || h < 3)
        return CGRectNull;
    size_t cy = h / 2, cx = w / 2;
    if (!clearSpan(picture, cy, cx, cx + 1))
        return CGRectNull;
    size_t x0 = cx, x1 = cx + 1;
    while (x0 > 0 && clearSpan(picture, cy, x0 - 1, x0))
        --x0;
    while (x1 < w && clearSpan(picture, cy, x1, x1 + 1))
        ++x1;
    size_t y0 = cy, y1 = cy + 1;
    while (y0 > 0 && clearSpan(picture, y0 - 1, x0, x1))
        --y0;
    while (y1 < h && clearSpan(picture, y1, x0, x1))
        ++y1;
    return CGRectMake(CGFloat(x0), CGFloat(y0), CGFloat(x1 - x0), CGFloat(y1 - y0));
}

}  // namespace

// The picture whole, or, when at least half of it is a clear middle, the
// four bands around that middle: laying clear pixels over others changes
// nothing, and skipping them spares most of the work.
std::vector<UIImageView::Piece> UIImageView::piecesOf(const CGImageRef& picture)
{
    CGRect all = CGRectMake(0, 0, CGFloat(picture->width()), CGFloat(picture->height()));
    CGRect middle = clearMiddle(*picture);
    if (CGRectIsNull(middle) || middle.size.width * middle.size.height * 2 < all.size.width * all.size.height)
        return { { all, picture } };
    CGRect bands[] = {
        CGRectMake(0, 0, all.size.width, middle.origin.y),
        CGRectMake(0, CGRectGetMaxY(middle), all.size.width, all.size.height - CGRectGetMaxY(middle)),
        CGRectMake(0, middle.origin.y, middle.origin.x, middle.size.height),
        CGRectMake(CGRectGetMaxX(middle), middle.origin.y, all.size.width - CGRectGetMaxX(middle), middle.size.height),
    };
    std::vector<Piece> pieces;
    for (CGRect band : bands)
        if (!CGRectIsEmpty(band))
            pieces.push_back({ band, CGImageCreateWithImageInRect(picture, band) });
    return pieces;
}

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
    case UIViewContentModeTop:
        y = 0;
        break;
    case UIViewContentModeBottom:
        y = h - s.height;
        break;
    case UIViewContentModeLeft:
        x = 0;
        break;
    case UIViewContentModeRight:
        x = w - s.width;
        break;
    case UIViewContentModeTopLeft:
        x = 0;
        y = 0;
        break;
    case UIViewContentModeTopRight:
        x = w - s.width;
        y = 0;
        break;
    case UIViewContentModeBottomLeft:
        x = 0;
        y = h - s.height;
        break;
    case UIViewContentModeBottomRight:
        x = w - s.width;
        y = h - s.height;
        break;
    default:
        break;
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
    if (!kept.image || kept.image != image || !CGAffineTransformEqualToTransform(kept.scale, scale)
        || !CGSizeEqualToSize(kept.size, device.size) || !CGPointEqualToPoint(kept.offset, offset)
        || kept.quality != quality) {
        auto bitmap = CGBitmapContextCreate(nullptr, size_t(whole.size.width), size_t(whole.size.height), 8, 0,
            CGColorSpaceCreateDeviceRGB(), kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
        if (!bitmap) {
            image->drawInContext(c, rect);
            return;
        }
        CGContextConcatCTM(
            bitmap, CGAffineTransformConcat(t, CGAffineTransformMakeTranslation(-whole.origin.x, -whole.origin.y)));
        CGContextSetInterpolationQuality(bitmap, quality);
        image->drawInContext(bitmap, rect);
        auto picture = CGBitmapContextFinishIntoImage(bitmap);
        if (!picture) {
            image->drawInContext(c, rect);
            return;
        }
        kept = Rendition { image, scale, device.size, offset, quality, piecesOf(picture) };
    }
    // Leaving out the clear middle changes nothing only where pictures are
    // laid over what is there; any other blend draws the image as it comes.
    bool split = kept.pieces.size() != 1 || !CGSizeEqualToSize(kept.pieces.front().pixels.size, whole.size);
    if (split && c->state().blendMode != kCGBlendModeNormal) {
        image->drawInContext(c, rect);
        return;
    }
    // Laid down on whole device pixels, unscaled: a plain copy under the context's alpha and blend mode.
    CGContextSaveGState(c);
    c->state().ctm = CGAffineTransformIdentity;
    c->state().shadowColor = CGColor { 0, 0, 0, 0 };
    c->applyTransform();
    for (const auto& piece : kept.pieces) {
        // Device space has y upward: the picture's first row lies at the top of `whole`.
        CGRect place = CGRectMake(whole.origin.x + piece.pixels.origin.x,
            CGRectGetMaxY(whole) - CGRectGetMaxY(piece.pixels), piece.pixels.size.width, piece.pixels.size.height);
        CGContextDrawImage(c, place, piece.picture);
    }
    CGContextRestoreGState(c);
}
