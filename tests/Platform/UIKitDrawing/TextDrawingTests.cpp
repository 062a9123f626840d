#include "DrawingFixtures.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <gtest/gtest.h>

namespace {

constexpr CGFloat unbounded = 1e9f;
const char* fox = "The quick brown fox jumps over the lazy dog";

// The ink of a drawn image: the bounding box of pixels that are not clear.
CGRect inkBounds(const std::shared_ptr<UIImage>& image)
{
    auto cg = image->CGImage();
    long x0 = long(cg->width()), y0 = long(cg->height()), x1 = -1, y1 = -1;
    for (size_t y = 0; y < cg->height(); ++y)
        for (size_t x = 0; x < cg->width(); ++x)
            if (cg->pixelAt(x, y).alpha > 0) {
                x0 = std::min(x0, long(x));
                y0 = std::min(y0, long(y));
                x1 = std::max(x1, long(x));
                y1 = std::max(y1, long(y));
            }
    if (x1 < 0)
        return CGRectNull;
    return CGRectMake(CGFloat(x0), CGFloat(y0), CGFloat(x1 - x0 + 1), CGFloat(y1 - y0 + 1));
}

}

// These figures pin the installed faces: a change of font or of the text
// engine shows up here before it moves a layout.
TEST(TextMeasurement, PinnedSizes)
{
    auto sys15 = UIFont::systemFontOfSize(15);
    auto bold15 = UIFont::boldSystemFontOfSize(15);
    struct Case {
        const char* label;
        CGSize size;
        CGSize expected;
    };
    const Case cases[] = {
        { "single line", sizeWithFont("Hello", sys15), { 35, 15 } },
        { "bold single line", sizeWithFont("Hello", bold15), { 37, 15 } },
        { "chinese single line", sizeWithFont("邮编客户", sys15), { 60, 22 } },
        { "wrapped at words", sizeWithFontConstrainedToSize(fox, sys15, { 100, unbounded }), { 98, 60 } },
        { "long word broken inside", sizeWithFontConstrainedToSize("Supercalifragilistic", sys15, { 50, unbounded }),
            { 46, 45 } },
        { "chinese wrapped", sizeWithFontConstrainedToSize("邮编客户邮编客户", sys15, { 40, unbounded }), { 30, 87 } },
        { "height keeps whole lines", sizeWithFontConstrainedToSize(fox, sys15, { 100, 40 }), { 66, 30 } },
        { "height below one line keeps one", sizeWithFontConstrainedToSize(fox, sys15, { 100, 5 }), { 66, 15 } },
        { "clip, one line", sizeWithFontConstrainedToSizeLineBreakMode(fox, sys15, { 100, 20 }, UILineBreakModeClip),
            { 66, 15 } },
        { "tail truncation fills the line",
            sizeWithFontConstrainedToSizeLineBreakMode(fox, sys15, { 100, 20 }, UILineBreakModeTailTruncation),
            { 100, 15 } },
        { "tail truncation, two lines",
            sizeWithFontConstrainedToSizeLineBreakMode(fox, sys15, { 100, 40 }, UILineBreakModeTailTruncation),
            { 100, 30 } },
        { "chinese truncated",
            sizeWithFontConstrainedToSizeLineBreakMode(
                "邮编客户邮编客户", sys15, { 50, 20 }, UILineBreakModeMiddleTruncation),
            { 50, 22 } },
        { "single line for a width", sizeWithFontForWidthLineBreakMode(fox, sys15, 100, UILineBreakModeTailTruncation),
            { 100, 15 } },
        { "page number font", sizeWithFont("- Page 3 -", UIFont::fontWithNameSize("Didot-Italic", 15)), { 71, 18 } },
    };
    for (auto& c : cases)
        EXPECT_EQ(c.size, c.expected) << c.label << ": " << c.size.width << " x " << c.size.height;
}

TEST(TextMeasurement, FontsByName)
{
    EXPECT_EQ(UIFont::fontWithNameSize("NoSuchFont", 12), nullptr);
    auto f = UIFont::fontWithNameSize("Arial-BoldMT", 12);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->fontName(), "Arial-BoldMT");
    EXPECT_EQ(f->familyName(), "Arial");
    EXPECT_EQ(f->pointSize(), 12);
    EXPECT_GT(f->ascender(), 0);
    EXPECT_LT(f->descender(), 0);
    EXPECT_EQ(sizeWithFont("x", nullptr), CGSizeZero);
    // Every name the screens and documents use is known.
    for (const char* name : { "Helvetica-Bold", "HelveticaNeue-Bold", "Arial", "Arial-BoldMT", "Verdana-Italic",
             "Zapfino", "Didot-Italic" })
        EXPECT_TRUE(UIFont::fontWithNameSize(name, 10)) << name;
}

TEST(TextMeasurement, UnbrokenTextWrapsAtTheLineEndHoweverLong)
{
    // A word far longer than a line is cut where the line is full, as a
    // character wrap cuts it, whatever its length; words before it keep
    // their own line.
    auto font = UIFont::systemFontOfSize(15);
    struct Case {
        const char* label;
        std::string text;
        bool breaksBetweenLetters;
    };
    std::string letters;
    for (int i = 0; i < 300; ++i)
        letters += char('a' + i % 26);
    const Case cases[] = {
        { "one letter", std::string(5000, 'W'), false },
        { "the alphabet", letters + letters + letters, false },
        { "chinese",
            [] {
                std::string s;
                for (int i = 0; i < 400; ++i)
                    s += "客";
                return s;
            }(),
            true },
    };
    for (const auto& c : cases) {
        const CGSize words
            = sizeWithFontConstrainedToSizeLineBreakMode(c.text, font, { 300, unbounded }, UILineBreakModeWordWrap);
        const CGSize characters = sizeWithFontConstrainedToSizeLineBreakMode(
            c.text, font, { 300, unbounded }, UILineBreakModeCharacterWrap);
        EXPECT_EQ(words, characters) << c.label;
        EXPECT_GT(words.height, 10 * font->lineHeight()) << c.label;
        EXPECT_LE(words.width, 300) << c.label;
        if (c.breaksBetweenLetters)
            continue;
        // A short word before it stands on its own line.
        const CGSize led = sizeWithFontConstrainedToSizeLineBreakMode(
            "Note: " + c.text, font, { 300, unbounded }, UILineBreakModeWordWrap);
        EXPECT_EQ(led.height, words.height + font->lineHeight()) << c.label;
    }
}

TEST(TextDrawing, MeasuredBoxHoldsTheDrawnText)
{
    auto font = UIFont::systemFontOfSize(15);
    for (const char* text :
        { fox, "Supercalifragilisticexpialidocious and more", "邮编客户邮编客户邮编客户 mixed 文字" }) {
        CGSize s = sizeWithFontConstrainedToSize(text, font, { 120, unbounded });
        UIGraphicsBeginImageContextWithOptions({ 200, 200 }, false, 1);
        drawInRectWithFont(text, CGRectMake(10, 10, s.width, s.height), font);
        CGRect ink = inkBounds(UIGraphicsGetImageFromCurrentImageContext());
        UIGraphicsEndImageContext();
        ASSERT_FALSE(CGRectIsNull(ink)) << text;
        EXPECT_TRUE(CGRectContainsRect(CGRectMake(9, 9, s.width + 2, s.height + 2), ink)) << text;
        // The last line is drawn: ink reaches the bottom line's band.
        EXPECT_GT(CGRectGetMaxY(ink), 10 + s.height - 18) << text;
    }
}

TEST(TextDrawing, LinesBeyondTheRectangleAreNotDrawnAndAlignmentMovesText)
{
    auto font = UIFont::systemFontOfSize(15);
    UIGraphicsBeginImageContextWithOptions({ 200, 100 }, false, 1);
    drawInRectWithFontLineBreakModeAlignment(
        fox, CGRectMake(0, 0, 100, 20), font, UILineBreakModeWordWrap, UITextAlignmentLeft);
    CGRect ink = inkBounds(UIGraphicsGetImageFromCurrentImageContext());
    UIGraphicsEndImageContext();
    EXPECT_LE(CGRectGetMaxY(ink), 20);

    CGFloat left[3];
    for (int a = 0; a < 3; ++a) {
        UIGraphicsBeginImageContextWithOptions({ 200, 30 }, false, 1);
        drawInRectWithFontLineBreakModeAlignment(
            "Hi", CGRectMake(0, 0, 200, 30), font, UILineBreakModeWordWrap, UITextAlignment(a));
        left[a] = inkBounds(UIGraphicsGetImageFromCurrentImageContext()).origin.x;
        UIGraphicsEndImageContext();
    }
    EXPECT_LT(left[0], 5);
    EXPECT_NEAR(left[1], 100 - 9, 4);
    EXPECT_GT(left[2], 200 - 22);
}

TEST(TextDrawing, TruncationModesDrawDifferentLinesWithinTheBox)
{
    auto font = UIFont::systemFontOfSize(15);
    std::shared_ptr<UIImage> images[3];
    const UILineBreakMode modes[3]
        = { UILineBreakModeHeadTruncation, UILineBreakModeMiddleTruncation, UILineBreakModeTailTruncation };
    for (int i = 0; i < 3; ++i) {
        UIGraphicsBeginImageContextWithOptions({ 200, 60 }, false, 1);
        drawInRectWithFontLineBreakMode(fox, CGRectMake(0, 0, 100, 20), font, modes[i]);
        images[i] = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        CGRect ink = inkBounds(images[i]);
        EXPECT_LE(CGRectGetMaxX(ink), 100) << i;
        EXPECT_LE(CGRectGetMaxY(ink), 20) << i;
    }
    EXPECT_NE(images[0]->CGImage()->pixels(), images[1]->CGImage()->pixels());
    EXPECT_NE(images[1]->CGImage()->pixels(), images[2]->CGImage()->pixels());
}

TEST(TextDrawing, TextTakesTheFillColour)
{
    UIGraphicsBeginImageContextWithOptions({ 40, 20 }, false, 1);
    UIColor::redColor()->set();
    drawAtPointWithFont("MM", { 0, 0 }, UIFont::boldSystemFontOfSize(16));
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    bool red = false;
    for (size_t x = 0; x < 40; ++x)
        for (size_t y = 0; y < 20; ++y) {
            CGPixel p = image->CGImage()->pixelAt(x, y);
            red |= p.alpha == 255 && p.red == 255 && p.green == 0;
        }
    EXPECT_TRUE(red);
}

TEST(PDFContext, PagesHoldRealTextAndNoPageGivesNoBytes)
{
    auto empty = std::make_shared<Data>();
    UIGraphicsBeginPDFContextToData(empty, CGRectMake(0, 0, 1024, 1448));
    UIGraphicsEndPDFContext();
    EXPECT_TRUE(empty->empty());

    auto data = std::make_shared<Data>();
    UIGraphicsBeginPDFContextToData(data, CGRectMake(0, 0, 1024, 1448));
    auto font = UIFont::systemFontOfSize(15);
    for (int page = 1; page <= 3; ++page) {
        UIGraphicsBeginPDFPage();
        EXPECT_EQ(UIGraphicsGetPDFContextBounds(), CGRectMake(0, 0, 1024, 1448));
        std::string number = "- Page " + std::to_string(page) + " -";
        drawInRectWithFontLineBreakModeAlignment(number, CGRectMake(60, 1388, 904, 60),
            UIFont::fontWithNameSize("Didot-Italic", 15), UILineBreakModeWordWrap, UITextAlignmentCenter);
        if (page == 1) {
            drawInRectWithFont("Customer 邮编 200433", CGRectMake(60, 60, 400, 40), font);
        }
    }
    UIGraphicsEndPDFContext();
    ASSERT_FALSE(data->empty());
    ScratchFolder dir;
    writeFile(dir.file("out.pdf"), *data);
    EXPECT_EQ(pdfPageCount(dir.file("out.pdf")), 3);
    std::string text = pdfText(dir.file("out.pdf"));
    for (const char* expected : { "- Page 1 -", "- Page 3 -", "Customer 邮编 200433" })
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
    EXPECT_NE(runCommand("pdfinfo '" + dir.file("out.pdf") + "'").find("1024 x 1448 pts"), std::string::npos);
}

TEST(PDFContext, ToFileAndUnwritableFile)
{
    ScratchFolder dir;
    EXPECT_FALSE(UIGraphicsBeginPDFContextToFile(dir.file("missing/folder/x.pdf"), CGRectZero));
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    ASSERT_TRUE(UIGraphicsBeginPDFContextToFile(dir.file("Order.pdf"), CGRectZero));
    UIGraphicsBeginPDFPage();
    EXPECT_EQ(UIGraphicsGetPDFContextBounds(), CGRectMake(0, 0, 612, 792));
    UIRectFill(CGRectMake(10, 10, 20, 20));
    UIGraphicsEndPDFContext();
    EXPECT_EQ(pdfPageCount(dir.file("Order.pdf")), 1);
}
