#include "Platform/ImageIO/CGImageSource.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace {

enum class Kind { None, PNG, JPEG };

Kind kindOf(const uint8_t* b, size_t n)
{
    static const uint8_t png[8] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    if (n >= 8 && std::equal(png, png + 8, b))
        return Kind::PNG;
    if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
        return Kind::JPEG;
    return Kind::None;
}

// Reads bytes from the source's file or memory at an offset.
class Reader {
public:
    explicit Reader(const CGImageSource& s)
        : m_source(s)
    {
        if (s.path)
            m_file.open(*s.path, std::ios::binary);
    }
    size_t read(size_t offset, uint8_t* out, size_t n)
    {
        if (!m_source.path) {
            if (offset >= m_source.data.size())
                return 0;
            n = std::min(n, m_source.data.size() - offset);
            std::copy_n(m_source.data.begin() + long(offset), n, out);
            return n;
        }
        m_file.clear();
        m_file.seekg(std::streamoff(offset));
        m_file.read(reinterpret_cast<char*>(out), std::streamsize(n));
        return size_t(m_file.gcount());
    }

private:
    const CGImageSource& m_source;
    std::ifstream m_file;
};

struct MemoryReader {
    const Data& data;
    size_t read(size_t offset, uint8_t* out, size_t n) const
    {
        if (offset >= data.size())
            return 0;
        n = std::min(n, data.size() - offset);
        std::copy_n(data.begin() + long(offset), n, out);
        return n;
    }
};

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

std::optional<std::pair<uint32_t, uint32_t>> headerSize(const CGImageSource& source)
{
    Reader r(source);
    uint8_t head[24];
    size_t n = r.read(0, head, sizeof head);
    switch (kindOf(head, n)) {
    case Kind::PNG:
        // The first chunk must be IHDR: width and height follow its type.
        if (n < 24 || std::string_view(reinterpret_cast<char*>(head + 12), 4) != "IHDR")
            return std::nullopt;
        if (be32(head + 16) == 0 || be32(head + 20) == 0)
            return std::nullopt;
        return std::make_pair(be32(head + 16), be32(head + 20));
    case Kind::JPEG: {
        // Walk the segments up to a start-of-frame marker.
        size_t at = 2;
        for (int guard = 0; guard < 10000; ++guard) {
            uint8_t m[9];
            if (r.read(at, m, 4) < 4 || m[0] != 0xFF)
                return std::nullopt;
            uint8_t marker = m[1];
            if (marker == 0xFF) {  // fill byte
                ++at;
                continue;
            }
            if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
                at += 2;
                continue;
            }
            uint16_t length = be16(m + 2);
            if (length < 2)
                return std::nullopt;
            bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
            if (frame) {
                if (r.read(at + 4, m, 5) < 5)
                    return std::nullopt;
                uint32_t h = be16(m + 1), w = be16(m + 3);
                if (w == 0 || h == 0)
                    return std::nullopt;
                return std::make_pair(w, h);
            }
            if (marker == 0xD9 || marker == 0xDA)
                return std::nullopt;
            at += 2 + length;
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

// The orientation tag of the EXIF data in a JPEG's APP1 segments, or 0. The
// segments are walked up to the start of the scan; offsets inside the EXIF
// block are checked against its length.
template <typename Source> int exifOrientation(Source& r)
{
    size_t at = 2;
    for (int guard = 0; guard < 1000; ++guard) {
        uint8_t m[4];
        if (r.read(at, m, 4) < 4 || m[0] != 0xFF)
            return 0;
        uint8_t marker = m[1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return 0;
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        uint16_t length = be16(m + 2);
        if (length < 2)
            return 0;
        if (marker == 0xE1 && length >= 2 + 6 + 8) {
            Data block(length - 2u);
            if (r.read(at + 4, block.data(), block.size()) < block.size())
                return 0;
            if (std::memcmp(block.data(), "Exif\0\0", 6) == 0) {
                const uint8_t* tiff = block.data() + 6;
                size_t size = block.size() - 6;
                bool little = tiff[0] == 'I' && tiff[1] == 'I';
                if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
                    return 0;
                auto u16 = [&](size_t o) { return little ? uint16_t(tiff[o] | tiff[o + 1] << 8) : be16(tiff + o); };
                auto u32 = [&](size_t o) {
                    return little ? uint32_t(tiff[o]) | uint32_t(tiff[o + 1]) << 8 | uint32_t(tiff[o + 2]) << 16
                            | uint32_t(tiff[o + 3]) << 24
                                  : be32(tiff + o);
                };
                if (u16(2) != 42)
                    return 0;
                size_t ifd = u32(4);
                if (ifd > size || size - ifd < 2)
                    return 0;
                size_t entries = u16(ifd);
                for (size_t i = 0; i < entries; ++i) {
                    size_t e = ifd + 2 + i * 12;
                    if (e > size || size - e < 12)
                        return 0;
                    // Tag 0x0112, type SHORT, one value, kept in the entry itself.
                    if (u16(e) == 0x0112) {
                        int value = u16(e + 2) == 3 && u32(e + 4) == 1 ? u16(e + 8) : 0;
                        return value >= 1 && value <= 8 ? value : 0;
                    }
                }
                return 0;
            }
        }
        at += 2 + length;
    }
    return 0;
}

Kind kindOf(const CGImageSource& source)
{
    Reader r(source);
    uint8_t head[8];
    size_t n = r.read(0, head, sizeof head);
    return kindOf(head, n);
}

std::optional<Data> allBytes(const CGImageSource& source)
{
    if (!source.path)
        return source.data;
    std::ifstream in(*source.path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return Data(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}

CGImageSourceRef CGImageSourceCreateWithURL(const std::string& path, const Value&)
{
    std::ifstream probe(path, std::ios::binary);
    if (!probe)
        return nullptr;
    auto source = std::make_shared<CGImageSource>();
    source->path = path;
    return source;
}

CGImageSourceRef CGImageSourceCreateWithData(const Data& data, const Value&)
{
    auto source = std::make_shared<CGImageSource>();
    source->data = data;
    return source;
}

std::optional<std::string> CGImageSourceGetType(const CGImageSourceRef& source)
{
    if (!source)
        return std::nullopt;
    switch (kindOf(*source)) {
    case Kind::PNG:
        return kUTTypePNG;
    case Kind::JPEG:
        return kUTTypeJPEG;
    default:
        return std::nullopt;
    }
}

size_t CGImageSourceGetCount(const CGImageSourceRef& source) { return CGImageSourceGetType(source) ? 1 : 0; }

Value CGImageSourceCopyPropertiesAtIndex(const CGImageSourceRef& source, size_t index, const Value&)
{
    if (!source || index != 0)
        return {};
    auto size = headerSize(*source);
    if (!size)
        return {};
    Value properties = Value::dictionary({ { kCGImagePropertyPixelWidth, Value(long(size->first)) },
        { kCGImagePropertyPixelHeight, Value(long(size->second)) } });
    if (kindOf(*source) == Kind::JPEG) {
        Reader r(*source);
        if (int orientation = exifOrientation(r))
            properties.set(kCGImagePropertyOrientation, Value(orientation));
    }
    return properties;
}

int CGImageSourceOrientationOfData(const Data& data)
{
    if (kindOf(data.data(), data.size()) != Kind::JPEG)
        return 1;
    MemoryReader r { data };
    int orientation = exifOrientation(r);
    return orientation ? orientation : 1;
}

CGImageRef CGImageSourceCreateImageAtIndex(const CGImageSourceRef& source, size_t index, const Value&)
{
    if (!source || index != 0)
        return nullptr;
    auto bytes = allBytes(*source);
    return bytes ? CGImageCreateWithEncodedData(*bytes) : nullptr;
}

CGImageRef CGImageSourceCreateThumbnailAtIndex(const CGImageSourceRef& source, size_t index, const Value& options)
{
    CGImageRef image = CGImageSourceCreateImageAtIndex(source, index, options);
    if (!image)
        return nullptr;
    const Value* max = options.find(kCGImageSourceThumbnailMaxPixelSize);
    if (!max || max->doubleValue() <= 0)
        return image;
    double limit = max->doubleValue();
    double longer = double(std::max(image->width(), image->height()));
    if (longer <= limit)
        return image;
    double s = limit / longer;
    auto w = size_t(std::max(1.0, std::round(double(image->width()) * s)));
    auto h = size_t(std::max(1.0, std::round(double(image->height()) * s)));
    uint32_t info = (image->hasAlpha() ? kCGImageAlphaPremultipliedFirst : kCGImageAlphaNoneSkipFirst)
        | kCGBitmapByteOrder32Little;
    auto c = CGBitmapContextCreate(nullptr, w, h, 8, 0, CGColorSpaceCreateDeviceRGB(), info);
    if (!c)
        return nullptr;
    CGContextSetInterpolationQuality(c, kCGInterpolationHigh);
    CGContextDrawImage(c, CGRectMake(0, 0, CGFloat(w), CGFloat(h)), image);
    return CGBitmapContextCreateImage(c);
}
