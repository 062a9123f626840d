// The other viewers: the video player screen and the office preview, opened
// as the library opens them and driven by touch.

#include "Classes/Library/PPTLoadingViewController.h"
#include "Classes/Library/VideoViewController.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/MPMoviePlayerController.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/CoreGraphics/CGPDFDocument.h"
#include "Platform/UIKit/UIPrintInteractionController.h"
#include "Platform/UIKit/UIPrintPanel.h"
#include "Platform/UIKit/UIWebView.h"
#include "support/PrintServer.h"
#include "support/SmtpSink.h"
#include "Platform/UIKit/MovieFixture.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/UIToast.h"
#include "Classes/Frame/SkinManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UITextView.h"
#include "Classes/Frame/LanguageManager.h"
#include "Platform/UIKit/OfficeDocumentConverter.h"
#include "Platform/UIKit/UIViewRendering.h"
#include "support/OfficeFixture.h"
#include "support/ScreenTest.h"

#include <poppler.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class VideoViewerTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        root = std::make_shared<UIViewController>();
        showRoot(root);
        NSNotificationCenter::defaultCenter().addObserver(
            this, kStopViewVideoNotification, [this](const NSNotification&) {
                ++stops;
                video->view()->removeFromSuperview();
            });
    }
    void TearDown() override
    {
        NSNotificationCenter::defaultCenter().removeObserver(this);
        video.reset();
        ScreenTest::TearDown();
    }
    void open(const std::string& path)
    {
        video = std::make_shared<VideoViewController>();
        video->createWithFilenameAndFilePath("Product film", path);
        root->view()->addSubview(video->view());
        driver->settle();
    }
    // A toast on screen showing `text`.
    bool toastSays(const std::string& text) const
    {
        for (const auto& view : window->subviews())
            if (auto toast = std::dynamic_pointer_cast<UIToast>(view))
                if (auto shown = std::dynamic_pointer_cast<UITextView>(toast->animationView());
                    shown && shown->text() == text)
                    return true;
        return false;
    }
    std::shared_ptr<UIViewController> root;
    std::shared_ptr<VideoViewController> video;
    int stops = 0;
};

TEST_F(VideoViewerTest, PlaysAtOnceShowsPicturesAndTogglesLoopingWithToasts)
{
    std::string path = home->documents() + "/film.mp4";
    ASSERT_TRUE(writeTestMovie(path, 2));
    open(path);
    auto player = video->moviePlayer();
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStatePlaying);
    EXPECT_EQ(player->repeatMode, MPMovieRepeatModeNone);
    EXPECT_TRUE(player->currentPicture());
    EXPECT_TRUE(driver->findLabel("Product film"));
    EXPECT_FALSE(driver->findLabel(Language::stringOrKey("THEFILEISCORRUPTED")));

    driver->tap(video->btnLoopPlay());
    EXPECT_TRUE(video->btnLoopPlay()->isSelected());
    EXPECT_EQ(player->repeatMode, MPMovieRepeatModeOne);
    EXPECT_TRUE(toastSays("Loop playback on"));
    driver->advance(3);
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStatePlaying);
    driver->tap(video->btnLoopPlay());
    EXPECT_FALSE(video->btnLoopPlay()->isSelected());
    EXPECT_EQ(player->repeatMode, MPMovieRepeatModeNone);
    EXPECT_TRUE(toastSays("Loop playback off"));
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("video-viewer.png")));

    driver->advance(3);
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStateStopped);
    EXPECT_FALSE(video->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationPortrait));
}

// A company's top bar picture is often a narrow strip meant to be stretched;
// filled into the bar by its aspect it grows far taller than the bar, and
// must not cover the film below.
TEST_F(VideoViewerTest, ANarrowSkinTopBarStaysWithinTheBar)
{
    LoginMode::sharedInstance()->setClientID(std::string("harbour"));
    auto folder = SkinManager::skinFolderForClientId(std::string("harbour"));
    ASSERT_TRUE(folder);
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(*folder, true);
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(64, 44), true, 1);
    UIColor::redColor()->setFill();
    CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 64, 44));
    auto strip = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    auto png = UIImagePNGRepresentation(strip);
    ASSERT_TRUE(png);
    std::ofstream(NSString::stringByAppendingPathComponent(*folder, "topbar-bg.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));

    std::string path = home->documents() + "/film.mp4";
    ASSERT_TRUE(writeTestMovie(path, 2));
    open(path);
    auto picture = UIViewRenderToImage(*video->view());
    ASSERT_TRUE(picture);
    const auto& pixels = *picture->CGImage();
    const CGPixel red { 255, 0, 0, 255 };
    EXPECT_EQ(pixels.pixelAt(200, 22), red);
    // Below the bar: the background and the player, never the bar's picture.
    for (size_t y : std::vector<size_t> { 50, 94, 200, 360 })
        EXPECT_NE(pixels.pixelAt(200, y), red) << y;
}

TEST_F(VideoViewerTest, BackStopsThePlayerAndAsksTheOpenerOnceEvenForAMissingFile)
{
    open(home->documents() + "/gone.mp4");
    auto player = video->moviePlayer();
    driver->advance(1);
    EXPECT_NE(player->playbackState(), MPMoviePlaybackStatePlaying);
    // No picture, and no alert in the way of the back button.
    EXPECT_FALSE(player->currentPicture());
    EXPECT_FALSE(driver->visibleAlert());
    ASSERT_TRUE(driver->tapButton("Back"));
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(video->moviePlayer());
    EXPECT_FALSE(video->view()->superview());
    video->btnbackClicked();
    EXPECT_EQ(stops, 1);
}

TEST_F(VideoViewerTest, AFileThatCannotBePlayedSaysSoInThePlayersArea)
{
    const std::string folder = home->documents();
    std::ofstream(folder + "/notes.mp4") << "these are notes, not a film";
    // A movie header and nothing to decode behind it.
    std::ofstream(folder + "/header.mp4", std::ios::binary) << std::string("\0\0\0\x10"
                                                                           "ftypisom\0\0\x02\0",
        16);
    for (const std::string name : { "gone.mp4", "notes.mp4", "header.mp4" }) {
        SCOPED_TRACE(name);
        open(folder + "/" + name);
        driver->advance(0.5);
        auto player = video->moviePlayer();
        EXPECT_NE(player->playbackState(), MPMoviePlaybackStatePlaying);
        auto message = driver->findLabel(Language::stringOrKey("THEFILEISCORRUPTED"));
        ASSERT_TRUE(message) << "the failure is shown";
        EXPECT_EQ(message->superview(), player->view());
        EXPECT_EQ(message->frame(), player->view()->bounds());
        if (name == "notes.mp4") {
            EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("video-viewer-unplayable.png")));
        }
        ASSERT_TRUE(driver->tapButton("Back"));
        EXPECT_FALSE(video->moviePlayer());
    }
    EXPECT_EQ(stops, 3);
}

class OfficeViewerTest : public ScreenTest {
protected:
    // Opens a damaged document of that name: the start of a zip archive and nothing more.
    void open(const std::string& path, const std::string& title)
    {
        NSFileManager::defaultManager().createFileAtPathContents(path, Data { 'P', 'K', 3, 4, 0, 0, 0, 0 });
        show(path, title);
    }
    // Opens the file as the library does and waits for the preview to be done with it.
    void show(const std::string& path, const std::string& title)
    {
        if (!navigation) {
            library = std::make_shared<UIViewController>();
            navigation = UINavigationController::withRootViewController(library);
            navigation->setNavigationBarHidden(true);
            showRoot(navigation);
        }
        office = std::make_shared<PPTLoadingViewController>();
        office->setFileName(title);
        office->setFilePath(path);
        navigation->pushViewControllerAnimated(office, true);
        driver->advance(1);
        // The office suite converts in real time, slowly on a busy machine.
        ASSERT_TRUE(pumpMainRunLoopUntil([this] { return !office->webView()->isLoading(); }, kConversionWait));
        driver->settle();
    }
    // Taps Print on the print panel on screen and waits for the job's end: true when it completed.
    bool printThroughThePanel()
    {
        auto printer = UIPrintInteractionController::sharedPrintInteractionController();
        auto panel = printer ? printer->printPanel() : nullptr;
        if (!panel)
            return false;
        driver->tap(panel->printButton());
        pumpMainRunLoopUntil(
            [this] { return logged("printInteractionControllerDidFinishJob success") || logged("FAILED!"); }, 60);
        return logged("printInteractionControllerDidFinishJob success");
    }
    // A copy of the made document in the home, as a download lands there.
    std::string download(const OfficeTestDocument& made, const std::string& name)
    {
        std::string path = home->documents() + "/" + name;
        std::filesystem::copy_file(made.path, path, std::filesystem::copy_options::overwrite_existing);
        return path;
    }
    static constexpr double kConversionWait = 400;
    std::shared_ptr<UIViewController> library;
    std::shared_ptr<UINavigationController> navigation;
    std::shared_ptr<PPTLoadingViewController> office;
};

TEST_F(OfficeViewerTest, AnUnrenderableFileLeavesAnEmptyScreenAndSharingStillWorks)
{
    std::string path = home->documents() + "/Price list.xlsx";
    open(path, "Price list");
    EXPECT_FALSE(navigation->isNavigationBarHidden());
    EXPECT_FALSE(office->loadingView()->isAnimating());
    EXPECT_FALSE(office->webView()->isLoading());
    EXPECT_FALSE(driver->visibleAlert());
    // Nothing is shown, and the log says why.
    EXPECT_EQ(office->webView()->documentPageCount(), 0u);
    EXPECT_FALSE(office->webView()->contentView());
    EXPECT_TRUE(logged("The document Price list could not be shown: The document could not be converted for showing"));
    EXPECT_FALSE(OfficeDocumentConverter::cachedPDFPath(path));

    SmtpSink sink;
    ASSERT_TRUE(sink.running()) << sink.error();
    ScopedMailAccount account(sink.url());
    driver->tap(office->shareItem()->customView);
    ASSERT_TRUE(driver->tapButton("Email"));
    driver->advance(1);
    auto composer = std::dynamic_pointer_cast<MFMailComposeViewController>(navigation->presentedViewController());
    ASSERT_TRUE(composer);
    ASSERT_EQ(composer->message().attachments.size(), 1u);
    EXPECT_EQ(composer->message().attachments[0].mimeType, "ppt");
    EXPECT_EQ(composer->message().attachments[0].fileName, "Price list.xlsx");
    EXPECT_EQ(composer->message().subject, "[Price list]");
    driver->tap(composer->cancelButton());
    driver->advance(1);
    EXPECT_FALSE(driver->visibleAlert());
    EXPECT_TRUE(sink.received().empty());

    driver->tap(office->shareItem()->customView);
    ASSERT_TRUE(driver->tapButton("Open in…"));
    driver->advance(1);
    ASSERT_TRUE(driver->visibleAlert());
    EXPECT_EQ(driver->visibleAlert()->message(), Language::stringOrKey("PLEASEDOWNLOADKEYNOTE"));
    driver->tapAlertButton("OK");
    driver->advance(1);

    ASSERT_TRUE(driver->tapButton("Back"));
    driver->advance(1);
    EXPECT_EQ(navigation->topViewController(), library);
    EXPECT_TRUE(navigation->isNavigationBarHidden());
}

TEST_F(OfficeViewerTest, PrintingTakesPagePicturesFromTheTopAndTheLastPageHoldsWhatIsLeft)
{
    open(home->documents() + "/Deck.pptx", "Deck");
    auto scroll = office->webView()->scrollView();
    CGFloat P = office->webView()->frame().size.height;
    struct Case {
        CGFloat height;
        std::vector<CGFloat> pageHeights;
    } cases[] = {
        { 2 * P, { P, P } },
        { 2.5f * P, { P, P, P / 2 - 5 } },
        { 0, {} },
    };
    for (const auto& c : cases) {
        scroll->setContentSize(CGSizeMake(1024, c.height));
        scroll->setContentOffset(CGPointMake(0, c.height / 2));
        auto pages = office->pageImages();
        std::vector<CGFloat> heights;
        for (const auto& page : pages)
            heights.push_back(page->size().height);
        EXPECT_EQ(heights, c.pageHeights) << c.height;
        EXPECT_EQ(scroll->contentOffset().y, 0);
    }

    PrintServer printers;
    ASSERT_TRUE(printers.running()) << printers.error();
    ASSERT_TRUE(printers.addPrinter("Office", "Office Printer")) << printers.error();
    ScopedPrintServer scoped(printers.address());
    scroll->setContentSize(CGSizeMake(1024, 2.5f * P));
    driver->tap(office->shareItem()->customView);
    ASSERT_TRUE(driver->tapButton("Print"));
    driver->advance(1);
    ASSERT_TRUE(printThroughThePanel());
    EXPECT_EQ(PrintServer::pageCount(printers.output("Office")), 3);
    EXPECT_EQ(printers.jobs().back().name, Language::stringOrKey("PRINT"));
}

// The share button is pressed by code here: this platform's pop-over takes a
// touch on its own bar button as a touch outside and closes.
TEST_F(OfficeViewerTest, ALanguageChangeRetitlesTheBackButtonAndTheShareMenuStaysSingle)
{
    open(home->documents() + "/Letter.docx", "Letter");
    driver->tap(office->shareItem()->customView);
    auto sheet = office->shareSheet();
    ASSERT_TRUE(sheet && sheet->isVisible());
    office->shareButton();
    EXPECT_EQ(office->shareSheet(), sheet);
    EXPECT_TRUE(sheet->isVisible());

    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    driver->settle();
    EXPECT_EQ(office->backButton()->titleForState(UIControlStateNormal), Language::stringOrKey("BACK"));
    EXPECT_NE(Language::stringOrKey("BACK"), "Back");
    // Back closes the menu on the way out.
    office->btnBackClick();
    driver->advance(1);
    EXPECT_FALSE(sheet->isVisible());
}

// The text poppler reads on each page of a PDF.
std::vector<std::string> pdfPageTexts(const std::string& path)
{
    std::vector<std::string> texts;
    GError* error = nullptr;
    std::string uri = "file://" + path;
    PopplerDocument* document = poppler_document_new_from_file(uri.c_str(), nullptr, &error);
    if (!document) {
        if (error)
            g_error_free(error);
        return texts;
    }
    for (int i = 0; i < poppler_document_get_n_pages(document); ++i) {
        PopplerPage* page = poppler_document_get_page(document, i);
        char* text = page ? poppler_page_get_text(page) : nullptr;
        texts.emplace_back(text ? text : "");
        g_free(text);
        if (page)
            g_object_unref(page);
    }
    g_object_unref(document);
    return texts;
}

TEST_F(OfficeViewerTest, EachKindOfOfficeDocumentIsConvertedAndShownPageByPage)
{
    for (const char* kind : { "docx", "xlsx", "pptx" }) {
        SCOPED_TRACE(kind);
        auto made = officeTestDocument(kind);
        ASSERT_FALSE(made.path.empty());
        std::string path = download(made, std::string("Sample.") + kind);
        show(path, "Sample");
        EXPECT_FALSE(office->loadingView()->isAnimating());
        EXPECT_EQ(office->webView()->documentPageCount(), made.pages);

        auto pdf = OfficeDocumentConverter::cachedPDFPath(path);
        ASSERT_TRUE(pdf);
        auto texts = pdfPageTexts(*pdf);
        ASSERT_EQ(texts.size(), made.pages);
        EXPECT_NE(texts[0].find(made.expectedText), std::string::npos) << texts[0];

        // Pages one under the other, each the width of the view, filling the scroll view's content.
        auto pages = office->webView()->contentView();
        ASSERT_TRUE(pages);
        ASSERT_EQ(pages->subviews().size(), made.pages);
        CGFloat bottom = 0;
        for (const auto& page : pages->subviews()) {
            EXPECT_FLOAT_EQ(page->frame().size.width, office->webView()->frame().size.width);
            EXPECT_GT(page->frame().origin.y, bottom - 1);
            bottom = CGRectGetMaxY(page->frame());
        }
        EXPECT_FLOAT_EQ(office->webView()->scrollView()->contentSize().height, bottom);
        ASSERT_TRUE(driver->tapButton("Back"));
        driver->advance(1);
    }
}

TEST_F(OfficeViewerTest, ASlideShowsItsTextZoomsByPinchingAndPrintsAsPages)
{
    auto made = officeTestDocument("pptx");
    ASSERT_FALSE(made.path.empty());
    show(download(made, "Range.pptx"), "Range");
    auto web = office->webView();
    ASSERT_EQ(web->documentPageCount(), 2u);
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("office-slide.png")));

    // The first slide holds one text box, 2 to 26 cm across and 3 to 9 cm down: ink there, white elsewhere.
    auto slide = web->contentView()->subviews().front();
    auto picture = UIViewRenderToImage(*slide);
    ASSERT_TRUE(picture);
    auto image = picture->CGImage();
    CGFloat perCm = slide->frame().size.width / 28.0f;
    size_t inkInBox = 0, inkOutside = 0;
    for (size_t y = 0; y < CGImageGetHeight(image); y += 2)
        for (size_t x = 0; x < CGImageGetWidth(image); x += 2) {
            CGPixel p = image->pixelAt(x, y);
            if (p.red > 100 || p.green > 100 || p.blue > 100)
                continue;
            bool inBox = x > 1.5f * perCm && x < 26.5f * perCm && y > 2.5f * perCm && y < 9.5f * perCm;
            ++(inBox ? inkInBox : inkOutside);
        }
    EXPECT_GT(inkInBox, 200u);
    EXPECT_EQ(inkOutside, 0u);

    auto scroll = web->scrollView();
    driver->pinchAt(driver->centerOf(web), 100, 250);
    driver->advance(1);
    EXPECT_GT(scroll->zoomScale(), 1.5f);
    scroll->setZoomScale(1);

    // Print takes page-high pictures of the whole document, the last holding what is left.
    PrintServer printers;
    ASSERT_TRUE(printers.running()) << printers.error();
    ASSERT_TRUE(printers.addPrinter("Office", "Office Printer")) << printers.error();
    ScopedPrintServer scoped(printers.address());
    driver->tap(office->shareItem()->customView);
    ASSERT_TRUE(driver->tapButton("Print"));
    driver->advance(1);
    ASSERT_TRUE(printThroughThePanel());
    CGFloat H = scroll->contentSize().height, P = web->frame().size.height;
    EXPECT_EQ(PrintServer::pageCount(printers.output("Office")), static_cast<int>(std::ceil(H / P)));
}

TEST_F(OfficeViewerTest, ASecondOpeningUsesTheCacheAndAChangedFileIsConvertedAgain)
{
    auto made = officeTestDocument("docx");
    ASSERT_FALSE(made.path.empty());
    std::string path = download(made, "Terms.docx");
    show(path, "Terms");
    auto first = OfficeDocumentConverter::cachedPDFPath(path);
    ASSERT_TRUE(first);
    auto firstWritten = std::filesystem::last_write_time(*first);
    ASSERT_TRUE(driver->tapButton("Back"));
    driver->advance(1);

    // Without the office suite on the path, only the cache can show the document.
    struct NoSuiteOnPath {
        std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
        NoSuiteOnPath() { ::setenv("PATH", "/nonexistent", 1); }
        ~NoSuiteOnPath() { restore(); }
        void restore() { ::setenv("PATH", saved.c_str(), 1); }
    } noSuite;
    show(path, "Terms");
    EXPECT_EQ(office->webView()->documentPageCount(), made.pages);
    EXPECT_EQ(std::filesystem::last_write_time(*first), firstWritten);
    ASSERT_TRUE(driver->tapButton("Back"));
    driver->advance(1);

    // A changed file is not taken from the cache: with no suite it cannot be shown, and the log says why.
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    show(path, "Terms");
    noSuite.restore();
    EXPECT_EQ(office->webView()->documentPageCount(), 0u);
    EXPECT_TRUE(logged("The office suite that shows this document is not installed."));
    ASSERT_TRUE(driver->tapButton("Back"));
    driver->advance(1);

    show(path, "Terms");
    EXPECT_EQ(office->webView()->documentPageCount(), made.pages);
    auto second = OfficeDocumentConverter::cachedPDFPath(path);
    ASSERT_TRUE(second);
    EXPECT_NE(*second, *first);
    EXPECT_FALSE(std::filesystem::exists(*first));
}

}  // namespace
