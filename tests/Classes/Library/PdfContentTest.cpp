#include "Classes/Library/PdfContentPage.h"
#include "Classes/Library/PdfContentView.h"
#include "Classes/Library/PdfDocument.h"
#include "BrochureFixture.h"
#include "PdfFixture.h"

#include "Platform/UIKit/UIViewRendering.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "TemporaryHome.h"

#include <gtest/gtest.h>

namespace {

class PdfContentTest : public TemporaryHomeTest {
protected:
    std::string write(const std::string& name, const PdfFixture& pdf)
    {
        std::string path = home.documents() + "/" + name;
        EXPECT_TRUE(pdf.write(path));
        return path;
    }
    // A link annotation over [x1 y1 x2 y2] with the rest of its dictionary.
    static std::string link(const std::string& rect, const std::string& rest)
    {
        return "<< /Type /Annot /Subtype /Link /Rect [" + rect + "] " + rest + " >>";
    }
    // The centre of a PDF rectangle on an upright 612 x 792 page, in view points.
    static CGPoint at(CGFloat x1, CGFloat y1, CGFloat x2, CGFloat y2)
    {
        return CGPointMake((x1 + x2) / 2, 792 - (y1 + y2) / 2);
    }
};

TEST_F(PdfContentTest, LinksAnswerAddressesAndPagesByEveryKindOfDestination)
{
    PdfFixture pdf = PdfFixture::withPages(3);
    pdf.catalogEntries = "/Names << /Dests {obj:0} >> /Dests << /Intro << /D [{page:2} /Fit] >> >>";
    pdf.extraObjects = {
        "<< /Kids [{obj:1} {obj:2} {obj:3}] >>",
        "<< /Limits [(x) (z)] /Names [(chapter2) [{page:3} /Fit]] >>",
        "<< /Limits [(a) (b)] /Names [(apple) [{page:1} /Fit]] >>",
        "<< /Limits [(c) (d)] /Names [(chapter2) [{page:2} /Fit] (chapter3) << /D [{page:3} /Fit] >>] >>",
        "<< /Type /Page >>",
    };
    pdf.pages[0].annotations = {
        link("100 100 200 150", "/A << /S /URI /URI (www.example.com/brochure) >>"),
        link("300 100 400 150", "/A << /S /GoTo /D [{page:3} /Fit] >>"),
        link("100 300 200 350", "/Dest [0 /Fit]"),
        link("300 300 400 350", "/Dest (chapter2)"),
        link("300 400 400 450", "/A << /S /GoTo /D (chapter3) >>"),
        link("100 500 200 550", "/Dest /Intro"),
        link("300 500 400 550", "/Dest [{obj:4} /Fit]"),
        link("100 600 200 700", "/Dest [1 /Fit]"),
        link("100 600 200 700", "/Dest [2 /Fit]"),
        link("300 600 400 700", "/A << /S /Launch /F (x.exe) >>"),
        "<< /Type /Annot /Subtype /Link /Dest [1 /Fit] >>",
        "<< /Type /Annot /Subtype /Text /Rect [300 300 400 350] >>",
    };
    auto page = PdfContentPage::initWithURLPagePassword(write("links.pdf", pdf), 1, std::nullopt);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->links().size(), 10u);

    struct Case {
        const char* what;
        CGPoint point;
        PdfLinkTarget target;
    } cases[] = {
        { "address as stored", at(100, 100, 200, 150), std::string("www.example.com/brochure") },
        { "go to a page object", at(300, 100, 400, 150), 3L },
        { "integer 0 is page 1", at(100, 300, 200, 350), 1L },
        { "named in the tree, outside limits skipped", at(300, 300, 400, 350), 2L },
        { "go to a name whose value is a dictionary", at(300, 400, 400, 450), 3L },
        { "name object in the catalog's dests", at(100, 500, 200, 550), 2L },
        { "page object that is no page", at(300, 500, 400, 550), PdfLinkTarget {} },
        { "the later of two overlapping links", at(100, 600, 200, 700), 3L },
        { "unknown action", at(300, 600, 400, 700), PdfLinkTarget {} },
        { "no link there", CGPointMake(5, 5), PdfLinkTarget {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(page->linkTargetAtPoint(c.point), c.target) << c.what;
}

TEST_F(PdfContentTest, CyclicAndDeepNameTreesEndWithoutAnAnswer)
{
    PdfFixture pdf = PdfFixture::withPages(1);
    pdf.catalogEntries = "/Names << /Dests {obj:0} >>";
    pdf.extraObjects = { "<< /Kids [{obj:0} {obj:1}] >>" };
    const int depth = 5000;
    for (int i = 1; i < depth; ++i)
        pdf.extraObjects.push_back("<< /Kids [{obj:" + std::to_string(i + 1) + "}] >>");
    pdf.extraObjects.push_back("<< /Names [(deep) [0 /Fit]] >>");
    pdf.pages[0].annotations = { link("100 100 200 150", "/Dest (deep)") };
    auto page = PdfContentPage::initWithURLPagePassword(write("cyclic.pdf", pdf), 1, std::nullopt);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->linkTargetAtPoint(at(100, 100, 200, 150)), PdfLinkTarget {});
}

TEST_F(PdfContentTest, PageViewIsTheVisibleBoxUprightInEvenWholePoints)
{
    PdfFixture pdf = PdfFixture::withPages(4);
    pdf.pages[0].width = 595.3;
    pdf.pages[0].height = 841.9;
    pdf.pages[1].cropBox = std::vector<double> { -100, 100, 400, 900 };
    pdf.pages[2].rotate = 90;
    pdf.pages[3].rotate = 270;
    pdf.pages[3].annotations = { link("100 100 200 150", "/Dest [0 /Fit]") };
    std::string path = write("boxes.pdf", pdf);
    struct Case {
        long page;
        CGSize size;
    } cases[] = {
        { 0, CGSizeMake(594, 840) },
        { 1, CGSizeMake(594, 840) },
        { 2, CGSizeMake(400, 692) },
        { 3, CGSizeMake(792, 612) },
        { 99, CGSizeMake(792, 612) },
    };
    for (const auto& c : cases) {
        auto page = PdfContentPage::initWithURLPagePassword(path, c.page, std::nullopt);
        ASSERT_TRUE(page) << c.page;
        EXPECT_EQ(page->bounds().size.width, c.size.width) << c.page;
        EXPECT_EQ(page->bounds().size.height, c.size.height) << c.page;
    }
    // On a page turned by 270 degrees the link lies where the page shows it: x = W - y, y = x.
    auto turned = PdfContentPage::initWithURLPagePassword(path, 4, std::nullopt);
    EXPECT_EQ(turned->linkTargetAtPoint(CGPointMake(792 - 125, 150)), PdfLinkTarget { 1L });
}

TEST_F(PdfContentTest, UnopenableDocumentsGiveNoPageAndAnEmptyContentView)
{
    std::string locked = write("locked.pdf", PdfFixture::withPages(2));
    ASSERT_TRUE(PdfFixture::encrypt(locked, "pw", "owner"));
    EXPECT_FALSE(PdfContentPage::initWithURLPagePassword(std::nullopt, 1, std::nullopt));
    EXPECT_FALSE(PdfContentPage::initWithURLPagePassword(home.documents() + "/missing.pdf", 1, std::nullopt));
    EXPECT_FALSE(PdfContentPage::initWithURLPagePassword(locked, 1, std::string("wrong")));
    EXPECT_TRUE(PdfContentPage::initWithURLPagePassword(locked, 1, std::string("pw")));

    auto view = PdfContentView::initWithFrameFileURLPagePassword(CGRectMake(0, 0, 1024, 768), locked, 2, std::nullopt);
    EXPECT_EQ(view->tag(), 2);
    EXPECT_FALSE(view->containerView());
    EXPECT_TRUE(view->subviews().empty());
}

TEST_F(PdfContentTest, ZoomFitsThePageStepsThreeTimesAndFollowsTheFrame)
{
    std::string path = write("zoom.pdf", PdfFixture::withPages(1));
    auto view = PdfContentView::initWithFrameFileURLPagePassword(CGRectMake(0, 0, 1024, 768), path, 1, std::nullopt);
    ASSERT_TRUE(view->containerView());
    CGFloat fit = std::min(1016.0f / 612, 760.0f / 792);
    EXPECT_FLOAT_EQ(view->minimumZoomScale(), fit);
    EXPECT_FLOAT_EQ(view->maximumZoomScale(), fit * 3);
    EXPECT_FLOAT_EQ(view->zoomScale(), fit);
    std::vector<CGFloat> seen;
    for (int i = 0; i < 4; ++i) {
        view->loopZoom();
        seen.push_back(view->zoomScale());
    }
    EXPECT_FLOAT_EQ(seen[0], fit * 5 / 3);
    EXPECT_FLOAT_EQ(seen[2], fit * 3);
    EXPECT_FLOAT_EQ(seen[3], fit);

    // Zoomed in, a new frame whose limits still hold the zoom keeps it; at the fit it stays fitted.
    view->zoomIncrement();
    CGFloat zoomed = view->zoomScale();
    view->setFrame(CGRectMake(0, 0, 768, 1024));
    EXPECT_FLOAT_EQ(view->zoomScale(), zoomed);
    view->zoomReset();
    view->setFrame(CGRectMake(0, 0, 1024, 768));
    EXPECT_FLOAT_EQ(view->zoomScale(), view->minimumZoomScale());
}

// The card's shadow is a picture made once for each size of the card: drawing
// the page again reuses it, a zoom that changes the card's size makes it anew.
TEST_F(PdfContentTest, TheCardsShadowIsDrawnOncePerCardSize)
{
    std::string path = write("card.pdf", PdfFixture::withPages(1));
    auto view = PdfContentView::initWithFrameFileURLPagePassword(CGRectMake(0, 0, 1024, 768), path, 1, std::nullopt);
    ASSERT_TRUE(view->cardShadow());
    auto first = UIViewRenderToImage(*view);
    auto shadow = view->cardShadow()->image();
    ASSERT_TRUE(first && shadow);
    ASSERT_TRUE(UIViewRenderToImage(*view));
    EXPECT_EQ(view->cardShadow()->image(), shadow);

    CGRect card = view->containerView()->frame();
    CGRect around = view->cardShadow()->frame();
    EXPECT_FLOAT_EQ(around.origin.x, card.origin.x - 8);
    EXPECT_FLOAT_EQ(around.size.width, card.size.width + 16);
    // The shadow darkens just outside the card's left edge and fades out before the margin ends.
    auto x = static_cast<size_t>(card.origin.x - view->contentOffset().x);
    auto y = static_cast<size_t>(card.origin.y - view->contentOffset().y + card.size.height / 2);
    CGPixel outside = first->CGImage()->pixelAt(x - 1, y), far = first->CGImage()->pixelAt(x - 8, y);
    CGPixel inside = first->CGImage()->pixelAt(x + 1, y);
    EXPECT_GT(outside.alpha, far.alpha);
    EXPECT_EQ(inside, (CGPixel { 255, 255, 255, 255 }));

    view->setZoomScale(view->maximumZoomScale());
    view->layoutSubviews();
    ASSERT_TRUE(view->cardShadow()->image());
    EXPECT_NE(view->cardShadow()->image(), shadow);
    EXPECT_FLOAT_EQ(view->cardShadow()->frame().size.width, view->containerView()->frame().size.width + 16);
}

TEST_F(PdfContentTest, TilesDrawThePageOnWhite)
{
    std::string path = write("draw.pdf", PdfFixture::withPages(1));
    auto page = PdfContentPage::initWithURLPagePassword(path, 1, std::nullopt);
    auto image = UIViewRenderToImage(*page);
    ASSERT_TRUE(image);
    // White above the coloured band at the foot of the page, the band drawn below.
    EXPECT_EQ(image->CGImage()->pixelAt(5, 5), (CGPixel { 255, 255, 255, 255 }));
    EXPECT_NE(image->CGImage()->pixelAt(5, 780), (CGPixel { 255, 255, 255, 255 }));
}

// A brochure as a layout tool writes it, page by page through the reader: the
// photograph (a JPEG stream) with its sky over its ground, the logo (an image
// with an alpha channel) over the heading band, and body text in the columns.
TEST_F(PdfContentTest, TheReaderDrawsEveryPartOfABrochurePage)
{
    const std::string path = home.documents() + "/brochure.pdf";
    ASSERT_TRUE(BrochureFixture::write(path, 3));
    for (long number : { 1L, 2L, 3L }) {
        SCOPED_TRACE(number);
        auto page = PdfContentPage::initWithURLPagePassword(path, number, std::nullopt);
        ASSERT_TRUE(page);
        auto image = UIViewRenderToImage(*page);
        ASSERT_TRUE(image);
        const auto& pixels = *image->CGImage();
        const CGPixel sky = pixels.pixelAt(60, 190), ground = pixels.pixelAt(60, 170 + (number == 1 ? 340 : 195));
        EXPECT_GT(sky.blue, sky.red + 60) << "the photograph's sky";
        EXPECT_LT(ground.blue, sky.blue - 60) << "the photograph's ground";
        const CGPixel logo = pixels.pixelAt(485, 60);
        EXPECT_GT(logo.red, logo.blue + 100) << "the logo over the band";
        // Some pixels of the text column are nearly black ink, none of the margin beside it.
        const size_t left = number == 1 ? 40 : 360, top = number == 1 ? 580 : 210;
        size_t ink = 0;
        for (size_t y = top; y < top + 40; ++y)
            for (size_t x = left; x < left + 150; ++x) {
                const CGPixel p = pixels.pixelAt(x, y);
                ink += p.red < 90 && p.green < 90 && p.blue < 90;
            }
        EXPECT_GT(ink, 100u) << "the body text";
        EXPECT_EQ(pixels.pixelAt(20, 400), (CGPixel { 255, 255, 255, 255 })) << "the margin";
    }
}

}  // namespace
