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
#include "Platform/UIKit/UIWebView.h"
#include "support/SmtpSink.h"
#include "Platform/UIKit/MovieFixture.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/UIToast.h"
#include "Platform/UIKit/UITextView.h"
#include "Classes/Frame/LanguageManager.h"
#include "support/ScreenTest.h"

#include <fstream>

namespace {

class VideoViewerTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        root = std::make_shared<UIViewController>();
        showRoot(root);
        NSNotificationCenter::defaultCenter().addObserver(this, kStopViewVideoNotification, [this](const NSNotification&) {
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
                if (auto shown = std::dynamic_pointer_cast<UITextView>(toast->animationView()); shown && shown->text() == text)
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
    std::ofstream(folder + "/header.mp4", std::ios::binary) << std::string("\0\0\0\x10" "ftypisom\0\0\x02\0", 16);
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
    void open(const std::string& path, const std::string& title)
    {
        NSFileManager::defaultManager().createFileAtPathContents(path, Data { 'P', 'K', 3, 4, 0, 0, 0, 0 });
        library = std::make_shared<UIViewController>();
        navigation = UINavigationController::withRootViewController(library);
        navigation->setNavigationBarHidden(true);
        showRoot(navigation);
        office = std::make_shared<PPTLoadingViewController>();
        office->setFileName(title);
        office->setFilePath(path);
        navigation->pushViewControllerAnimated(office, true);
        driver->advance(1);
    }
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

    UIPrintInteractionController::setPrintingAvailable(true);
    scroll->setContentSize(CGSizeMake(1024, 2.5f * P));
    driver->tap(office->shareItem()->customView);
    ASSERT_TRUE(driver->tapButton("Print"));
    driver->advance(1);
    auto spooled = UIPrintInteractionController::sharedPrintInteractionController()->spooledFiles();
    ASSERT_FALSE(spooled.empty());
    auto job = CGPDFDocumentCreateWithURL(spooled.back());
    ASSERT_TRUE(job);
    EXPECT_EQ(CGPDFDocumentGetNumberOfPages(job), 3u);
    EXPECT_TRUE(logged("printInteractionControllerDidFinishJob success"));
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

}  // namespace
