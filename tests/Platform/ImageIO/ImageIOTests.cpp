#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/ImageIO/CGImageDestination.h"
#include "Platform/ImageIO/CGImageSource.h"
#include "Platform/UIKit/UIImage.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class ImageIOTest : public ::testing::Test {
protected:
    TemporaryHome home;
    std::string dir = home.scratch();
    std::string file(const std::string& name) const { return dir + "/" + name; }
    void write(const std::string& name, const Data& bytes) const
    {
        std::ofstream(file(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
};

// Left half red, right half blue.
CGImageRef twoColours(size_t w, size_t h)
{
    auto c = CGBitmapContextCreate(nullptr, w, h, 8, 0, CGColorSpaceCreateDeviceRGB(),
        kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
    CGContextSetRGBFillColor(c, 1, 0, 0, 1);
    CGContextFillRect(c, CGRectMake(0, 0, CGFloat(w) / 2, CGFloat(h)));
    CGContextSetRGBFillColor(c, 0, 0, 1, 1);
    CGContextFillRect(c, CGRectMake(CGFloat(w) / 2, 0, CGFloat(w) / 2, CGFloat(h)));
    return CGBitmapContextCreateImage(c);
}

CGSize sizeOf(const CGImageSourceRef& source)
{
    Value p
        = CGImageSourceCopyPropertiesAtIndex(source, 0, Value::dictionary({ { kCGImageSourceShouldCache, false } }));
    return { p[kCGImagePropertyPixelWidth].floatValue(), p[kCGImagePropertyPixelHeight].floatValue() };
}

}

TEST_F(ImageIOTest, PixelSizeFromTheHeaderAlone)
{
    auto image = twoColours(300, 200);
    Data png = *CGImageCreatePNGData(image);
    Data jpeg = *CGImageCreateJPEGData(image, 0.8f);
    // A JPEG whose frame header comes after a large metadata segment.
    Data tagged(jpeg.begin(), jpeg.begin() + 2);
    Data app1 = { 0xFF, 0xE1, 0x13, 0x8A };
    app1.resize(4 + 0x1388, 'x');
    tagged.insert(tagged.end(), app1.begin(), app1.end());
    tagged.insert(tagged.end(), jpeg.begin() + 2, jpeg.end());
    // A PNG whose header is sound but whose pixels are gone.
    Data headerOnly(png.begin(), png.begin() + 40);

    struct Case {
        const char* name;
        Data bytes;
        CGSize expected;
    };
    const Case cases[] = {
        { "a.png", png, { 300, 200 } },
        { "a.jpg", jpeg, { 300, 200 } },
        { "tagged.jpg", tagged, { 300, 200 } },
        { "header-only.png", headerOnly, { 300, 200 } },
        { "text.png", Data { 'h', 'e', 'l', 'l', 'o' }, { 0, 0 } },
        { "empty.jpg", Data {}, { 0, 0 } },
        { "cut.jpg", Data(jpeg.begin(), jpeg.begin() + 10), { 0, 0 } },
    };
    for (auto& c : cases) {
        write(c.name, c.bytes);
        auto source = CGImageSourceCreateWithURL(file(c.name));
        ASSERT_TRUE(source) << c.name;
        EXPECT_EQ(sizeOf(source), c.expected) << c.name;
        EXPECT_EQ(sizeOf(CGImageSourceCreateWithData(c.bytes)), c.expected) << c.name;
    }
    EXPECT_EQ(CGImageSourceCreateWithURL(file("missing.png")), nullptr);
    EXPECT_EQ(CGImageSourceCopyPropertiesAtIndex(CGImageSourceCreateWithData(png), 1), Value());
    // The header alone is not an image.
    EXPECT_EQ(CGImageSourceCreateImageAtIndex(CGImageSourceCreateWithURL(file("header-only.png")), 0), nullptr);
    EXPECT_EQ(CGImageSourceGetType(CGImageSourceCreateWithURL(file("a.jpg"))), "public.jpeg");
    EXPECT_EQ(CGImageSourceGetCount(CGImageSourceCreateWithURL(file("text.png"))), 0u);
}

TEST_F(ImageIOTest, ThumbnailsKeepProportionsWithinTheLimit)
{
    auto source = CGImageSourceCreateWithData(*CGImageCreatePNGData(twoColours(400, 100)));
    auto thumb = CGImageSourceCreateThumbnailAtIndex(source, 0,
        Value::dictionary(
            { { kCGImageSourceThumbnailMaxPixelSize, 160 }, { kCGImageSourceCreateThumbnailFromImageAlways, true } }));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->width(), 160u);
    EXPECT_EQ(thumb->height(), 40u);
    EXPECT_EQ(thumb->pixelAt(10, 20), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(thumb->pixelAt(150, 20), (CGPixel { 0, 0, 255, 255 }));
    auto small = CGImageSourceCreateThumbnailAtIndex(
        source, 0, Value::dictionary({ { kCGImageSourceThumbnailMaxPixelSize, 1000 } }));
    EXPECT_EQ(small->width(), 400u);
    EXPECT_EQ(CGImageSourceCreateThumbnailAtIndex(CGImageSourceCreateWithData(Data { 1, 2 }), 0, Value()), nullptr);
}

TEST_F(ImageIOTest, WritesPNGFiles)
{
    auto image = twoColours(8, 4);
    auto dest = CGImageDestinationCreateWithURL(file("thumb.png"), kUTTypePNG, 1);
    ASSERT_TRUE(dest);
    EXPECT_FALSE(CGImageDestinationFinalize(CGImageDestinationCreateWithURL(file("none.png"), kUTTypePNG, 1)));
    CGImageDestinationAddImage(dest, image);
    EXPECT_TRUE(CGImageDestinationFinalize(dest));
    auto back = CGImageSourceCreateImageAtIndex(CGImageSourceCreateWithURL(file("thumb.png")), 0);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rgbaBytes(), image->rgbaBytes());

    EXPECT_EQ(CGImageDestinationCreateWithURL(file("x.gif"), "com.compuserve.gif", 1), nullptr);
    auto unwritable = CGImageDestinationCreateWithURL(file("no/such/folder/x.png"), kUTTypePNG, 1);
    CGImageDestinationAddImage(unwritable, image);
    EXPECT_FALSE(CGImageDestinationFinalize(unwritable));

    auto memory = std::make_shared<Data>();
    auto jpeg = CGImageDestinationCreateWithData(memory, kUTTypeJPEG, 1);
    CGImageDestinationAddImage(jpeg, image, Value::dictionary({ { kCGImageDestinationLossyCompressionQuality, 0.5 } }));
    EXPECT_TRUE(CGImageDestinationFinalize(jpeg));
    EXPECT_EQ(sizeOf(CGImageSourceCreateWithData(*memory)), CGSizeMake(8, 4));
}

namespace {

// The JPEG with an APP1 EXIF segment recording the orientation, in either
// byte order, put right after the start marker.
Data withEXIFOrientation(const Data& jpeg, uint16_t orientation, bool littleEndian)
{
    auto u16 = [&](Data& out, uint16_t v) {
        if (littleEndian)
            out.insert(out.end(), { uint8_t(v), uint8_t(v >> 8) });
        else
            out.insert(out.end(), { uint8_t(v >> 8), uint8_t(v) });
    };
    auto u32 = [&](Data& out, uint32_t v) {
        if (littleEndian)
            out.insert(out.end(), { uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24) });
        else
            out.insert(out.end(), { uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v) });
    };
    Data tiff = littleEndian ? Data { 'I', 'I' } : Data { 'M', 'M' };
    u16(tiff, 42);
    u32(tiff, 8);
    u16(tiff, 2);  // two entries: a resolution unit first, then the orientation
    u16(tiff, 0x0128);
    u16(tiff, 3);
    u32(tiff, 1);
    u16(tiff, 2);
    u16(tiff, 0);
    u16(tiff, 0x0112);
    u16(tiff, 3);
    u32(tiff, 1);
    u16(tiff, orientation);
    u16(tiff, 0);
    u32(tiff, 0);
    Data segment = { 0xFF, 0xE1 };
    size_t length = 2 + 6 + tiff.size();
    segment.insert(segment.end(), { uint8_t(length >> 8), uint8_t(length) });
    segment.insert(segment.end(), { 'E', 'x', 'i', 'f', 0, 0 });
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    Data out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

}

TEST_F(ImageIOTest, EXIFOrientationTurnsTheImage)
{
    Data jpeg = *CGImageCreateJPEGData(twoColours(40, 20), 0.8f);
    struct Case {
        uint16_t exif;
        UIImageOrientation orientation;
    };
    const Case cases[] = {
        { 1, UIImageOrientationUp },
        { 2, UIImageOrientationUpMirrored },
        { 3, UIImageOrientationDown },
        { 4, UIImageOrientationDownMirrored },
        { 5, UIImageOrientationLeftMirrored },
        { 6, UIImageOrientationRight },
        { 7, UIImageOrientationRightMirrored },
        { 8, UIImageOrientationLeft },
    };
    for (bool little : { true, false })
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "EXIF " << c.exif << (little ? " II" : " MM"));
            Data tagged = withEXIFOrientation(jpeg, c.exif, little);
            Value p = CGImageSourceCopyPropertiesAtIndex(CGImageSourceCreateWithData(tagged), 0);
            EXPECT_EQ(p[kCGImagePropertyOrientation].longValue(), c.exif);
            EXPECT_EQ(p[kCGImagePropertyPixelWidth].longValue(), 40);
            auto image = UIImage::imageWithData(tagged);
            ASSERT_TRUE(image);
            EXPECT_EQ(image->imageOrientation(), c.orientation);
            bool sideways = c.exif >= 5;
            EXPECT_EQ(image->size().width, sideways ? 20 : 40);
        }
    // Without EXIF, or with a value out of range, the photo stands as stored.
    EXPECT_EQ(UIImage::imageWithData(jpeg)->imageOrientation(), UIImageOrientationUp);
    EXPECT_EQ(UIImage::imageWithData(withEXIFOrientation(jpeg, 9, true))->imageOrientation(), UIImageOrientationUp);
    EXPECT_TRUE(
        CGImageSourceCopyPropertiesAtIndex(CGImageSourceCreateWithData(jpeg), 0).find(kCGImagePropertyOrientation)
        == nullptr);
}

TEST_F(ImageIOTest, AFileIsMeasuredFromItsHeaderAndDecodedReducedOnlyAsFarAsAskedFor)
{
    Data jpeg = *CGImageCreateJPEGData(twoColours(1600, 800), 0.9f);
    write("photo.jpg", jpeg);
    write("turned.jpg", withEXIFOrientation(jpeg, 6, true));
    write("photo@2x.jpg", jpeg);
    write("drawing.png", *CGImageCreatePNGData(twoColours(300, 200)));
    struct Case {
        const char* name;
        CGSize asked;
        size_t pixelWidth, pixelHeight;  // as stored
    };
    const Case cases[] = {
        { "photo.jpg", CGSizeMake(160, 80), 200, 100 },
        { "photo.jpg", CGSizeMake(201, 80), 400, 200 },
        // Sideways: the asked width is the stored height.
        { "turned.jpg", CGSizeMake(80, 160), 200, 100 },
        { "turned.jpg", CGSizeMake(101, 160), 400, 200 },
        // Twice the pixels a point.
        { "photo@2x.jpg", CGSizeMake(100, 50), 200, 100 },
        // Only a JPEG is decoded reduced.
        { "drawing.png", CGSizeMake(30, 20), 300, 200 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " for " << c.asked.width << "x" << c.asked.height);
        auto whole = UIImage::imageWithContentsOfFile(file(c.name));
        ASSERT_TRUE(whole);
        EXPECT_EQ(UIImage::sizeOfContentsOfFile(file(c.name)), whole->size());
        auto reduced = UIImage::imageWithContentsOfFileCovering(file(c.name), c.asked);
        ASSERT_TRUE(reduced);
        EXPECT_EQ(reduced->CGImage()->width(), c.pixelWidth);
        EXPECT_EQ(reduced->CGImage()->height(), c.pixelHeight);
        EXPECT_EQ(reduced->imageOrientation(), whole->imageOrientation());
        EXPECT_EQ(reduced->scale(), whole->scale());
        EXPECT_GE(reduced->size().width, c.asked.width);
        EXPECT_GE(reduced->size().height, c.asked.height);
        // Still red on the stored left, blue on the right.
        const CGImageRef& pixels = reduced->CGImage();
        EXPECT_GT(pixels->pixelAt(pixels->width() / 4, pixels->height() / 2).red, 200);
        EXPECT_GT(pixels->pixelAt(pixels->width() * 3 / 4, pixels->height() / 2).blue, 200);
    }
    // Nothing to read: nothing measured or made.
    std::ofstream(file("broken.jpg")) << "broken";
    EXPECT_FALSE(UIImage::sizeOfContentsOfFile(file("broken.jpg")));
    EXPECT_FALSE(UIImage::imageWithContentsOfFileCovering(file("broken.jpg"), CGSizeMake(10, 10)));
    EXPECT_FALSE(UIImage::sizeOfContentsOfFile(file("absent.jpg")));
    EXPECT_FALSE(UIImage::imageWithContentsOfFileCovering(file("absent.jpg"), CGSizeMake(10, 10)));
}
