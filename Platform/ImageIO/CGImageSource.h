#pragma once

// Reading images from files or memory: the pixel size from the file's header
// alone (nothing is decoded or kept), the decoded image, and thumbnails no
// larger than a given number of pixels on their longer side. PNG and JPEG.

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/Foundation/Value.h"

#include <memory>
#include <optional>
#include <string>

// Property and option keys, as the platform spells them.
inline constexpr const char* kCGImagePropertyPixelWidth = "PixelWidth";
inline constexpr const char* kCGImagePropertyPixelHeight = "PixelHeight";
// The EXIF orientation, 1 to 8, of a JPEG that records one.
inline constexpr const char* kCGImagePropertyOrientation = "Orientation";
inline constexpr const char* kCGImageSourceShouldCache = "kCGImageSourceShouldCache";
inline constexpr const char* kCGImageSourceThumbnailMaxPixelSize = "kCGImageSourceThumbnailMaxPixelSize";
inline constexpr const char* kCGImageSourceCreateThumbnailFromImageAlways
    = "kCGImageSourceCreateThumbnailFromImageAlways";
inline constexpr const char* kUTTypePNG = "public.png";
inline constexpr const char* kUTTypeJPEG = "public.jpeg";

class CGImageSource {
public:
    std::optional<std::string> path;
    Data data;  // the bytes when made from memory
};
using CGImageSourceRef = std::shared_ptr<const CGImageSource>;

// Null when the file cannot be opened.
CGImageSourceRef CGImageSourceCreateWithURL(const std::string& path, const Value& options = {});
CGImageSourceRef CGImageSourceCreateWithData(const Data& data, const Value& options = {});
// "public.png", "public.jpeg", or nullopt for anything else.
std::optional<std::string> CGImageSourceGetType(const CGImageSourceRef& source);
// 1 for a PNG or JPEG, else 0.
size_t CGImageSourceGetCount(const CGImageSourceRef& source);
// A dictionary with the pixel width and height read from the header, and the
// orientation when a JPEG records one; null when the index is not 0 or the
// header cannot be read.
Value CGImageSourceCopyPropertiesAtIndex(const CGImageSourceRef& source, size_t index, const Value& options = {});
// The orientation a JPEG's EXIF data records (1 to 8), 1 when there is none.
int CGImageSourceOrientationOfData(const Data& data);
CGImageRef CGImageSourceCreateImageAtIndex(const CGImageSourceRef& source, size_t index, const Value& options = {});
// The image scaled down (never up) so that its longer side is at most the
// option's maximum pixel size, keeping proportions.
CGImageRef CGImageSourceCreateThumbnailAtIndex(const CGImageSourceRef& source, size_t index, const Value& options);
