#include "Platform/UIKit/UIImage.h"

#include "Platform/Foundation/NSBundle.h"
#include "Platform/ImageIO/CGImageSource.h"
#include "Platform/UIKit/UIGraphics.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

namespace {

std::optional<Data> readFile(const std::string& path)
{
    // A folder (an empty file name joined to a folder path) is no image; the
    // stream would throw on it rather than fail.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return Data(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "name.png" -> ("name", "png"); a name without a dot gets "png".
std::pair<std::string, std::string> splitName(std::string_view name)
{
    auto slash = name.find_last_of('/');
    auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return { std::string(name), "png" };
    return { std::string(name.substr(0, dot)), std::string(name.substr(dot + 1)) };
}

bool sideways(UIImageOrientation o)
{
    return o == UIImageOrientationLeft || o == UIImageOrientationRight || o == UIImageOrientationLeftMirrored
        || o == UIImageOrientationRightMirrored;
}

// A camera keeps its sensor's rows and records how the photo was held.
UIImageOrientation orientationOfEXIF(int exif)
{
    static const UIImageOrientation fromEXIF[]
        = { UIImageOrientationUp, UIImageOrientationUp, UIImageOrientationUpMirrored, UIImageOrientationDown,
              UIImageOrientationDownMirrored, UIImageOrientationLeftMirrored, UIImageOrientationRight,
              UIImageOrientationRightMirrored, UIImageOrientationLeft };
    return fromEXIF[exif >= 1 && exif <= 8 ? exif : 1];
}

// A file named "name@2x.ext" holds twice the pixels of its size in points.
CGFloat scaleOfFile(const std::string& path)
{
    auto [base, ext] = splitName(path);
    return base.size() >= 3 && base.compare(base.size() - 3, 3, "@2x") == 0 ? 2 : 1;
}

// Maps a point of the image as shown onto its pixels.
cairo_matrix_t orientationMatrix(UIImageOrientation o, double w, double h)
{
    cairo_matrix_t m;
    switch (o) {
    case UIImageOrientationDown:
        cairo_matrix_init(&m, -1, 0, 0, -1, w, h);
        break;
    case UIImageOrientationLeft:
        cairo_matrix_init(&m, 0, 1, -1, 0, w, 0);
        break;
    case UIImageOrientationRight:
        cairo_matrix_init(&m, 0, -1, 1, 0, 0, h);
        break;
    case UIImageOrientationUpMirrored:
        cairo_matrix_init(&m, -1, 0, 0, 1, w, 0);
        break;
    case UIImageOrientationDownMirrored:
        cairo_matrix_init(&m, 1, 0, 0, -1, 0, h);
        break;
    case UIImageOrientationLeftMirrored:
        cairo_matrix_init(&m, 0, -1, -1, 0, w, h);
        break;
    case UIImageOrientationRightMirrored:
        cairo_matrix_init(&m, 0, 1, 1, 0, 0, 0);
        break;
    default:
        cairo_matrix_init_identity(&m);
    }
    return m;
}

cairo_filter_t filterFor(CGInterpolationQuality q)
{
    switch (q) {
    case kCGInterpolationNone:
        return CAIRO_FILTER_NEAREST;
    case kCGInterpolationLow:
        return CAIRO_FILTER_FAST;
    case kCGInterpolationHigh:
        return CAIRO_FILTER_BEST;
    default:
        return CAIRO_FILTER_GOOD;
    }
}

std::mutex namedLock;
std::map<std::string, std::shared_ptr<UIImage>> namedCache;

}

UIImage::UIImage(CGImageRef image, CGFloat scale, UIImageOrientation orientation)
    : m_image(std::move(image))
    , m_scale(scale > 0 ? scale : 1)
    , m_orientation(orientation)
{
}

std::shared_ptr<UIImage> UIImage::imageNamed(std::string_view name)
{
    if (name.empty())
        return nullptr;
    auto [base, ext] = splitName(name);
    CGFloat screen = UIGraphicsGetScreenScale();
    auto bundle = NSBundle::mainBundle();
    if (!bundle)
        return nullptr;
    // Cached per bundle: a process (a test) that moves to another bundle must
    // not see the images of the one before.
    std::string key = bundle->bundlePath() + "\n" + std::string(name) + (screen >= 2 ? "@2" : "@1");
    {
        std::lock_guard lock(namedLock);
        if (auto it = namedCache.find(key); it != namedCache.end())
            return it->second;
    }
    std::shared_ptr<UIImage> image;
    if (screen >= 2) {
        if (auto path = bundle->pathForResourceOfType(base + "@2x", ext))
            if (auto data = readFile(*path))
                image = imageWithDataScale(*data, 2);
    }
    if (!image)
        if (auto path = bundle->pathForResourceOfType(base, ext))
            if (auto data = readFile(*path))
                image = imageWithDataScale(*data, 1);
    if (image) {
        std::lock_guard lock(namedLock);
        namedCache.emplace(key, image);
    }
    return image;
}

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFile(const std::string& path)
{
    auto data = readFile(path);
    if (!data)
        return nullptr;
    return imageWithDataScale(*data, scaleOfFile(path));
}

std::optional<CGSize> UIImage::sizeOfContentsOfFile(const std::string& path)
{
    const Value properties = CGImageSourceCopyPropertiesAtIndex(CGImageSourceCreateWithURL(path), 0);
    const Value* width = properties.find(kCGImagePropertyPixelWidth);
    const Value* height = properties.find(kCGImagePropertyPixelHeight);
    if (!width || !height)
        return std::nullopt;
    const CGFloat scale = scaleOfFile(path);
    CGSize size = CGSizeMake(CGFloat(width->longValue()) / scale, CGFloat(height->longValue()) / scale);
    const Value* exif = properties.find(kCGImagePropertyOrientation);
    if (exif && sideways(orientationOfEXIF(exif->intValue())))
        std::swap(size.width, size.height);
    return size;
}

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFileCovering(const std::string& path, CGSize size)
{
    auto data = readFile(path);
    if (!data)
        return nullptr;
    const CGFloat scale = scaleOfFile(path);
    const bool jpeg = data->size() >= 3 && (*data)[0] == 0xFF && (*data)[1] == 0xD8 && (*data)[2] == 0xFF;
    if (!jpeg || !(size.width > 0) || !(size.height > 0))
        return imageWithDataScale(*data, scale);
    const UIImageOrientation orientation = orientationOfEXIF(CGImageSourceOrientationOfData(*data));
    auto pixels = [scale](CGFloat points) { return size_t(std::ceil(double(points) * double(scale))); };
    size_t width = pixels(size.width), height = pixels(size.height);
    if (sideways(orientation))
        std::swap(width, height);
    auto image = CGImageCreateWithJPEGDataAtLeast(*data, width, height);
    return image ? std::make_shared<UIImage>(image, scale, orientation) : nullptr;
}

std::shared_ptr<UIImage> UIImage::imageWithData(const Data& data) { return imageWithDataScale(data, 1); }

std::shared_ptr<UIImage> UIImage::imageWithDataScale(const Data& data, CGFloat scale)
{
    auto image = CGImageCreateWithEncodedData(data);
    if (!image)
        return nullptr;
    return std::make_shared<UIImage>(image, scale, orientationOfEXIF(CGImageSourceOrientationOfData(data)));
}

std::shared_ptr<UIImage> UIImage::imageWithCGImage(const CGImageRef& image)
{
    return imageWithCGImageScaleOrientation(image, 1, UIImageOrientationUp);
}

std::shared_ptr<UIImage> UIImage::imageWithCGImageScaleOrientation(
    const CGImageRef& image, CGFloat scale, UIImageOrientation orientation)
{
    if (!image)
        return nullptr;
    return std::make_shared<UIImage>(image, scale, orientation);
}

CGSize UIImage::size() const
{
    CGFloat w = CGFloat(m_image->width()) / m_scale, h = CGFloat(m_image->height()) / m_scale;
    return sideways(m_orientation) ? CGSize { h, w } : CGSize { w, h };
}

std::shared_ptr<UIImage> UIImage::stretchableImageWithLeftCapWidthTopCapHeight(
    long leftCapWidth, long topCapHeight) const
{
    auto copy = std::make_shared<UIImage>(*this);
    CGSize s = size();
    leftCapWidth = std::clamp<long>(leftCapWidth, 0, long(s.width));
    topCapHeight = std::clamp<long>(topCapHeight, 0, long(s.height));
    copy->m_leftCapWidth = leftCapWidth;
    copy->m_topCapHeight = topCapHeight;
    CGFloat right = leftCapWidth > 0 ? std::max<CGFloat>(0, s.width - CGFloat(leftCapWidth) - 1) : 0;
    CGFloat bottom = topCapHeight > 0 ? std::max<CGFloat>(0, s.height - CGFloat(topCapHeight) - 1) : 0;
    copy->m_capInsets = { CGFloat(topCapHeight), CGFloat(leftCapWidth), bottom, right };
    copy->m_resizing = Resizing::Stretch;
    return copy;
}

std::shared_ptr<UIImage> UIImage::resizableImageWithCapInsets(UIEdgeInsets capInsets) const
{
    auto copy = std::make_shared<UIImage>(*this);
    CGSize s = size();
    // Caps larger than the image leave no middle; clamp them to it.
    capInsets.left = std::clamp<CGFloat>(capInsets.left, 0, s.width);
    capInsets.right = std::clamp<CGFloat>(capInsets.right, 0, s.width - capInsets.left);
    capInsets.top = std::clamp<CGFloat>(capInsets.top, 0, s.height);
    capInsets.bottom = std::clamp<CGFloat>(capInsets.bottom, 0, s.height - capInsets.top);
    copy->m_capInsets = capInsets;
    copy->m_leftCapWidth = long(capInsets.left);
    copy->m_topCapHeight = long(capInsets.top);
    copy->m_resizing = Resizing::Tile;
    return copy;
}

void UIImage::drawInRect(CGRect rect) const { drawInContext(UIGraphicsGetCurrentContext(), rect); }

void UIImage::drawInRectBlendModeAlpha(CGRect rect, CGBlendMode mode, CGFloat alpha) const
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c)
        return;
    CGContextSaveGState(c);
    CGContextSetBlendMode(c, mode);
    CGContextSetAlpha(c, alpha);
    drawInContext(c, rect);
    CGContextRestoreGState(c);
}

void UIImage::drawAtPoint(CGPoint point) const
{
    CGSize s = size();
    drawInRect(CGRectMake(point.x, point.y, s.width, s.height));
}

void UIImage::drawPiece(const CGContextRef& c, CGRect src, CGRect dst, bool tile) const
{
    if (CGRectIsEmpty(src) || CGRectIsEmpty(dst))
        return;
    cairo_t* cr = c->cairo();
    cairo_save(cr);
    c->applyAntialias();
    c->applyBlendMode();
    cairo_new_path(cr);
    cairo_rectangle(cr, dst.origin.x, dst.origin.y, dst.size.width, dst.size.height);
    cairo_clip(cr);
    cairo_surface_t* whole = m_image->createSurface();
    // Source rectangles are in points of the image as shown.
    cairo_pattern_t* pattern;
    cairo_matrix_t m;
    if (tile) {
        cairo_surface_t* part = cairo_surface_create_for_rectangle(
            whole, src.origin.x * m_scale, src.origin.y * m_scale, src.size.width * m_scale, src.size.height * m_scale);
        pattern = cairo_pattern_create_for_surface(part);
        cairo_surface_destroy(part);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
        // Tiles keep their natural size in points, from the piece's top left.
        cairo_matrix_init_translate(&m, -dst.origin.x, -dst.origin.y);
        cairo_matrix_t s;
        cairo_matrix_init_scale(&s, m_scale, m_scale);
        cairo_matrix_multiply(&m, &m, &s);
    } else {
        pattern = cairo_pattern_create_for_surface(whole);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
        // user -> shown points -> pixels
        cairo_matrix_init_translate(&m, -dst.origin.x, -dst.origin.y);
        cairo_matrix_t s;
        cairo_matrix_init_scale(&s, src.size.width / dst.size.width, src.size.height / dst.size.height);
        cairo_matrix_multiply(&m, &m, &s);
        cairo_matrix_t t;
        cairo_matrix_init_translate(&t, src.origin.x, src.origin.y);
        cairo_matrix_multiply(&m, &m, &t);
        cairo_matrix_init_scale(&s, m_scale, m_scale);
        cairo_matrix_multiply(&m, &m, &s);
        cairo_matrix_t o = orientationMatrix(m_orientation, double(m_image->width()), double(m_image->height()));
        cairo_matrix_multiply(&m, &m, &o);
    }
    cairo_pattern_set_matrix(pattern, &m);
    cairo_pattern_set_filter(pattern, filterFor(c->state().interpolation));
    cairo_set_source(cr, pattern);
    cairo_paint_with_alpha(cr, c->state().alpha);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(whole);
    cairo_restore(cr);
}

void UIImage::drawInContext(const CGContextRef& c, CGRect rect) const
{
    if (!c || !m_image || CGRectIsEmpty(rect))
        return;
    rect = CGRectStandardize(rect);
    CGSize s = size();
    if (m_resizing == Resizing::None) {
        drawPiece(c, CGRectMake(0, 0, s.width, s.height), rect, false);
        c->didDraw();
        return;
    }
    UIEdgeInsets in = m_capInsets;
    // A rectangle smaller than both caps together squeezes the caps.
    CGFloat fx = in.left + in.right > rect.size.width ? rect.size.width / (in.left + in.right) : 1;
    CGFloat fy = in.top + in.bottom > rect.size.height ? rect.size.height / (in.top + in.bottom) : 1;
    CGFloat sx[4] = { 0, in.left, s.width - in.right, s.width };
    CGFloat sy[4] = { 0, in.top, s.height - in.bottom, s.height };
    CGFloat dx[4] = { rect.origin.x, rect.origin.x + in.left * fx, rect.origin.x + rect.size.width - in.right * fx,
        rect.origin.x + rect.size.width };
    CGFloat dy[4] = { rect.origin.y, rect.origin.y + in.top * fy, rect.origin.y + rect.size.height - in.bottom * fy,
        rect.origin.y + rect.size.height };
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            CGRect src = CGRectMake(sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row]);
            CGRect dst = CGRectMake(dx[col], dy[row], dx[col + 1] - dx[col], dy[row + 1] - dy[row]);
            bool middle = col == 1 || row == 1;
            drawPiece(c, src, dst, middle && m_resizing == Resizing::Tile);
        }
    c->didDraw();
}

std::optional<Data> UIImagePNGRepresentation(const std::shared_ptr<UIImage>& image)
{
    return image ? CGImageCreatePNGData(image->CGImage()) : std::nullopt;
}

std::optional<Data> UIImageJPEGRepresentation(const std::shared_ptr<UIImage>& image, CGFloat quality)
{
    return image ? CGImageCreateJPEGData(image->CGImage(), quality) : std::nullopt;
}
