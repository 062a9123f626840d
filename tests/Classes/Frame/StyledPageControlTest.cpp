#include "Classes/Frame/StyledPageControl.h"
#include "support/ScreenTest.h"

namespace {

class StyledPageControlTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        screen = std::make_shared<UIViewController>();
        showRoot(screen);
        pages = std::make_shared<StyledPageControl>(CGRectMake(200, 300, 300, 36));
        pages->setNumberOfPages(3);
        pages->addTarget(UIControlEventValueChanged, [this](UIControl&, UIEvent*) { ++changes; });
        screen->view()->addSubview(pages);
    }
    // Taps a point of the control, in its own coordinates.
    void tapAt(CGFloat x) { driver->tapAt(pages->convertPointToView(CGPointMake(x, 18), nullptr)); }
    std::shared_ptr<UIViewController> screen;
    std::shared_ptr<StyledPageControl> pages;
    int changes = 0;
};

TEST_F(StyledPageControlTest, RowIsMeasuredAndCentred)
{
    EXPECT_EQ(pages->sizeForNumberOfPages(3), CGSizeMake(50, 10));
    EXPECT_EQ(pages->sizeForNumberOfPages(1), CGSizeMake(10, 10));
    EXPECT_EQ(pages->rectForPageIndicator(0), CGRectMake(125, 0, 10, 10));
    EXPECT_EQ(pages->rectForPageIndicator(2), CGRectMake(165, 0, 10, 10));
    EXPECT_EQ(pages->rectForPageIndicator(3), CGRectZero);
    pages->sizeToFit();
    EXPECT_EQ(pages->frame(), CGRectMake(200, 300, 50, 36));
    pages->setNumberOfPages(-2);
    EXPECT_EQ(pages->numberOfPages(), 0);
}

TEST_F(StyledPageControlTest, TapsMoveOnePageAndNotBeyondTheEnds)
{
    tapAt(20);  // left of the middle on page 0
    EXPECT_EQ(pages->currentPage(), 0);
    EXPECT_EQ(changes, 0);
    tapAt(280);
    tapAt(280);
    tapAt(280);
    EXPECT_EQ(pages->currentPage(), 2);
    EXPECT_EQ(changes, 2);
    tapAt(20);
    EXPECT_EQ(pages->currentPage(), 1);
    EXPECT_EQ(pages->displayedPage(), 1);
}

TEST_F(StyledPageControlTest, DeferredDisplayMovesTheHighlightOnlyWhenAsked)
{
    pages->defersCurrentPageDisplay = true;
    tapAt(280);
    EXPECT_EQ(pages->currentPage(), 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(pages->displayedPage(), 0);
    pages->updateCurrentPageDisplay();
    EXPECT_EQ(pages->displayedPage(), 1);
    driver->renderToPNG(UIDriver::snapshotPath("StyledPageControl.png"), screen->view());
}

}  // namespace
