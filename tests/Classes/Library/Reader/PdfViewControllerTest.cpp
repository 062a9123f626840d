#include "ReaderFixture.h"

#include <fstream>

#include "Classes/Library/PdfContentThumb.h"
#include "Classes/Library/PdfMainPagebar.h"
#include "Classes/Library/PdfPagebarThumb.h"
#include "Classes/Library/PdfTrackControl.h"
#include "Classes/Library/ThumbsPageThumb.h"
#include "Classes/Library/ThumbsViewController.h"
#include "Platform/UIKit/MFMailComposeViewController.h"
#include "Platform/UIKit/UITextField.h"
#include "support/PrintServer.h"
#include "support/SmtpSink.h"
#include "support/TestDesktop.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIPrintInteractionController.h"
#include "Platform/UIKit/UIPrintPanel.h"
#include "Platform/UIKit/UISwitch.h"
#include "Platform/UIKit/UISegmentedControl.h"

namespace {

constexpr CGPoint kRightZone { 1000, 384 };
constexpr CGPoint kLeftZone { 20, 384 };
constexpr CGPoint kMiddle { 512, 384 };

TEST_F(ReaderTest, OpensAtTheStoredPageWithItsNeighboursAndRemembersWhereItWasLeft)
{
    std::string path = writePdf(PdfFixture::withPages(20));
    open(path, 7);
    EXPECT_EQ(reader->currentPage(), 7);
    EXPECT_EQ(livePages(), (std::vector<long> { 6, 7, 8 }));
    EXPECT_EQ(reader->scrollView()->contentSize().width, 3 * 1024);
    EXPECT_EQ(reader->scrollView()->contentOffset().x, 1024);
    EXPECT_TRUE(driver->findLabel("7 of 20"));
    EXPECT_TRUE(reader->mainToolbar()->markButton()->isEnabled());
    EXPECT_GT(document->lastOpen().secondsSince1970, PdfDocument::kReferenceDate);

    tapAndSettle(kRightZone);
    EXPECT_EQ(reader->currentPage(), 8);
    EXPECT_EQ(livePages(), (std::vector<long> { 7, 8, 9 }));
    ASSERT_TRUE(driver->tapButton("Back"));
    EXPECT_EQ(opener->closeRequests, 1);

    auto reopened = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
    EXPECT_EQ(reopened->pageNumber(), 8);
    EXPECT_EQ(reopened->guid(), document->guid());
}

TEST_F(ReaderTest, EdgeZonesTurnPagesWithinTheDocumentAndTheStripKeepsThreeViews)
{
    struct Case {
        size_t pages;
        long start;
        std::vector<long> live;
        CGFloat offset;
        CGFloat width;
    } cases[] = {
        { 1, 1, { 1 }, 0, 1024 },
        { 2, 2, { 1, 2 }, 1024, 2048 },
        { 30, 30, { 28, 29, 30 }, 2048, 3072 },
        { 30, 1, { 1, 2, 3 }, 0, 3072 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pages);
        open(writePdf(PdfFixture::withPages(c.pages),
                 "Doc" + std::to_string(c.pages) + "-" + std::to_string(c.start) + ".pdf"),
            c.start);
        EXPECT_EQ(livePages(), c.live);
        EXPECT_EQ(reader->scrollView()->contentOffset().x, c.offset);
        EXPECT_EQ(reader->scrollView()->contentSize().width, c.width);
        tapAndSettle(c.start == 1 ? kLeftZone : kRightZone);
        EXPECT_EQ(reader->currentPage(), c.start);
    }
    tapAndSettle(kRightZone);
    EXPECT_EQ(reader->currentPage(), 2);
    tapAndSettle(kLeftZone);
    EXPECT_EQ(reader->currentPage(), 1);
}

TEST_F(ReaderTest, TwoQuickTapsAtTheEdgeTurnOnePageAndATurnDuringATurnIsIgnored)
{
    open(writePdf(PdfFixture::withPages(10)), 3);
    driver->doubleTapAt(kRightZone);
    driver->advance(1.0);
    EXPECT_EQ(reader->currentPage(), 4);

    reader->incrementPageNumber();
    reader->incrementPageNumber();
    driver->advance(1.0);
    EXPECT_EQ(reader->currentPage(), 5);
}

TEST_F(ReaderTest, DoubleTapsInTheMiddleStepTheZoomAndReturnToTheFittedPage)
{
    open(writePdf(PdfFixture::withPages(3)), 1);
    auto page = reader->contentViews().at(1);
    CGFloat fitted = page->zoomScale();
    std::vector<CGFloat> zooms;
    for (int i = 0; i < 4; ++i) {
        driver->doubleTapAt(kMiddle);
        driver->advance(0.5);
        zooms.push_back(page->zoomScale());
    }
    EXPECT_FLOAT_EQ(zooms[2], page->maximumZoomScale());
    EXPECT_FLOAT_EQ(zooms[3], fitted);
    EXPECT_FLOAT_EQ(page->maximumZoomScale(), fitted * 3);
}

TEST_F(ReaderTest, LinksJumpToPagesAndOpenOnlyWebAndMailAddresses)
{
    PdfFixture pdf = PdfFixture::withPages(6);
    auto link = [](const std::string& rect, const std::string& rest) {
        return "<< /Subtype /Link /Rect [" + rect + "] " + rest + " >>";
    };
    pdf.pages[0].annotations = {
        link("100 100 200 150", "/Dest [{page:5} /Fit]"),
        link("100 300 200 350", "/A << /S /URI /URI (www.example.com) >>"),
        link("100 500 200 550", "/A << /S /URI /URI (file:///etc/passwd) >>"),
        link("300 500 400 550", "/A << /S /URI /URI (javascript:alert(1)) >>"),
        link("300 300 400 350", "/A << /S /URI /URI (mailto:sales@example.com) >>"),
    };
    ScopedTestApplication browser;
    ASSERT_TRUE(browser.installed()) << browser.error();
    open(writePdf(pdf), 1);
    auto app = UIApplication::sharedApplication();
    size_t opened = app->openedURLs().size();

    tapAndSettle(onPage(1, 150, 325));
    tapAndSettle(onPage(1, 150, 525));
    tapAndSettle(onPage(1, 350, 525));
    tapAndSettle(onPage(1, 350, 325));
    std::vector<std::string> urls(app->openedURLs().begin() + static_cast<long>(opened), app->openedURLs().end());
    EXPECT_EQ(urls, (std::vector<std::string> { "http://www.example.com", "mailto:sales@example.com" }));
    EXPECT_EQ(browser.waitForArguments(2), urls);
    EXPECT_TRUE(logged("refused to open link file:///etc/passwd"));

    tapAndSettle(onPage(1, 150, 125));
    EXPECT_EQ(reader->currentPage(), 5);
    EXPECT_EQ(livePages(), (std::vector<long> { 4, 5, 6 }));

    EXPECT_EQ(PdfViewController::openableLinkAddress("www.a.com/b"), std::string("http://www.a.com/b"));
    EXPECT_EQ(PdfViewController::openableLinkAddress("HTTPS://a.com"), std::string("HTTPS://a.com"));
    EXPECT_FALSE(PdfViewController::openableLinkAddress("example.com"));
    EXPECT_FALSE(PdfViewController::openableLinkAddress("tel:123"));
}

TEST(PdfViewControllerLinks, OnlyWebAndMailAddressesOpen)
{
    struct Case {
        const char* address;
        std::optional<std::string> opened;
    };
    const Case cases[] = {
        { "http://acme.example", "http://acme.example" },
        { "mailto:sales@acme.example", "mailto:sales@acme.example" },
        { "www.acme.example", "http://www.acme.example" },
        { "C:\\Users\\ann\\brochure.pdf", std::nullopt },
        { "file:///etc/passwd", std::nullopt },
        { "", std::nullopt },
        { ":x", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(PdfViewController::openableLinkAddress(c.address), c.opened) << c.address;
}

TEST_F(ReaderTest, ATouchInTheMiddleHidesTheBarsAndOnlyALaterTapBringsThemBack)
{
    open(writePdf(PdfFixture::withPages(4)), 2);
    auto toolbar = reader->mainToolbar();
    auto pagebar = reader->mainPagebar();

    tapAndSettle(CGPointMake(512, 20 + 300));
    EXPECT_TRUE(toolbar->isHidden());
    EXPECT_TRUE(pagebar->isHidden());

    // The edge zone with one finger leaves them hidden, and so does the tap that hid them.
    driver->advance(2);
    tapAndSettle(kMiddle);
    EXPECT_FALSE(toolbar->isHidden());
    EXPECT_FALSE(pagebar->isHidden());

    // One finger within 48 points of an edge does not hide them.
    window->handleTouch(7, UITouchPhaseBegan, CGPointMake(30, 700));
    window->handleTouch(7, UITouchPhaseEnded, CGPointMake(30, 700));
    driver->advance(1);
    EXPECT_FALSE(toolbar->isHidden());
}

TEST_F(ReaderTest, BookmarksToggleAndTheOverviewShowsAndEditsBookmarkedPages)
{
    open(writePdf(PdfFixture::withPages(12)), 5);
    auto markButton = reader->mainToolbar()->markButton();
    auto markImageY = UIImage::imageNamed("Pdf-Mark-Y");
    driver->tap(markButton);
    EXPECT_TRUE(document->bookmarks().containsIndex(5));
    EXPECT_EQ(markButton->currentImage()->CGImage(), markImageY->CGImage());

    driver->tap(reader->mainToolbar()->thumbsButton());
    auto overview = std::dynamic_pointer_cast<ThumbsViewController>(reader->presentedViewController());
    ASSERT_TRUE(overview);
    driver->settle();
    EXPECT_FALSE(overview->showBookmarked());

    auto showControl = overview->mainToolbar()->showControl();
    driver->tapAt(showControl->convertPointToView(CGPointMake(49, 17), nullptr));
    driver->advance(0.5);
    ASSERT_TRUE(overview->showBookmarked());
    ASSERT_EQ(overview->thumbsView()->visibleCells().size(), 1u);
    auto cell = std::dynamic_pointer_cast<ThumbsPageThumb>(overview->thumbsView()->visibleCells().front());
    EXPECT_EQ(cell->textLabel()->text(), "5");
    EXPECT_FALSE(cell->bookMark()->isHidden());

    driver->longPress(cell, 1.0);
    EXPECT_FALSE(document->bookmarks().containsIndex(5));
    EXPECT_TRUE(cell->bookMark()->isHidden());
    EXPECT_EQ(overview->thumbsView()->visibleCells().size(), 1u);

    driver->tap(overview->mainToolbar()->viewButton());
    driver->settle();
    EXPECT_FALSE(reader->presentedViewController());
    EXPECT_NE(markButton->currentImage()->CGImage(), markImageY->CGImage());
    EXPECT_EQ(markButton->tag(), 0);
}

TEST_F(ReaderTest, ChoosingAThumbnailShowsThatPageAndTheOverviewsBackClosesTheReader)
{
    open(writePdf(PdfFixture::withPages(40)), 40);
    driver->tap(reader->mainToolbar()->thumbsButton());
    auto overview = std::dynamic_pointer_cast<ThumbsViewController>(reader->presentedViewController());
    ASSERT_TRUE(overview);
    auto grid = overview->thumbsView();
    EXPECT_EQ(grid->columns(), 4);
    // The last page's row sits in view without scrolling past the end.
    EXPECT_LE(grid->contentOffset().y, grid->contentSize().height - grid->bounds().size.height);
    EXPECT_GT(grid->contentOffset().y, 0);

    std::shared_ptr<PdfThumbView> twentieth;
    for (const auto& cell : grid->visibleCells())
        if (cell->tag() == 36)
            twentieth = cell;
    ASSERT_TRUE(twentieth);
    tapAndSettle(driver->centerOf(twentieth));
    EXPECT_FALSE(reader->presentedViewController());
    EXPECT_EQ(reader->currentPage(), 37);

    driver->tap(reader->mainToolbar()->thumbsButton());
    overview = std::dynamic_pointer_cast<ThumbsViewController>(reader->presentedViewController());
    driver->tap(overview->mainToolbar()->backButton());
    driver->settle();
    EXPECT_EQ(opener->closeRequests, 1);
}

TEST_F(ReaderTest, PageBarScrubsAndJumpsOnRestAndOnLift)
{
    open(writePdf(PdfFixture::withPages(10)), 1);
    auto pagebar = reader->mainPagebar();
    auto control = pagebar->trackControl();
    auto at = [&](long page) {
        CGFloat width = control->bounds().size.width / 10;
        return control->convertPointToView(CGPointMake(width * (static_cast<CGFloat>(page) - 0.5f), 10), nullptr);
    };
    // Held still on page 4 for a quarter of a second: the reader goes there with the finger down.
    window->handleTouch(3, UITouchPhaseBegan, at(2));
    window->handleTouch(3, UITouchPhaseMoved, at(4));
    driver->advance(0.1);
    EXPECT_EQ(reader->currentPage(), 1);
    EXPECT_TRUE(driver->findLabel("4 of 10"));
    driver->advance(0.2);
    EXPECT_EQ(reader->currentPage(), 4);
    // Lifting on page 7 jumps once, and the bar then ignores touches for a quarter of a second.
    window->handleTouch(3, UITouchPhaseMoved, at(7));
    window->handleTouch(3, UITouchPhaseEnded, at(7));
    driver->settle();
    EXPECT_EQ(reader->currentPage(), 7);
    EXPECT_FALSE(control->isUserInteractionEnabled());
    driver->advance(0.3);
    EXPECT_TRUE(control->isUserInteractionEnabled());
    // Lifting on the current page asks for nothing.
    window->handleTouch(4, UITouchPhaseBegan, at(7));
    window->handleTouch(4, UITouchPhaseEnded, at(7));
    driver->settle();
    EXPECT_TRUE(control->isUserInteractionEnabled());
}

TEST_F(ReaderTest, ThumbnailsArriveFromTheMemoryCacheAndFromFilesUnderTheDocumentsId)
{
    std::string path = writePdf(PdfFixture::withPages(5));
    open(path, 2);
    finishThumbnails();
    auto page = reader->contentViews().at(2);
    EXPECT_TRUE(page->thumbView()->imageView()->image());
    std::string folder = home->caches() + "/" + document->guid();
    for (const char* name :
        { "0000002-0240x0240.png", "0000001-0240x0240.png", "0000002-0032x0042.png", "0000005-0022x0028.png" })
        EXPECT_TRUE(NSFileManager::defaultManager().fileExistsAtPath(folder + "/" + name)) << name;
    auto cached = PdfThumbCache::sharedInstance().objectForKey("0000002-0240x0240+" + document->guid());
    ASSERT_TRUE(cached.has_value());
    EXPECT_TRUE(std::holds_alternative<std::shared_ptr<UIImage>>(*cached));

    // Closing empties the memory and keeps the files.
    driver->tapButton("Back");
    EXPECT_FALSE(PdfThumbCache::sharedInstance().objectForKey("0000002-0240x0240+" + document->guid()).has_value());
    EXPECT_TRUE(NSFileManager::defaultManager().fileExistsAtPath(folder + "/0000002-0240x0240.png"));
}

TEST_F(ReaderTest, SharesByMailPrintAndRefusesOpenInWithoutAnApplication)
{
    std::string path = writePdf(PdfFixture::withPages(2));
    open(path, 1);
    SmtpSink sink;
    ASSERT_TRUE(sink.running()) << sink.error();
    ScopedMailAccount account(sink.url());
    driver->tap(reader->mainToolbar()->shareButton());
    ASSERT_TRUE(driver->tapButton("Email"));
    driver->settle();
    auto composer = std::dynamic_pointer_cast<MFMailComposeViewController>(reader->presentedViewController());
    ASSERT_TRUE(composer);
    ASSERT_EQ(composer->message().attachments.size(), 1u);
    EXPECT_EQ(composer->message().attachments[0].mimeType, "application/pdf");
    EXPECT_EQ(composer->message().attachments[0].fileName, "Brochure.pdf");
    EXPECT_EQ(composer->message().subject, "Brochure.pdf");
    driver->tap(composer->toField());
    driver->typeText("buyer@harbour.test");
    driver->tap(composer->sendButton());
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return driver->visibleAlert() != nullptr; }, 30));
    EXPECT_EQ(driver->visibleAlert()->title(), "The file has been sent.");
    driver->tapAlertButton("OK");
    driver->advance(1);
    auto received = sink.received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].subject, "Brochure.pdf");
    ASSERT_EQ(received[0].attachments.size(), 1u);
    EXPECT_EQ(received[0].attachments[0].fileName, "Brochure.pdf");
    EXPECT_EQ(received[0].attachments[0].data, *NSFileManager::defaultManager().contentsAtPath(path));

    // Print: the file goes to the printer two-sided on the long edge, every page or those asked for.
    PrintServer printers;
    ASSERT_TRUE(printers.running()) << printers.error();
    ASSERT_TRUE(printers.addPrinter("Office", "Office Printer", PrintServer::Device::File, true)) << printers.error();
    ScopedPrintServer scoped(printers.address());
    driver->tap(reader->mainToolbar()->shareButton());
    ASSERT_TRUE(driver->tapButton("Print"));
    driver->advance(1);
    auto printer = UIPrintInteractionController::sharedPrintInteractionController();
    ASSERT_TRUE(printer);
    auto panel = printer->printPanel();
    ASSERT_TRUE(panel);
    ASSERT_TRUE(panel->pageRangeField());
    ASSERT_TRUE(panel->twoSidedSwitch());
    EXPECT_TRUE(panel->twoSidedSwitch()->isOn());
    driver->tap(panel->printButton());
    ASSERT_TRUE(pumpMainRunLoopUntil(
        [&] { return !printers.jobs().empty() && printers.jobs().back().state == "completed"; }, 60));
    auto jobs = printers.jobs();
    EXPECT_EQ(jobs.back().name, "Brochure.pdf");
    EXPECT_EQ(jobs.back().sides, "two-sided-long-edge");
    EXPECT_EQ(PrintServer::pageCount(printers.output("Office")), 2);

    driver->tap(reader->mainToolbar()->shareButton());
    ASSERT_TRUE(driver->tapButton("Open in…"));
    driver->advance(1);
    ASSERT_TRUE(driver->visibleAlert());
    EXPECT_EQ(driver->visibleAlert()->message(), "Please install an application that can open this file.");
}

// Files of 50 MB (52,428,800 bytes) and more are not mailed: the e-mail
// button is offered, and choosing it does nothing.
TEST_F(ReaderTest, ASixtyMegabyteDocumentOffersMailButChoosingItDoesNothing)
{
    PdfFixture pdf = PdfFixture::withPages(2);
    const size_t padding = 60u * 1024 * 1024;
    pdf.extraObjects.push_back(
        "<< /Length " + std::to_string(padding) + " >>\nstream\n" + std::string(padding, ' ') + "\nendstream");
    open(writePdf(pdf, "Catalogue.pdf"), 1);
    ASSERT_GE(document->fileSize().value_or(0), padding);
    ASSERT_EQ(reader->contentViews().size(), 2u);  // the document itself reads as usual

    ScopedMailAccount account("smtp://127.0.0.1:25");
    driver->tap(reader->mainToolbar()->shareButton());
    ASSERT_TRUE(driver->tapButton("Email"));
    driver->advance(1);
    EXPECT_FALSE(reader->presentedViewController());
    EXPECT_FALSE(driver->visibleAlert());
}

TEST_F(ReaderTest, NoMailAccountIsToldAndDamagedOrEmptyDocumentsShowNothingWithoutFailing)
{
    open(writePdf(PdfFixture::withPages(1)), 1);
    {
        ScopedMailAccount none;
        driver->tap(reader->mainToolbar()->shareButton());
        ASSERT_TRUE(driver->tapButton("Email"));
        driver->advance(1);
        ASSERT_TRUE(driver->visibleAlert());
        EXPECT_EQ(driver->visibleAlert()->message(), "No mail account is set up on this device.");
        driver->tapAlertButton("OK");
    }

    std::string damaged = home->documents() + "/acme/Pdf/Damaged.pdf";
    {
        std::ofstream file(damaged, std::ios::binary);
        file << "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\ntrailer << /Root 1 0 R >>\n";
    }
    open(damaged);
    EXPECT_EQ(reader->currentPage(), 0);
    EXPECT_TRUE(reader->contentViews().empty());
    tapAndSettle(kRightZone);
    driver->tap(reader->mainToolbar()->thumbsButton());
    EXPECT_TRUE(reader->presentedViewController());
}

}  // namespace

namespace {

TEST_F(ReaderTest, PicturesOfAPageAndOfTheOverviewForAPersonToLookAt)
{
    PdfFixture pdf = PdfFixture::withPages(16);
    pdf.pages[2].width = 842;
    pdf.pages[2].height = 595;
    open(writePdf(pdf), 2);
    finishThumbnails();
    driver->tap(reader->mainToolbar()->markButton());
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("pdf-reader-page.png")));

    driver->tap(reader->mainToolbar()->thumbsButton());
    driver->settle();
    finishThumbnails();
    auto overview = std::dynamic_pointer_cast<ThumbsViewController>(reader->presentedViewController());
    ASSERT_TRUE(overview);
    size_t shown = 0;
    for (const auto& cell : overview->thumbsView()->visibleCells())
        shown += cell->imageView()->image() != nullptr;
    EXPECT_EQ(shown, overview->thumbsView()->visibleCells().size());
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("pdf-reader-overview.png")));
}

}  // namespace
