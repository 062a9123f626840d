// The office preview family that no library screen opens: the document
// preview screen, the screen that hosts it, and the three-button share panel,
// shown in the window's root navigation as the viewers are, and driven by touch.

#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Library/PPTViewController.h"
#include "Classes/Library/SharePopViewController.h"
#include "Classes/Library/SinglePPTViewer.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIWebView.h"
#include "support/ScreenTest.h"

namespace {

class OfficePreviewTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        library = std::make_shared<UIViewController>();
        navigation = UINavigationController::withRootViewController(library);
        navigation->setNavigationBarHidden(true);
        showRoot(navigation);
    }
    std::string file(const std::string& name, const std::string& bytes)
    {
        std::string path = home->documents() + "/" + name;
        NSFileManager::defaultManager().createFileAtPathContents(path, Data(bytes.begin(), bytes.end()));
        return path;
    }
    void push(const std::shared_ptr<UIViewController>& screen)
    {
        navigation->pushViewControllerAnimated(screen, true);
        driver->advance(1);
    }
    // The bar image the viewers put into the navigation bar, if it is there.
    std::shared_ptr<UIImageView> barImage() const
    {
        for (const auto& view : navigation->navigationBar()->subviews())
            if (auto image = std::dynamic_pointer_cast<UIImageView>(view);
                image && image->frame() == CGRectMake(-5, 0, 1029, 44))
                return image;
        return nullptr;
    }
    std::shared_ptr<UIViewController> library;
    std::shared_ptr<UINavigationController> navigation;
};

TEST_F(OfficePreviewTest, ThePreviewShowsItsOneFileUnderTheBarAndBackLeavesIt)
{
    struct Case {
        const char* name;
        const char* bytes;
        bool shown;
    } cases[] = {
        { "Notes.txt", "Prices rise in May.", true },
        { "Deck.pptx", "PK\x03\x04", false },  // the preview cannot show it: the screen stays empty
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = file(c.name, c.bytes);
        auto preview = std::make_shared<PPTViewController>();
        preview->setFilePath(path);
        preview->setFileName(c.name);
        EXPECT_EQ(preview->title(), c.name);
        push(preview);

        EXPECT_EQ(preview->numberOfPreviewItemsInPreviewController(*preview), 1);
        EXPECT_EQ(preview->currentPreviewItemIndex(), 0);
        auto web = preview->previewView();
        ASSERT_TRUE(web);
        EXPECT_EQ(web->currentURL(), "file://" + path);
        // An office file goes to the office suite first, which takes its time.
        EXPECT_TRUE(pumpMainRunLoopUntil([&] { return !web->isLoading(); }, 400));
        EXPECT_EQ(web->scrollView()->contentSize().height > 0, c.shown);

        EXPECT_FALSE(navigation->isNavigationBarHidden());
        EXPECT_TRUE(barImage());
        EXPECT_TRUE(driver->findLabel(c.name));
        EXPECT_FALSE(preview->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationPortrait));

        // A memory warning lets the bar image go.
        preview->didReceiveMemoryWarning();
        EXPECT_FALSE(preview->imgViewTitleBar());
        EXPECT_FALSE(barImage());

        ASSERT_TRUE(driver->tapButton(Language::stringOrKey("BACK")));
        driver->advance(1);
        EXPECT_EQ(navigation->topViewController(), library);
        EXPECT_TRUE(navigation->isNavigationBarHidden());
    }
}

TEST_F(OfficePreviewTest, TheHostShowsThePreviewOverItsWholeViewAndLetsItGoOnAMemoryWarning)
{
    std::string path = file("Summary.txt", "Quarterly summary");
    auto viewer = std::make_shared<SinglePPTViewer>();
    viewer->setFilePath(path);
    viewer->setFileName("Summary");
    push(viewer);

    auto preview = viewer->previewController();
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->filePath(), path);
    EXPECT_EQ(preview->fileName(), "Summary");
    EXPECT_EQ(preview->view()->superview(), viewer->view());
    EXPECT_EQ(preview->view()->frame().size, viewer->view()->bounds().size);
    EXPECT_EQ(preview->previewView()->currentURL(), "file://" + path);
    EXPECT_GT(preview->previewView()->scrollView()->contentSize().height, 0);
    EXPECT_TRUE(barImage());
    EXPECT_TRUE(driver->findLabel("Summary"));

    viewer->didReceiveMemoryWarning();
    EXPECT_FALSE(viewer->previewController());

    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("BACK")));
    driver->advance(1);
    EXPECT_EQ(navigation->topViewController(), library);
    EXPECT_TRUE(navigation->isNavigationBarHidden());
}

struct ShareLog : SharePopViewControllerDelegate {
    std::vector<std::string> calls;
    void emailAction() override { calls.push_back("email"); }
    void printAction() override { calls.push_back("print"); }
    void thirdAction() override { calls.push_back("third"); }
};

TEST_F(OfficePreviewTest, TheSharePanelTellsItsDelegateWhichButtonWasTapped)
{
    auto panel = std::make_shared<SharePopViewController>();
    auto log = std::make_shared<ShareLog>();
    panel->setDelegate(log);
    push(panel);

    auto colour = panel->view()->backgroundColor();
    ASSERT_TRUE(colour);
    EXPECT_TRUE(colour->isEqual(UIColor::colorWithRedGreenBlueAlpha(29 / 255.0f, 32 / 255.0f, 40 / 255.0f, 1)));
    EXPECT_TRUE(panel->view()->isOpaque());
    EXPECT_EQ(panel->emailButton()->frame(), CGRectMake(0, 0, 200, 34));
    EXPECT_EQ(panel->printButton()->frame(), CGRectMake(0, 41, 200, 34));
    EXPECT_EQ(panel->thirdButton()->frame(), CGRectMake(0, 82, 200, 34));

    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("PRINT")));
    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("EMAIL")));
    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("OPENINOTHERAPP")));
    EXPECT_EQ(log->calls, (std::vector<std::string> { "print", "email", "third" }));

    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    driver->settle();
    EXPECT_NE(Language::stringOrKey("EMAIL"), "Email");
    EXPECT_EQ(panel->emailButton()->titleForState(UIControlStateNormal), Language::stringOrKey("EMAIL"));
    EXPECT_EQ(panel->thirdButton()->titleForState(UIControlStateNormal), Language::stringOrKey("OPENINOTHERAPP"));

    // With its delegate gone a tap reaches no one.
    log.reset();
    driver->tap(panel->emailButton());
}

}  // namespace
