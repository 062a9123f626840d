#pragma once

// Images of the interface: a decoded bitmap with a scale (pixels per point),
// an orientation, and optional cap insets that make it draw as nine slices
// (fixed corners and edges, the middle stretched or tiled).
//
// Named images come from the application bundle: a name without an extension
// means ".png"; on a screen of scale 2 the "@2x" file (the name with its
// extension replaced by "@2x." and the extension) is taken first, at scale 2.
// A file whose name ends in "@2x" before its extension loads at scale 2.
// Anything that does not decode gives no image.

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/UIGeometry.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

enum UIImageOrientation {
    UIImageOrientationUp,
    UIImageOrientationDown,
    UIImageOrientationLeft,
    UIImageOrientationRight,
    UIImageOrientationUpMirrored,
    UIImageOrientationDownMirrored,
    UIImageOrientationLeftMirrored,
    UIImageOrientationRightMirrored,
};

class UIImage {
public:
    UIImage(CGImageRef image, CGFloat scale, UIImageOrientation orientation);

    static std::shared_ptr<UIImage> imageNamed(std::string_view name);
    static std::shared_ptr<UIImage> imageWithContentsOfFile(const std::string& path);
    // The size imageWithContentsOfFile's image would have, read from the
    // file's header alone; nothing when the header cannot be read.
    static std::optional<CGSize> sizeOfContentsOfFile(const std::string& path);
    // The file's image to be drawn at no more than `size` points: a JPEG is
    // decoded at the smallest of its codec's reduced scales that still covers
    // `size`, so that a large photo is not decoded whole only to be shrunk
    // (size() is then that of the reduced picture); anything else whole.
    static std::shared_ptr<UIImage> imageWithContentsOfFileCovering(const std::string& path, CGSize size);
    static std::shared_ptr<UIImage> imageWithData(const Data& data);
    static std::shared_ptr<UIImage> imageWithDataScale(const Data& data, CGFloat scale);
    static std::shared_ptr<UIImage> imageWithCGImage(const CGImageRef& image);
    static std::shared_ptr<UIImage> imageWithCGImageScaleOrientation(
        const CGImageRef& image, CGFloat scale, UIImageOrientation orientation);

    // Size in points: pixels divided by the scale, width and height swapped
    // for the sideways orientations.
    CGSize size() const;
    CGFloat scale() const { return m_scale; }
    UIImageOrientation imageOrientation() const { return m_orientation; }
    const CGImageRef& CGImage() const { return m_image; }

    // Caps that stay fixed when the image is drawn larger: a stretchable image
    // keeps leftCapWidth and topCapHeight and stretches the one pixel after
    // each (a zero cap stretches the whole width or height); a resizable one
    // keeps the given insets and tiles what lies between them.
    std::shared_ptr<UIImage> stretchableImageWithLeftCapWidthTopCapHeight(long leftCapWidth, long topCapHeight) const;
    std::shared_ptr<UIImage> resizableImageWithCapInsets(UIEdgeInsets capInsets) const;
    long leftCapWidth() const { return m_leftCapWidth; }
    long topCapHeight() const { return m_topCapHeight; }
    UIEdgeInsets capInsets() const { return m_capInsets; }

    // Draw into the current context (nothing without one).
    void drawInRect(CGRect rect) const;
    void drawInRectBlendModeAlpha(CGRect rect, CGBlendMode mode, CGFloat alpha) const;
    void drawAtPoint(CGPoint point) const;
    // The same into a given context whose user space has y downward.
    void drawInContext(const CGContextRef& context, CGRect rect) const;

private:
    enum class Resizing { None, Stretch, Tile };
    void drawPiece(const CGContextRef& c, CGRect source, CGRect destination, bool tile) const;
    CGImageRef m_image;
    CGFloat m_scale;
    UIImageOrientation m_orientation;
    Resizing m_resizing = Resizing::None;
    UIEdgeInsets m_capInsets;
    long m_leftCapWidth = 0;
    long m_topCapHeight = 0;
};

// Encodings of an image; nullopt for no image.
std::optional<Data> UIImagePNGRepresentation(const std::shared_ptr<UIImage>& image);
// Quality from 0 to 1 (the signature and skins use 0.5).
std::optional<Data> UIImageJPEGRepresentation(const std::shared_ptr<UIImage>& image, CGFloat quality);
