#pragma once

// Writing images to files or memory as PNG or JPEG.

#include "Platform/ImageIO/CGImageSource.h"

inline constexpr const char* kCGImageDestinationLossyCompressionQuality = "kCGImageDestinationLossyCompressionQuality";

class CGImageDestination {
public:
    std::optional<std::string> path;
    std::shared_ptr<Data> data;
    std::string type;
    size_t capacity = 1;
    struct Entry {
        CGImageRef image;
        double quality = 1;
    };
    std::vector<Entry> images;
    bool finalized = false;
};
using CGImageDestinationRef = std::shared_ptr<CGImageDestination>;

// Null for a type other than PNG or JPEG, or a count of zero.
CGImageDestinationRef CGImageDestinationCreateWithURL(
    const std::string& path, const std::string& type, size_t count, const Value& options = {});
CGImageDestinationRef CGImageDestinationCreateWithData(
    const std::shared_ptr<Data>& data, const std::string& type, size_t count, const Value& options = {});
// Adds an image while there is room; JPEG takes the lossy-compression quality.
void CGImageDestinationAddImage(
    const CGImageDestinationRef& destination, const CGImageRef& image, const Value& properties = {});
// Encodes and writes; false without an image, or when the file cannot be written.
bool CGImageDestinationFinalize(const CGImageDestinationRef& destination);
