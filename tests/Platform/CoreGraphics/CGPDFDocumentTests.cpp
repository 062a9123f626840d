#include "PDFFixtures.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/CoreGraphics/CGPDFDocument.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class PDFDocumentTest : public ::testing::Test {
protected:
    TemporaryHome home;
    std::string file(const char* name) { return dir + "/" + name; }

    CGPDFDocumentRef reader()
    {
        PDFFixtures::writeReaderDocument(file("reader.pdf"));
        return CGPDFDocumentCreateWithURL(file("reader.pdf"));
    }

    std::string dir = home.scratch();
};

CGPDFDictionaryRef annotation(const CGPDFPageRef& page, size_t index)
{
    CGPDFArrayRef annots;
    CGPDFDictionaryRef a;
    if (!CGPDFDictionaryGetArray(CGPDFPageGetDictionary(page), "Annots", &annots)
        || !CGPDFArrayGetDictionary(annots, index, &a))
        return nullptr;
    return a;
}

// Renders a page as the thumbnails do: white, then the crop box fitted into
// the bitmap keeping proportions.
CGImageRef render(const CGPDFPageRef& page, size_t w, size_t h)
{
    auto c = CGBitmapContextCreate(
        nullptr, w, h, 8, 0, CGColorSpaceCreateDeviceRGB(), kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little);
    CGContextSetRGBFillColor(c, 1, 1, 1, 1);
    CGContextFillRect(c, CGRectMake(0, 0, CGFloat(w), CGFloat(h)));
    CGContextConcatCTM(
        c, CGPDFPageGetDrawingTransform(page, kCGPDFCropBox, CGRectMake(0, 0, CGFloat(w), CGFloat(h)), 0, true));
    CGContextDrawPDFPage(c, page);
    return CGBitmapContextCreateImage(c);
}

bool isRed(CGPixel p) { return p.red > 200 && p.green < 60 && p.blue < 60; }

}

TEST_F(PDFDocumentTest, PagesBoxesAndRotation)
{
    auto doc = reader();
    ASSERT_TRUE(doc);
    EXPECT_FALSE(CGPDFDocumentIsEncrypted(doc));
    EXPECT_TRUE(CGPDFDocumentIsUnlocked(doc));
    EXPECT_EQ(CGPDFDocumentGetNumberOfPages(doc), 3u);
    EXPECT_EQ(CGPDFDocumentGetPage(doc, 0), nullptr);
    EXPECT_EQ(CGPDFDocumentGetPage(doc, 4), nullptr);
    auto p1 = CGPDFDocumentGetPage(doc, 1), p2 = CGPDFDocumentGetPage(doc, 2), p3 = CGPDFDocumentGetPage(doc, 3);
    EXPECT_EQ(CGPDFPageGetPageNumber(p3), 3u);
    EXPECT_EQ(CGPDFPageGetDocument(p3), doc);
    EXPECT_EQ(CGPDFPageGetBoxRect(p1, kCGPDFMediaBox), CGRectMake(0, 0, 612, 792));
    EXPECT_EQ(CGPDFPageGetBoxRect(p1, kCGPDFCropBox), CGRectMake(0, 0, 612, 792));
    EXPECT_EQ(CGPDFPageGetBoxRect(p3, kCGPDFCropBox), CGRectMake(0, 500, 300, 292));
    EXPECT_EQ(CGPDFPageGetBoxRect(p3, kCGPDFTrimBox), CGRectMake(0, 500, 300, 292));
    EXPECT_EQ(CGPDFPageGetRotationAngle(p1), 0);
    EXPECT_EQ(CGPDFPageGetRotationAngle(p2), 90);
}

TEST_F(PDFDocumentTest, DrawingTransformFitsTheTurnedBox)
{
    auto doc = reader();
    // Page 2 shows 792 wide and 612 high; into 396 x 396 it scales by 0.5.
    auto t = CGPDFPageGetDrawingTransform(
        CGPDFDocumentGetPage(doc, 2), kCGPDFCropBox, CGRectMake(0, 0, 396, 396), 0, true);
    struct Case {
        CGPoint pdf, expected;
    };
    const Case cases[] = {
        { { 306, 396 }, { 198, 198 } },  // centre to centre
        { { 0, 792 }, { 396, 198 + 153 } },  // the page's top left turns to the top right
        { { 612, 0 }, { 0, 198 - 153 } },  // and its bottom right to the bottom left
    };
    for (auto& c : cases) {
        CGPoint p = CGPointApplyAffineTransform(c.pdf, t);
        EXPECT_NEAR(p.x, c.expected.x, 1e-3);
        EXPECT_NEAR(p.y, c.expected.y, 1e-3);
    }
    // Without keeping proportions the box fills the rectangle.
    auto fill = CGPDFPageGetDrawingTransform(
        CGPDFDocumentGetPage(doc, 1), kCGPDFMediaBox, CGRectMake(0, 0, 306, 198), 0, false);
    EXPECT_EQ(CGPointApplyAffineTransform({ 612, 792 }, fill), CGPointMake(306, 198));
}

TEST_F(PDFDocumentTest, PagesDrawWhereTheirContentIs)
{
    auto doc = reader();
    // Page 1, 306 x 396: the square (50..150, 600..700 upward) lands at x 25..75, y 46..96 downward.
    auto one = render(CGPDFDocumentGetPage(doc, 1), 306, 396);
    EXPECT_TRUE(isRed(one->pixelAt(50, 70)));
    EXPECT_FALSE(isRed(one->pixelAt(50, 110)));
    EXPECT_EQ(one->pixelAt(200, 300), (CGPixel { 255, 255, 255, 255 }));
    // Page 2 turned clockwise: the square near the top left moves to the top right.
    auto two = render(CGPDFDocumentGetPage(doc, 2), 396, 306);
    EXPECT_TRUE(isRed(two->pixelAt(396 - 70, 50)));
    EXPECT_FALSE(isRed(two->pixelAt(70, 50)));
    // Page 3 shows only its crop box (0..300, 500..792): the square sits 92
    // points below the box's top.
    auto three = render(CGPDFDocumentGetPage(doc, 3), 300, 292);
    EXPECT_TRUE(isRed(three->pixelAt(100, 140)));
    EXPECT_FALSE(isRed(three->pixelAt(100, 80)));
    EXPECT_FALSE(isRed(three->pixelAt(100, 200)));
}

TEST_F(PDFDocumentTest, LinkAnnotationsAndDestinations)
{
    auto doc = reader();
    auto p1 = CGPDFDocumentGetPage(doc, 1);
    CGPDFArrayRef annots;
    ASSERT_TRUE(CGPDFDictionaryGetArray(CGPDFPageGetDictionary(p1), "Annots", &annots));
    EXPECT_EQ(CGPDFArrayGetCount(annots), 7u);

    // The URI link.
    auto uri = annotation(p1, 0);
    std::string subtype;
    EXPECT_TRUE(CGPDFDictionaryGetName(uri, "Subtype", &subtype));
    EXPECT_EQ(subtype, "Link");
    CGPDFArrayRef rect;
    ASSERT_TRUE(CGPDFDictionaryGetArray(uri, "Rect", &rect));
    CGPDFReal x2;
    EXPECT_TRUE(CGPDFArrayGetNumber(rect, 2, &x2));
    EXPECT_EQ(x2, 110);
    CGPDFDictionaryRef action;
    CGPDFStringRef address;
    ASSERT_TRUE(CGPDFDictionaryGetDictionary(uri, "A", &action));
    ASSERT_TRUE(CGPDFDictionaryGetString(action, "URI", &address));
    EXPECT_EQ(CGPDFStringCopyTextString(address), "http://example.com/a");
    EXPECT_EQ(CGPDFStringGetLength(address), 20u);

    // A destination by page object is that page's own dictionary.
    CGPDFArrayRef dest;
    ASSERT_TRUE(CGPDFDictionaryGetDictionary(annotation(p1, 1), "A", &action));
    ASSERT_TRUE(CGPDFDictionaryGetArray(action, "D", &dest));
    CGPDFDictionaryRef target;
    ASSERT_TRUE(CGPDFArrayGetDictionary(dest, 0, &target));
    EXPECT_EQ(target, CGPDFPageGetDictionary(CGPDFDocumentGetPage(doc, 3)));
    EXPECT_NE(target, CGPDFPageGetDictionary(CGPDFDocumentGetPage(doc, 2)));

    // A destination by integer.
    ASSERT_TRUE(CGPDFDictionaryGetDictionary(annotation(p1, 5), "A", &action));
    ASSERT_TRUE(CGPDFDictionaryGetArray(action, "D", &dest));
    CGPDFInteger pageIndex = -1;
    EXPECT_TRUE(CGPDFArrayGetInteger(dest, 0, &pageIndex));
    EXPECT_EQ(pageIndex, 1);
    EXPECT_FALSE(CGPDFArrayGetDictionary(dest, 0, &target));

    // Dest entries as a string and as a name; a link without a Rect.
    CGPDFStringRef destName;
    EXPECT_TRUE(CGPDFDictionaryGetString(annotation(p1, 2), "Dest", &destName));
    EXPECT_EQ(CGPDFStringGetBytes(destName), "chapter2");
    std::string name;
    EXPECT_FALSE(CGPDFDictionaryGetString(annotation(p1, 4), "Dest", &destName));
    EXPECT_TRUE(CGPDFDictionaryGetName(annotation(p1, 4), "Dest", &name));
    EXPECT_EQ(name, "Named");
    EXPECT_FALSE(CGPDFDictionaryGetArray(annotation(p1, 6), "Rect", &rect));
    EXPECT_FALSE(CGPDFDictionaryGetArray(nullptr, "Rect", &rect));
}

TEST_F(PDFDocumentTest, CatalogNameTreeAndDests)
{
    auto doc = reader();
    auto catalog = CGPDFDocumentGetCatalog(doc);
    CGPDFDictionaryRef names, tree, kid, named;
    CGPDFArrayRef kids, limits, pairs, dest;
    ASSERT_TRUE(CGPDFDictionaryGetDictionary(catalog, "Names", &names));
    ASSERT_TRUE(CGPDFDictionaryGetDictionary(names, "Dests", &tree));
    EXPECT_FALSE(CGPDFDictionaryGetArray(tree, "Names", &pairs));
    ASSERT_TRUE(CGPDFDictionaryGetArray(tree, "Kids", &kids));
    ASSERT_EQ(CGPDFArrayGetCount(kids), 2u);
    ASSERT_TRUE(CGPDFArrayGetDictionary(kids, 1, &kid));
    ASSERT_TRUE(CGPDFDictionaryGetArray(kid, "Limits", &limits));
    CGPDFStringRef low;
    ASSERT_TRUE(CGPDFArrayGetString(limits, 0, &low));
    EXPECT_EQ(CGPDFStringGetBytes(low), "n");
    ASSERT_TRUE(CGPDFDictionaryGetArray(kid, "Names", &pairs));
    CGPDFDictionaryRef wrapped;
    ASSERT_TRUE(CGPDFArrayGetDictionary(pairs, 1, &wrapped));
    ASSERT_TRUE(CGPDFDictionaryGetArray(wrapped, "D", &dest));
    CGPDFDictionaryRef page;
    ASSERT_TRUE(CGPDFArrayGetDictionary(dest, 0, &page));
    EXPECT_EQ(page, CGPDFPageGetDictionary(CGPDFDocumentGetPage(doc, 3)));

    ASSERT_TRUE(CGPDFDictionaryGetDictionary(catalog, "Dests", &named));
    EXPECT_EQ(CGPDFDictionaryGetCount(named), 1u);
    CGPDFObjectRef entry;
    ASSERT_TRUE(CGPDFDictionaryGetObject(named, "Named", &entry));
    EXPECT_EQ(CGPDFObjectGetType(entry), kCGPDFObjectTypeDictionary);
    EXPECT_FALSE(CGPDFDictionaryGetObject(named, "Other", &entry));
}

TEST_F(PDFDocumentTest, PasswordsUnlockEncryptedDocuments)
{
    PDFFixtures::writeReaderDocument(file("locked.pdf"), "secret", "owner");
    auto doc = CGPDFDocumentCreateWithURL(file("locked.pdf"));
    ASSERT_TRUE(doc);
    EXPECT_TRUE(CGPDFDocumentIsEncrypted(doc));
    EXPECT_FALSE(CGPDFDocumentIsUnlocked(doc));
    EXPECT_EQ(CGPDFDocumentGetNumberOfPages(doc), 0u);
    EXPECT_EQ(CGPDFDocumentGetPage(doc, 1), nullptr);
    EXPECT_EQ(CGPDFDocumentGetCatalog(doc), nullptr);
    EXPECT_FALSE(CGPDFDocumentUnlockWithPassword(doc, ""));
    EXPECT_FALSE(CGPDFDocumentUnlockWithPassword(doc, "wrong"));
    EXPECT_TRUE(CGPDFDocumentUnlockWithPassword(doc, "secret"));
    EXPECT_TRUE(CGPDFDocumentIsUnlocked(doc));
    EXPECT_TRUE(CGPDFDocumentUnlockWithPassword(doc, "anything now"));
    EXPECT_EQ(CGPDFDocumentGetNumberOfPages(doc), 3u);
    // Strings come back decrypted, and the page still draws.
    CGPDFDictionaryRef action;
    CGPDFStringRef address;
    auto p1 = CGPDFDocumentGetPage(doc, 1);
    ASSERT_TRUE(CGPDFDictionaryGetDictionary(annotation(p1, 0), "A", &action));
    ASSERT_TRUE(CGPDFDictionaryGetString(action, "URI", &address));
    EXPECT_EQ(CGPDFStringCopyTextString(address), "http://example.com/a");
    EXPECT_TRUE(isRed(render(p1, 306, 396)->pixelAt(50, 70)));

    // An empty user password: encrypted, yet open at once.
    PDFFixtures::writeReaderDocument(file("owner-only.pdf"), "", "owner");
    auto open = CGPDFDocumentCreateWithURL(file("owner-only.pdf"));
    ASSERT_TRUE(open);
    EXPECT_TRUE(CGPDFDocumentIsEncrypted(open));
    EXPECT_TRUE(CGPDFDocumentIsUnlocked(open));
    EXPECT_EQ(CGPDFDocumentGetNumberOfPages(open), 3u);
}

TEST_F(PDFDocumentTest, DamagedAndCyclicFilesGiveErrorsNotCrashes)
{
    std::ofstream(file("text.pdf")) << "this is not a PDF at all\n";
    EXPECT_EQ(CGPDFDocumentCreateWithURL(file("text.pdf")), nullptr);
    EXPECT_EQ(CGPDFDocumentCreateWithURL(file("missing.pdf")), nullptr);
    EXPECT_EQ(CGPDFDocumentCreateWithURL(dir), nullptr);

    // Half a document: whatever opens must answer without crashing.
    PDFFixtures::writeReaderDocument(file("whole.pdf"));
    std::ifstream in(file("whole.pdf"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(file("half.pdf"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    if (auto half = CGPDFDocumentCreateWithURL(file("half.pdf"))) {
        size_t n = CGPDFDocumentGetNumberOfPages(half);
        for (size_t i = 1; i <= n; ++i)
            render(CGPDFDocumentGetPage(half, i), 30, 40);
    }

    PDFFixtures::writeCyclicDocument(file("cyclic.pdf"));
    auto cyclic = CGPDFDocumentCreateWithURL(file("cyclic.pdf"));
    ASSERT_TRUE(cyclic);
    EXPECT_LE(CGPDFDocumentGetNumberOfPages(cyclic), 1u);
    if (auto page = CGPDFDocumentGetPage(cyclic, 1))
        render(page, 20, 20);
    // A node listing itself is the same object one level down: a walker can
    // see the loop instead of following it for ever.
    CGPDFDictionaryRef names, tree, kid;
    CGPDFArrayRef kids;
    ASSERT_TRUE(CGPDFDictionaryGetDictionary(CGPDFDocumentGetCatalog(cyclic), "Names", &names));
    ASSERT_TRUE(CGPDFDictionaryGetDictionary(names, "Dests", &tree));
    ASSERT_TRUE(CGPDFDictionaryGetArray(tree, "Kids", &kids));
    ASSERT_TRUE(CGPDFArrayGetDictionary(kids, 0, &kid));
    EXPECT_EQ(kid, tree);
}
