#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/CoreText/CoreText.h"

#include <gtest/gtest.h>

namespace {

// A view's context: y downward, as a view's draw method receives it.
CGContextRef viewContext(size_t w, size_t h)
{
    auto c = CGBitmapContextCreate(nullptr, w, h, 8, 0, CGColorSpaceCreateDeviceRGB(),
        kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
    CGContextTranslateCTM(c, 0, CGFloat(h));
    CGContextScaleCTM(c, 1, -1);
    return c;
}

// The description box's text: an italic grey heading over black body text.
AttributedText description(const std::string& body)
{
    AttributedText t;
    t.append(
        "DESCRIPTION:\n", *CTFontCreateWithName("Helvetica-Oblique", 16, nullptr), CGColor { 0.5f, 0.5f, 0.5f, 1 });
    t.append(body, *CTFontCreateWithName("Helvetica", 14, nullptr), CGColor { 0, 0, 0, 1 });
    return t;
}

// Draws as the attributed-string view does: identity text matrix, flip, frame in the bounds.
CGImageRef drawLikeTheView(const AttributedText& text, CGSize size)
{
    auto c = viewContext(size_t(size.width), size_t(size.height));
    CGContextSetTextMatrix(c, CGAffineTransformIdentity);
    CGContextTranslateCTM(c, 0, size.height);
    CGContextScaleCTM(c, 1, -1);
    auto path = CGPathCreateMutable();
    CGPathAddRect(path, nullptr, CGRectMake(0, 0, size.width, size.height));
    auto frame = CTFramesetterCreateFrame(CTFramesetterCreateWithAttributedString(text), CFRangeMake(0, 0), path);
    CTFrameDraw(frame, c);
    return CGBitmapContextCreateImage(c);
}

// Rows that hold any ink.
std::pair<long, long> inkRows(const CGImageRef& image)
{
    long first = -1, last = -1;
    for (size_t y = 0; y < image->height(); ++y)
        for (size_t x = 0; x < image->width(); ++x)
            if (image->pixelAt(x, y).alpha > 0) {
                if (first < 0)
                    first = long(y);
                last = long(y);
                break;
            }
    return { first, last };
}

}

TEST(CoreText, SuggestedSizeWrapsToTheWidth)
{
    auto setter = CTFramesetterCreateWithAttributedString(
        description("A long description that needs several lines to fit in the box."));
    CGSize wide = CTFramesetterSuggestFrameSizeWithConstraints(setter, CFRangeMake(0, 0), { 2000, 1e9f }, nullptr);
    CGSize narrow = CTFramesetterSuggestFrameSizeWithConstraints(setter, CFRangeMake(0, 0), { 348, 1e9f }, nullptr);
    EXPECT_LE(narrow.width, 348);
    EXPECT_GT(narrow.height, wide.height);
    EXPECT_NEAR(wide.height, 32.4, 1.0);  // one heading line and one body line
    EXPECT_EQ(CTFramesetterSuggestFrameSizeWithConstraints(
                  CTFramesetterCreateWithAttributedString({}), {}, { 100, 100 }, nullptr),
        CGSizeZero);
    EXPECT_EQ(CTFontGetSize(CTFontCreateWithName("NoSuchFont", 14, nullptr)), 14);
}

TEST(CoreText, FrameDrawsUprightFromTheTopWithRunColours)
{
    AttributedText text = description("Body text");
    CGSize size = CTFramesetterSuggestFrameSizeWithConstraints(
        CTFramesetterCreateWithAttributedString(text), {}, { 200, 1e9f }, nullptr);
    auto image = drawLikeTheView(text, { 200, 120 });
    auto [first, last] = inkRows(image);
    EXPECT_GE(first, 0);
    EXPECT_LT(first, 8);  // starts at the top of the view
    EXPECT_LE(last, long(size.height) + 1);  // and the text stays within its suggested size
    // Drawn upright: the same heading drawn by the plain engine matches row for row.
    auto reference = viewContext(200, 120);
    TextLayout(text, TextFont::systemFont(12), { 200, 0 }).draw(reference, { 0, 0 });
    EXPECT_EQ(inkRows(CGBitmapContextCreateImage(reference)), inkRows(image));
    // Heading grey, body black.
    bool grey = false, black = false;
    for (size_t y = 0; y < 120; ++y)
        for (size_t x = 0; x < 200; ++x) {
            CGPixel p = image->pixelAt(x, y);
            grey |= p.alpha == 255 && p.red == 128 && p.green == 128;
            black |= p.alpha == 255 && p.red == 0;
        }
    EXPECT_TRUE(grey);
    EXPECT_TRUE(black);
}

TEST(CoreText, TextBelowTheFrameIsCutOff)
{
    AttributedText text = description("one two three four five six seven eight nine ten eleven twelve");
    auto image = drawLikeTheView(text, { 80, 40 });
    auto [first, last] = inkRows(image);
    EXPECT_GE(first, 0);
    EXPECT_LT(last, 40);
    // A frame lower than one line shows nothing.
    EXPECT_EQ(inkRows(drawLikeTheView(text, { 80, 8 })).first, -1);
}
