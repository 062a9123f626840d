#include "Platform/ImageIO/CGImageDestination.h"

#include <fstream>

namespace {

CGImageDestinationRef make(const std::string& type, size_t count)
{
    if ((type != kUTTypePNG && type != kUTTypeJPEG) || count == 0)
        return nullptr;
    auto d = std::make_shared<CGImageDestination>();
    d->type = type;
    d->capacity = count;
    return d;
}

}

CGImageDestinationRef CGImageDestinationCreateWithURL(
    const std::string& path, const std::string& type, size_t count, const Value&)
{
    auto d = make(type, count);
    if (d)
        d->path = path;
    return d;
}

CGImageDestinationRef CGImageDestinationCreateWithData(
    const std::shared_ptr<Data>& data, const std::string& type, size_t count, const Value&)
{
    if (!data)
        return nullptr;
    auto d = make(type, count);
    if (d)
        d->data = data;
    return d;
}

void CGImageDestinationAddImage(
    const CGImageDestinationRef& destination, const CGImageRef& image, const Value& properties)
{
    if (!destination || !image || destination->finalized || destination->images.size() >= destination->capacity)
        return;
    double quality = 1;
    if (const Value* q = properties.find(kCGImageDestinationLossyCompressionQuality))
        quality = q->doubleValue();
    destination->images.push_back({ image, quality });
}

bool CGImageDestinationFinalize(const CGImageDestinationRef& destination)
{
    if (!destination || destination->finalized || destination->images.empty())
        return false;
    destination->finalized = true;
    // Both formats hold one image; the first one added is written.
    auto& entry = destination->images.front();
    std::optional<Data> bytes = destination->type == kUTTypePNG
        ? CGImageCreatePNGData(entry.image)
        : CGImageCreateJPEGData(entry.image, CGFloat(entry.quality));
    if (!bytes)
        return false;
    if (destination->data) {
        *destination->data = std::move(*bytes);
        return true;
    }
    std::ofstream out(*destination->path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(bytes->data()), std::streamsize(bytes->size()));
    return bool(out.flush());
}
