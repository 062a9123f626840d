#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/CoreGraphics/CGImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <zlib.h>

namespace {

void appendBigEndian(Data& out, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(uint8_t(value >> (8 * i)));
}

void appendChunk(Data& png, const char* type, const Data& body)
{
    appendBigEndian(png, uint32_t(body.size()), 4);
    size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), body.begin(), body.end());
    uLong crc = crc32(0, png.data() + start, uInt(png.size() - start));
    appendBigEndian(png, uint32_t(crc), 4);
}

// A 16-bit RGBA PNG, plain or Adam7-interlaced, whose 16-bit sample at (x, y)
// comes from sample(x, y, channel).
template <typename Sample> Data sixteenBitPNG(uint32_t w, uint32_t h, bool interlaced, Sample sample)
{
    Data raw;  // filter byte 0, then the samples, for each row of each pass
    auto appendRow = [&](uint32_t y, uint32_t x0, uint32_t dx) {
        if (x0 >= w)
            return;
        raw.push_back(0);
        for (uint32_t x = x0; x < w; x += dx)
            for (int c = 0; c < 4; ++c)
                appendBigEndian(raw, sample(x, y, c), 2);
    };
    if (!interlaced) {
        for (uint32_t y = 0; y < h; ++y)
            appendRow(y, 0, 1);
    } else {
        const uint32_t passes[7][4] = { { 0, 0, 8, 8 }, { 4, 0, 8, 8 }, { 0, 4, 4, 8 }, { 2, 0, 4, 4 }, { 0, 2, 2, 4 },
            { 1, 0, 2, 2 }, { 0, 1, 1, 2 } };
        for (const auto& p : passes)
            for (uint32_t y = p[1]; y < h; y += p[3])
                appendRow(y, p[0], p[2]);
    }
    uLongf size = compressBound(uLong(raw.size()));
    Data packed(size);
    EXPECT_EQ(Z_OK, compress(packed.data(), &size, raw.data(), uLong(raw.size())));
    packed.resize(size);

    Data png = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    Data header;
    appendBigEndian(header, w, 4);
    appendBigEndian(header, h, 4);
    header.insert(header.end(), { 16, 6, 0, 0, uint8_t(interlaced ? 1 : 0) });
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", {});
    return png;
}

CGImageRef gradient(size_t w, size_t h)
{
    auto c = CGBitmapContextCreate(
        nullptr, w, h, 8, 0, CGColorSpaceCreateDeviceRGB(), kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little);
    for (size_t y = 0; y < h; y += 8)
        for (size_t x = 0; x < w; x += 8) {
            CGContextSetRGBFillColor(c, CGFloat(x) / CGFloat(w), CGFloat(y) / CGFloat(h), 0.5, 1);
            CGContextFillRect(c, CGRectMake(CGFloat(x), CGFloat(y), 8, 8));
        }
    return CGBitmapContextCreateImage(c);
}

}  // namespace

TEST(CGImageCodecs, InterlacedSixteenBitPNGsDecodeRight)
{
    // Every pixel different, some transparent and some half so.
    auto sample = [](uint32_t x, uint32_t y, int c) -> uint32_t {
        if (c == 3)
            return (x + y) % 3 == 0 ? 65535 : (x + y) % 3 == 1 ? 32768 : 0;
        return (x * 4099 + y * 7919 + uint32_t(c) * 20011) % 65536;
    };
    // Sixteen-bit samples without gamma information are linear light; shown,
    // they are sRGB encoded.
    auto shown = [](uint32_t linear16) {
        double v = linear16 / 65535.0;
        double encoded = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
        return int(std::lround(encoded * 255));
    };
    auto plain = CGImageCreateWithPNGData(sixteenBitPNG(13, 11, false, sample));
    auto interlaced = CGImageCreateWithPNGData(sixteenBitPNG(13, 11, true, sample));
    ASSERT_TRUE(plain && interlaced);
    ASSERT_EQ(plain->width(), interlaced->width());
    ASSERT_EQ(plain->height(), interlaced->height());
    for (uint32_t y = 0; y < 11; ++y)
        for (uint32_t x = 0; x < 13; ++x) {
            CGPixel a = plain->pixelAt(x, y), b = interlaced->pixelAt(x, y);
            EXPECT_EQ(a.alpha, b.alpha) << x << "," << y;
            if (b.alpha != 255)
                continue;
            // Opaque pixels to within rounding.
            const int got[3] = { b.red, b.green, b.blue };
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(got[c], shown(sample(x, y, c)), 1) << x << "," << y << " channel " << c;
        }
}

TEST(CGImageCodecs, TruncatedJPEGIsRefused)
{
    auto image = gradient(256, 256);
    Data jpeg = *CGImageCreateJPEGData(image, 0.9f);
    ASSERT_TRUE(CGImageCreateWithJPEGData(jpeg));
    for (size_t cut : { jpeg.size() / 2, jpeg.size() - 40, jpeg.size() * 9 / 10 }) {
        Data half(jpeg.begin(), jpeg.begin() + long(cut));
        EXPECT_EQ(nullptr, CGImageCreateWithJPEGData(half)) << "cut at " << cut << " of " << jpeg.size();
    }
}

TEST(CGImageCodecs, JPEGLargerThanAScreenNeedsIsRefusedFromItsHeader)
{
    Data jpeg = *CGImageCreateJPEGData(gradient(16, 16), 0.5f);
    // Rewrite the frame's declared size: a few hundred bytes that would ask for
    // a quarter of a gigabyte of pixels.
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            for (size_t at : { i + 5, i + 7 }) {
                jpeg[at] = 0x1F;
                jpeg[at + 1] = 0xFF;
            }
            break;
        }
    EXPECT_EQ(nullptr, CGImageCreateWithJPEGData(jpeg));
}

TEST(CGImageCodecs, AReducedJPEGDecodeIsTheSmallestScaleStillCoveringTheAskedSize)
{
    struct Case {
        size_t width, height, minWidth, minHeight, wantWidth, wantHeight;
    };
    const Case cases[] = {
        { 1600, 800, 160, 80, 200, 100 },  // an eighth covers it
        { 1600, 800, 201, 100, 400, 200 },  // one pixel more needs two eighths
        { 1600, 800, 100, 101, 400, 200 },  // the height decides
        { 1001, 999, 126, 125, 126, 125 },  // sides that do not divide: rounded up
        { 1600, 800, 1500, 10, 1600, 800 },  // only the whole covers it
        { 1600, 800, 5000, 5000, 1600, 800 },  // never more than the whole
        { 40, 30, 1, 1, 5, 4 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " for " << c.minWidth << "x" << c.minHeight);
        Data jpeg = *CGImageCreateJPEGData(gradient(c.width, c.height), 0.9f);
        auto image = CGImageCreateWithJPEGDataAtLeast(jpeg, c.minWidth, c.minHeight);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width(), c.wantWidth);
        EXPECT_EQ(image->height(), c.wantHeight);
    }
    // The picture is the same picture, only smaller.
    Data jpeg = *CGImageCreateJPEGData(gradient(512, 512), 0.95f);
    auto whole = CGImageCreateWithJPEGData(jpeg);
    auto reduced = CGImageCreateWithJPEGDataAtLeast(jpeg, 128, 128);
    ASSERT_TRUE(whole && reduced);
    ASSERT_EQ(reduced->width(), 128u);
    for (size_t y : { 16u, 64u, 112u })
        for (size_t x : { 16u, 64u, 112u }) {
            CGPixel a = whole->pixelAt(x * 4 + 2, y * 4 + 2), b = reduced->pixelAt(x, y);
            EXPECT_NEAR(a.red, b.red, 8) << x << "," << y;
            EXPECT_NEAR(a.green, b.green, 8) << x << "," << y;
            EXPECT_NEAR(a.blue, b.blue, 8) << x << "," << y;
        }
    // A damaged picture is refused at any scale.
    Data half(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2));
    EXPECT_EQ(nullptr, CGImageCreateWithJPEGDataAtLeast(half, 64, 64));
}

TEST(CGImageCodecs, PNGRoundTripsWholeAndEndsAtItsLastChunk)
{
    // Noise does not compress: its stream comes nearest the room the writer is given.
    struct Case {
        const char* name;
        size_t width, height;
        bool alpha;
        bool noise;
    };
    const Case cases[] = {
        { "opaque noise", 97, 61, false, true },
        { "noise with holes", 64, 64, true, true },
        { "flat", 300, 200, false, false },
        { "one pixel", 1, 1, true, false },
    };
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Data pixels(c.width * c.height * 4);
        for (size_t i = 0; i < c.width * c.height; ++i) {
            uint32_t v = c.noise ? (0xFF000000u | (next() & 0xFFFFFFu)) : 0xFF3366CCu;
            // Fully clear pixels only, so the premultiplied round trip is exact.
            if (c.alpha && c.noise && next() % 5 == 0)
                v = 0;
            std::memcpy(pixels.data() + i * 4, &v, 4);
        }
        auto image = std::make_shared<const CGImage>(c.width, c.height, c.alpha, pixels, c.width * 4);
        auto png = CGImageCreatePNGData(image);
        ASSERT_TRUE(png);
        // Nothing follows the closing chunk: the stream is exactly as long as written.
        ASSERT_GE(png->size(), 12u);
        EXPECT_EQ(std::string(png->end() - 8, png->end() - 4), "IEND");
        auto back = CGImageCreateWithPNGData(*png);
        ASSERT_TRUE(back);
        ASSERT_EQ(back->width(), c.width);
        ASSERT_EQ(back->height(), c.height);
        for (size_t y = 0; y < c.height; ++y)
            for (size_t x = 0; x < c.width; ++x) {
                CGPixel a = image->pixelAt(x, y), b = back->pixelAt(x, y);
                ASSERT_TRUE(a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha)
                    << x << "," << y;
            }
    }
}
