#pragma once

// Contexts that draw into memory, in the pixel layouts the platform names.
// Layouts that are cairo's own (32-bit little-endian words with alpha or the
// skipped byte first) draw straight into the memory; the others draw into a
// cairo image and are copied out to the memory after every operation, so the
// caller's bytes are always current.

#include "Platform/CoreGraphics/CGContext.h"

#include <cstdint>

using CGImageAlphaInfo = uint32_t;
inline constexpr uint32_t kCGImageAlphaNone = 0;
inline constexpr uint32_t kCGImageAlphaPremultipliedLast = 1;
inline constexpr uint32_t kCGImageAlphaPremultipliedFirst = 2;
inline constexpr uint32_t kCGImageAlphaLast = 3;
inline constexpr uint32_t kCGImageAlphaFirst = 4;
inline constexpr uint32_t kCGImageAlphaNoneSkipLast = 5;
inline constexpr uint32_t kCGImageAlphaNoneSkipFirst = 6;

inline constexpr uint32_t kCGBitmapAlphaInfoMask = 0x1F;
inline constexpr uint32_t kCGBitmapByteOrderMask = 0x7000;
inline constexpr uint32_t kCGBitmapByteOrderDefault = 0;
inline constexpr uint32_t kCGBitmapByteOrder32Little = 2 << 12;
inline constexpr uint32_t kCGBitmapByteOrder32Big = 4 << 12;

class CGBitmapContext final : public CGContext {
public:
    // Use CGBitmapContextCreate.
    CGBitmapContext(_cairo* cr, struct _cairo_surface* surface, size_t width, size_t height, uint8_t* clientData,
        size_t bytesPerRow, uint32_t bitmapInfo, Data ownStorage);
    ~CGBitmapContext() override;

    void didDraw() override;

    size_t width() const { return m_width; }
    size_t height() const { return m_height; }
    size_t bytesPerRow() const { return m_bytesPerRow; }
    uint32_t bitmapInfo() const { return m_bitmapInfo; }
    uint8_t* data() { return m_client; }
    bool hasAlpha() const;
    // A snapshot of the pixels as an image.
    CGImageRef makeImage();
    // The pixels as an image, handed over without a copy when the context owns
    // its memory; the context draws nothing more afterwards.
    CGImageRef finishIntoImage();
    // The cairo image the context draws into (its pixels in the drawing engine's layout).
    struct _cairo_surface* surface() const { return m_surface; }

private:
    bool drawsInPlace() const;

    struct _cairo_surface* m_surface;
    size_t m_width;
    size_t m_height;
    uint8_t* m_client;
    size_t m_bytesPerRow;
    uint32_t m_bitmapInfo;
    Data m_ownStorage;
    bool m_finished = false;
};

// Null when the parameters describe no layout we draw into (only 8 bits a
// component with 32-bit pixels, RGB, is supported), when the size is zero or
// too large, or when bytesPerRow is too small. data may be null: the context
// then owns its memory. The memory starts as it is given (or cleared).
CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent, size_t bytesPerRow,
    const CGColorSpaceRef& space, uint32_t bitmapInfo);
void* CGBitmapContextGetData(const CGContextRef& c);
size_t CGBitmapContextGetWidth(const CGContextRef& c);
size_t CGBitmapContextGetHeight(const CGContextRef& c);
size_t CGBitmapContextGetBytesPerRow(const CGContextRef& c);
CGImageRef CGBitmapContextCreateImage(const CGContextRef& c);
// For a picture drawn once and then kept (a view rendered to an image): the
// image the context's pixels become, without a copy where the context owns
// them. Drawing into the context afterwards does nothing.
CGImageRef CGBitmapContextFinishIntoImage(const CGContextRef& c);
// Draws the bitmap's pixels as they are now, the way CGContextDrawImage draws
// an image, without the copy a snapshot takes: for a bitmap that is drawn into
// and shown again and again (a tiled layer's tile).
void CGContextDrawBitmap(const CGContextRef& c, CGRect rect, const CGContextRef& bitmap);
