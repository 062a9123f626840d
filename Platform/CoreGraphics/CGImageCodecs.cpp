// PNG through libpng's simplified interface and JPEG through libjpeg, both to
// and from the native pixel layout of CGImage.

#include "Platform/CoreGraphics/CGImage.h"

#include <png.h>
// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

bool sizeAcceptable(size_t w, size_t h)
{
    return w > 0 && h > 0 && w <= CGImageMaxSide && h <= CGImageMaxSide && w * h <= CGImageMaxDecodedPixels;
}

constexpr bool littleEndian = std::endian::native == std::endian::little;

// Unpremultiplied bytes in the order B, G, R, A (A only when withAlpha).
Data unpremultipliedBGR(const CGImage& image, bool withAlpha)
{
    size_t channels = withAlpha ? 4 : 3;
    Data out(image.width() * image.height() * channels);
    for (size_t y = 0; y < image.height(); ++y)
        for (size_t x = 0; x < image.width(); ++x) {
            CGPixel p = image.pixelAt(x, y);
            uint8_t* o = out.data() + (y * image.width() + x) * channels;
            o[0] = p.blue;
            o[1] = p.green;
            o[2] = p.red;
            if (withAlpha)
                o[3] = p.alpha;
        }
    return out;
}

struct JPEGError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JPEGError*>(cinfo->err);
    longjmp(err->jump, 1);
}

void jpegSilence(j_common_ptr) { }

// Warnings stay silent, except that data ending before the image does is an
// error: the library would fill the rest with grey and call it whole.
void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        jpegErrorExit(cinfo);
}

// Copies 16-bit linear, premultiplied samples (as the library gives them in
// R, G, B, A order) into the drawing engine's 8-bit layout, sRGB encoded and
// premultiplied.
void linearToNative(const png_uint_16* in, size_t pixelCount, uint8_t* out, bool hasAlpha)
{
    auto encode = [](double linear) {
        linear = std::clamp(linear, 0.0, 1.0);
        return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
    };
    for (size_t i = 0; i < pixelCount; ++i, in += 4, out += 4) {
        double a = in[3] / 65535.0;
        uint32_t c[3] = { 0, 0, 0 };
        if (a > 0)
            for (int k = 0; k < 3; ++k)
                c[k] = uint32_t(std::lround(encode(in[k] / 65535.0 / a) * 255.0));
        uint32_t alpha = uint32_t(std::lround(a * 255.0));
        if (!hasAlpha)
            alpha = 255;
        if (alpha != 255)
            for (auto& v : c)
                v = (v * alpha + 127) / 255;
        uint32_t v = (alpha << 24) | (c[0] << 16) | (c[1] << 8) | c[2];
        std::memcpy(out, &v, 4);
    }
}

// The simplified reader decodes interlaced 16-bit images wrongly when asked
// for 8-bit output; its 16-bit output is right.
bool interlacedSixteenBit(const Data& data)
{
    // Signature, IHDR's length and type, width and height, then depth and,
    // three bytes on, the interlace method.
    return data.size() > 28 && data[24] == 16 && data[28] != 0;
}

}

CGImageRef CGImageCreateWithPNGData(const Data& data)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size()))
        return nullptr;
    if (!sizeAcceptable(image.width, image.height)) {
        png_image_free(&image);
        return nullptr;
    }
    bool hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    size_t stride = size_t(image.width) * 4;
    if (interlacedSixteenBit(data)) {
        image.format = PNG_FORMAT_LINEAR_RGB_ALPHA;
        std::vector<png_uint_16> wide(size_t(image.width) * image.height * 4);
        if (!png_image_finish_read(&image, nullptr, wide.data(), png_int_32(image.width * 4), nullptr)) {
            png_image_free(&image);
            return nullptr;
        }
        Data pixels(stride * image.height);
        linearToNative(wide.data(), size_t(image.width) * image.height, pixels.data(), hasAlpha);
        return std::make_shared<const CGImage>(image.width, image.height, hasAlpha, std::move(pixels), stride);
    }
    image.format = littleEndian ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    Data pixels(stride * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), png_int_32(stride), nullptr)) {
        png_image_free(&image);
        return nullptr;
    }
    // The drawing engine wants premultiplied alpha.
    if (hasAlpha) {
        for (size_t i = 0; i < pixels.size(); i += 4) {
            uint32_t v;
            std::memcpy(&v, pixels.data() + i, 4);
            uint32_t a = v >> 24;
            if (a == 255)
                continue;
            uint32_t r = ((v >> 16) & 0xFF) * a, g = ((v >> 8) & 0xFF) * a, b = (v & 0xFF) * a;
            r = (r + 127) / 255;
            g = (g + 127) / 255;
            b = (b + 127) / 255;
            v = (a << 24) | (r << 16) | (g << 8) | b;
            std::memcpy(pixels.data() + i, &v, 4);
        }
    }
    return std::make_shared<const CGImage>(image.width, image.height, hasAlpha, std::move(pixels), stride);
}

std::optional<Data> CGImageCreatePNGData(const CGImageRef& image)
{
    if (!image)
        return std::nullopt;
    bool withAlpha = image->hasAlpha();
    Data bytes = unpremultipliedBGR(*image, withAlpha);
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image->width());
    png.height = png_uint_32(image->height());
    png.format = withAlpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    // Room for the largest stream the image can make, so that it is
    // compressed once, straight into it, rather than once more to learn its size.
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
    Data out(size);
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, bytes.data(), 0, nullptr))
        return std::nullopt;
    out.resize(size);
    out.shrink_to_fit();
    return out;
}

CGImageRef CGImageCreateWithJPEGData(const Data& data)
{
    return CGImageCreateWithJPEGDataAtLeast(data, SIZE_MAX, SIZE_MAX);
}

CGImageRef CGImageCreateWithJPEGDataAtLeast(const Data& data, size_t minWidth, size_t minHeight)
{
    if (data.empty())
        return nullptr;
    jpeg_decompress_struct cinfo;
    JPEGError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.output_message = jpegSilence;
    err.mgr.emit_message = jpegEmitMessage;
    // Everything that must be released on an error lives outside this frame's
    // destructors. The pointer is set after setjmp, so it must be volatile for
    // the jump to see its value in optimised builds.
    Data* volatile pixels = nullptr;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        delete pixels;
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    // Refused from the header, before the library allocates for the frame.
    if (!sizeAcceptable(cinfo.image_width, cinfo.image_height)) {
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    // At n/8 the codec gives ceil(side * n / 8) pixels a side.
    const auto scaled = [](size_t side, unsigned eighths) { return (side * eighths + 7) / 8; };
    unsigned eighths = 1;
    while (eighths < 8
        && (scaled(cinfo.image_width, eighths) < minWidth || scaled(cinfo.image_height, eighths) < minHeight))
        ++eighths;
    cinfo.scale_num = eighths;
    cinfo.scale_denom = 8;
    bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (cmyk)
        cinfo.out_color_space = JCS_CMYK;
    else
        cinfo.out_color_space = littleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_start_decompress(&cinfo);
    size_t w = cinfo.output_width, h = cinfo.output_height;
    if (!sizeAcceptable(w, h)) {
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    size_t stride = w * 4;
    pixels = new Data(stride * h);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels->data() + size_t(cinfo.output_scanline) * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    bool inverted = cinfo.saw_Adobe_marker;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    Data result = std::move(*pixels);
    delete pixels;
    pixels = nullptr;
    for (size_t i = 0; i < result.size(); i += 4) {
        uint32_t v;
        if (cmyk) {
            int c = result[i], m = result[i + 1], y = result[i + 2], k = result[i + 3];
            if (inverted) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            uint32_t r = uint32_t((255 - c) * (255 - k) / 255), g = uint32_t((255 - m) * (255 - k) / 255),
                     b = uint32_t((255 - y) * (255 - k) / 255);
            v = 0xFF000000u | (r << 16) | (g << 8) | b;
        } else {
            std::memcpy(&v, result.data() + i, 4);
            v |= 0xFF000000u;
        }
        std::memcpy(result.data() + i, &v, 4);
    }
    return std::make_shared<const CGImage>(w, h, false, std::move(result), stride);
}

std::optional<Data> CGImageCreateJPEGData(const CGImageRef& image, CGFloat quality)
{
    if (!image)
        return std::nullopt;
    jpeg_compress_struct cinfo;
    JPEGError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.output_message = jpegSilence;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        free(buffer);
        return std::nullopt;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image->width());
    cinfo.image_height = JDIMENSION(image->height());
    cinfo.input_components = 4;
    cinfo.in_color_space = littleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_set_defaults(&cinfo);
    int q = int(std::lround(std::clamp(double(quality), 0.0, 1.0) * 100));
    jpeg_set_quality(&cinfo, std::max(q, 1), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    // The stored colours are premultiplied, which is the image laid over black:
    // what a format without alpha shows.
    while (cinfo.next_scanline < cinfo.image_height) {
        auto row = const_cast<JSAMPROW>(image->pixels().data() + size_t(cinfo.next_scanline) * image->stride());
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Data out(buffer, buffer + size);
    free(buffer);
    return out;
}
