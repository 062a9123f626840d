#include "Platform/CoreGraphics/CGImage.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

CGImage::CGImage(size_t width, size_t height, bool hasAlpha, Data pixels, size_t stride)
    : m_width(width)
    , m_height(height)
    , m_hasAlpha(hasAlpha)
    , m_pixels(std::move(pixels))
    , m_stride(stride)
{
}

CGPixel CGImage::pixelAt(size_t x, size_t y) const
{
    if (x >= m_width || y >= m_height)
        return {};
    uint32_t v;
    std::memcpy(&v, m_pixels.data() + y * m_stride + x * 4, 4);
    uint8_t a = m_hasAlpha ? uint8_t(v >> 24) : 255;
    uint8_t r = uint8_t(v >> 16), g = uint8_t(v >> 8), b = uint8_t(v);
    if (a == 0)
        return { 0, 0, 0, 0 };
    if (a != 255) {
        r = uint8_t(std::min(255, (r * 255 + a / 2) / a));
        g = uint8_t(std::min(255, (g * 255 + a / 2) / a));
        b = uint8_t(std::min(255, (b * 255 + a / 2) / a));
    }
    return { r, g, b, a };
}

Data CGImage::rgbaBytes() const
{
    Data out(m_width * m_height * 4);
    for (size_t y = 0; y < m_height; ++y)
        for (size_t x = 0; x < m_width; ++x) {
            CGPixel p = pixelAt(x, y);
            uint8_t* o = out.data() + (y * m_width + x) * 4;
            o[0] = p.red;
            o[1] = p.green;
            o[2] = p.blue;
            o[3] = p.alpha;
        }
    return out;
}

_cairo_surface* CGImage::createSurface() const
{
    // Cairo only reads from an image used as a source, so the const cast is safe.
    return cairo_image_surface_create_for_data(const_cast<uint8_t*>(m_pixels.data()),
        m_hasAlpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, int(m_width), int(m_height), int(m_stride));
}

size_t CGImageGetWidth(const CGImageRef& image) { return image ? image->width() : 0; }
size_t CGImageGetHeight(const CGImageRef& image) { return image ? image->height() : 0; }

CGImageRef CGImageCreateWithImageInRect(const CGImageRef& image, CGRect rect)
{
    if (!image)
        return nullptr;
    CGRect r
        = CGRectIntersection(CGRectIntegral(rect), CGRectMake(0, 0, CGFloat(image->width()), CGFloat(image->height())));
    if (CGRectIsEmpty(r))
        return nullptr;
    size_t x0 = size_t(r.origin.x), y0 = size_t(r.origin.y);
    size_t w = size_t(r.size.width), h = size_t(r.size.height);
    size_t stride = w * 4;
    Data pixels(stride * h);
    for (size_t y = 0; y < h; ++y)
        std::memcpy(pixels.data() + y * stride, image->pixels().data() + (y0 + y) * image->stride() + x0 * 4, stride);
    return std::make_shared<const CGImage>(w, h, image->hasAlpha(), std::move(pixels), stride);
}

CGImageRef CGImageCreateWithEncodedData(const Data& data)
{
    static const uint8_t png[] = { 0x89, 'P', 'N', 'G' };
    if (data.size() >= 4 && std::equal(png, png + 4, data.begin()))
        return CGImageCreateWithPNGData(data);
    if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return CGImageCreateWithJPEGData(data);
    return nullptr;
}
