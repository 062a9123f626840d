#pragma once

// A decoded bitmap image. Pixels are kept in the drawing engine's own layout
// (32 bits a pixel, native byte order, premultiplied alpha; an opaque image
// keeps its unused alpha byte), so drawing an image never converts it.
// Images are immutable once made and may be shared between threads.

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <memory>
#include <optional>

struct _cairo_surface;

// One pixel as 8-bit components without premultiplication.
struct CGPixel {
    uint8_t red = 0, green = 0, blue = 0, alpha = 0;
    bool operator==(const CGPixel&) const = default;
};

class CGImage {
public:
    // Takes pixels in the native layout described above; stride is in bytes.
    CGImage(size_t width, size_t height, bool hasAlpha, Data pixels, size_t stride);

    size_t width() const { return m_width; }
    size_t height() const { return m_height; }
    size_t stride() const { return m_stride; }
    bool hasAlpha() const { return m_hasAlpha; }
    const Data& pixels() const { return m_pixels; }
    CGPixel pixelAt(size_t x, size_t y) const;

    // A new surface over this image's pixels; the caller destroys it and keeps
    // the image alive meanwhile.
    _cairo_surface* createSurface() const;

    // Every pixel as non-premultiplied RGBA bytes, row after row.
    Data rgbaBytes() const;

private:
    size_t m_width;
    size_t m_height;
    bool m_hasAlpha;
    Data m_pixels;
    size_t m_stride;
};

using CGImageRef = std::shared_ptr<const CGImage>;

size_t CGImageGetWidth(const CGImageRef& image);
size_t CGImageGetHeight(const CGImageRef& image);

// The part of the image inside rect (in pixels, clipped to the image); null
// when nothing of the image lies inside.
CGImageRef CGImageCreateWithImageInRect(const CGImageRef& image, CGRect rect);

// Largest image the decoders accept, so a hostile header cannot make us
// allocate gigabytes.
inline constexpr size_t CGImageMaxPixels = size_t(64) * 1024 * 1024;
inline constexpr size_t CGImageMaxSide = 32768;
// Largest image the PNG and JPEG decoders accept: four times a tablet screen
// at twice its scale, so a tiny file declaring a huge frame costs 64 MB at
// most, not a quarter of a gigabyte.
inline constexpr size_t CGImageMaxDecodedPixels = size_t(4096) * 4096;

// PNG or JPEG, chosen by the data's signature; null when the data is neither
// or does not decode.
CGImageRef CGImageCreateWithEncodedData(const Data& data);
CGImageRef CGImageCreateWithPNGData(const Data& data);
CGImageRef CGImageCreateWithJPEGData(const Data& data);
// A JPEG decoded at the smallest of the codec's scales (n/8 of each side, n
// from 1 to 8) that still gives at least minWidth x minHeight pixels as
// stored, before any turn its EXIF data records: a thumbnail's source without
// decoding every pixel of a large photo. Null as for CGImageCreateWithJPEGData.
CGImageRef CGImageCreateWithJPEGDataAtLeast(const Data& data, size_t minWidth, size_t minHeight);
// Encoders; nullopt when the image is null or encoding fails. JPEG quality runs
// from 0 (smallest) to 1 (best).
std::optional<Data> CGImageCreatePNGData(const CGImageRef& image);
std::optional<Data> CGImageCreateJPEGData(const CGImageRef& image, CGFloat quality);
