#include "Platform/CoreGraphics/CGBitmapContext.h"

#include <cairo.h>

#include <bit>
#include <cstring>

namespace {

constexpr bool littleEndian = std::endian::native == std::endian::little;

uint32_t alphaInfo(uint32_t info) { return info & kCGBitmapAlphaInfoMask; }
uint32_t byteOrder(uint32_t info) { return info & kCGBitmapByteOrderMask; }

bool hasAlphaChannel(uint32_t info)
{
    uint32_t a = alphaInfo(info);
    return a == kCGImageAlphaPremultipliedLast || a == kCGImageAlphaPremultipliedFirst;
}

// Byte positions of R, G, B and A (or the skipped byte) within a pixel of the
// given layout.
struct Layout {
    int r, g, b, a;
};

Layout layoutOf(uint32_t info)
{
    uint32_t a = alphaInfo(info);
    bool alphaFirst = a == kCGImageAlphaPremultipliedFirst || a == kCGImageAlphaNoneSkipFirst;
    // Big-endian order of the 32-bit word: A R G B (first) or R G B A (last).
    Layout big = alphaFirst ? Layout { 1, 2, 3, 0 } : Layout { 0, 1, 2, 3 };
    Layout l = big;
    if (byteOrder(info) == kCGBitmapByteOrder32Little)
        l = { 3 - big.r, 3 - big.g, 3 - big.b, 3 - big.a };
    return l;
}

}

CGBitmapContext::CGBitmapContext(cairo_t* cr, cairo_surface_t* surface, size_t width, size_t height,
    uint8_t* clientData, size_t bytesPerRow, uint32_t bitmapInfo, Data ownStorage)
    : CGContext(cr, CGAffineTransformMake(1, 0, 0, -1, 0, CGFloat(height)))
    , m_surface(cairo_surface_reference(surface))
    , m_width(width)
    , m_height(height)
    , m_client(clientData)
    , m_bytesPerRow(bytesPerRow)
    , m_bitmapInfo(bitmapInfo)
    , m_ownStorage(std::move(ownStorage))
{
    if (!m_client)
        m_client = m_ownStorage.data();
    if (drawsInPlace())
        return;
    // Bring the caller's starting pixels into the cairo image.
    cairo_surface_flush(m_surface);
    uint8_t* dst = cairo_image_surface_get_data(m_surface);
    int stride = cairo_image_surface_get_stride(m_surface);
    Layout l = layoutOf(m_bitmapInfo);
    bool alpha = hasAlphaChannel(m_bitmapInfo);
    for (size_t y = 0; y < m_height; ++y)
        for (size_t x = 0; x < m_width; ++x) {
            const uint8_t* p = m_client + y * m_bytesPerRow + x * 4;
            uint32_t a = alpha ? p[l.a] : 255;
            uint32_t v = (a << 24) | (uint32_t(p[l.r]) << 16) | (uint32_t(p[l.g]) << 8) | p[l.b];
            std::memcpy(dst + y * size_t(stride) + x * 4, &v, 4);
        }
    cairo_surface_mark_dirty(m_surface);
}

CGBitmapContext::~CGBitmapContext() { cairo_surface_destroy(m_surface); }

bool CGBitmapContext::hasAlpha() const { return hasAlphaChannel(m_bitmapInfo); }

bool CGBitmapContext::drawsInPlace() const
{
    uint32_t a = alphaInfo(m_bitmapInfo);
    bool first = a == kCGImageAlphaPremultipliedFirst || a == kCGImageAlphaNoneSkipFirst;
    uint32_t order = byteOrder(m_bitmapInfo);
    bool nativeOrder = littleEndian ? order == kCGBitmapByteOrder32Little : order != kCGBitmapByteOrder32Little;
    return first && nativeOrder && m_bytesPerRow % 4 == 0;
}

void CGBitmapContext::didDraw()
{
    if (m_finished)
        return;
    cairo_surface_flush(m_surface);
    if (drawsInPlace())
        return;
    const uint8_t* src = cairo_image_surface_get_data(m_surface);
    int stride = cairo_image_surface_get_stride(m_surface);
    Layout l = layoutOf(m_bitmapInfo);
    bool alpha = hasAlphaChannel(m_bitmapInfo);
    for (size_t y = 0; y < m_height; ++y)
        for (size_t x = 0; x < m_width; ++x) {
            uint32_t v;
            std::memcpy(&v, src + y * size_t(stride) + x * 4, 4);
            uint8_t* p = m_client + y * m_bytesPerRow + x * 4;
            p[l.r] = uint8_t(v >> 16);
            p[l.g] = uint8_t(v >> 8);
            p[l.b] = uint8_t(v);
            if (alpha)
                p[l.a] = uint8_t(v >> 24);
        }
}

CGImageRef CGBitmapContext::makeImage()
{
    if (m_finished)
        return nullptr;
    cairo_surface_flush(m_surface);
    const uint8_t* src = cairo_image_surface_get_data(m_surface);
    size_t stride = size_t(cairo_image_surface_get_stride(m_surface));
    Data pixels(src, src + stride * m_height);
    return std::make_shared<const CGImage>(m_width, m_height, hasAlpha(), std::move(pixels), stride);
}

CGImageRef CGBitmapContext::finishIntoImage()
{
    if (m_finished)
        return nullptr;
    CGImageRef image;
    if (drawsInPlace() && !m_ownStorage.empty() && m_client == m_ownStorage.data()) {
        cairo_surface_flush(m_surface);
        image = std::make_shared<const CGImage>(m_width, m_height, hasAlpha(), std::move(m_ownStorage), m_bytesPerRow);
        m_client = nullptr;
    } else {
        image = makeImage();
    }
    // Cairo refuses to draw on a finished surface, so the image's pixels stay as they are.
    cairo_surface_finish(m_surface);
    m_finished = true;
    return image;
}

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent, size_t bytesPerRow,
    const CGColorSpaceRef& space, uint32_t bitmapInfo)
{
    uint32_t a = alphaInfo(bitmapInfo);
    bool supported = a == kCGImageAlphaPremultipliedLast || a == kCGImageAlphaPremultipliedFirst
        || a == kCGImageAlphaNoneSkipLast || a == kCGImageAlphaNoneSkipFirst;
    if (!space || bitsPerComponent != 8 || !supported)
        return nullptr;
    if (width == 0 || height == 0 || width > CGImageMaxSide || height > CGImageMaxSide
        || width * height > CGImageMaxPixels)
        return nullptr;
    if (bytesPerRow == 0)
        bytesPerRow = width * 4;
    if (bytesPerRow < width * 4)
        return nullptr;
    Data own;
    if (!data)
        own.assign(bytesPerRow * height, 0);
    auto* client = data ? static_cast<uint8_t*>(data) : own.data();
    cairo_format_t format = hasAlphaChannel(bitmapInfo) ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
    uint32_t order = byteOrder(bitmapInfo);
    bool first = a == kCGImageAlphaPremultipliedFirst || a == kCGImageAlphaNoneSkipFirst;
    bool nativeOrder = littleEndian ? order == kCGBitmapByteOrder32Little : order != kCGBitmapByteOrder32Little;
    cairo_surface_t* surface;
    if (first && nativeOrder && bytesPerRow % 4 == 0)
        surface = cairo_image_surface_create_for_data(client, format, int(width), int(height), int(bytesPerRow));
    else
        surface = cairo_image_surface_create(format, int(width), int(height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_t* cr = cairo_create(surface);
    auto context = std::make_shared<CGBitmapContext>(
        cr, surface, width, height, data ? client : nullptr, bytesPerRow, bitmapInfo, std::move(own));
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return context;
}

void* CGBitmapContextGetData(const CGContextRef& c)
{
    auto* b = dynamic_cast<CGBitmapContext*>(c.get());
    return b ? b->data() : nullptr;
}

size_t CGBitmapContextGetWidth(const CGContextRef& c)
{
    auto* b = dynamic_cast<CGBitmapContext*>(c.get());
    return b ? b->width() : 0;
}

size_t CGBitmapContextGetHeight(const CGContextRef& c)
{
    auto* b = dynamic_cast<CGBitmapContext*>(c.get());
    return b ? b->height() : 0;
}

size_t CGBitmapContextGetBytesPerRow(const CGContextRef& c)
{
    auto* b = dynamic_cast<CGBitmapContext*>(c.get());
    return b ? b->bytesPerRow() : 0;
}

CGImageRef CGBitmapContextCreateImage(const CGContextRef& c)
{
    auto* b = dynamic_cast<CGBitmapContext*>(c.get());
    return b ? b->makeImage() : nullptr;
}

CGImageRef CGBitmapContextFinishIntoImage(const CGContextRef& c)
{
    auto* b = dynamic_cast<CGBitmapContext*>(c.get());
    return b ? b->finishIntoImage() : nullptr;
}
