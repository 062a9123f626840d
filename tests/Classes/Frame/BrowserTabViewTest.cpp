#include "Classes/Frame/BrowserTab.h"
#include "Classes/Frame/BrowserTabView.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "support/ScreenTest.h"

namespace {

class StripLog : public BrowserTabViewDelegate {
public:
    void BrowserTabViewDidSelecedAtIndex(BrowserTabView&, unsigned index) override
    {
        log.push_back("chose " + std::to_string(index));
    }
    void BrowserTabViewDidRemoveTabAtIndex(BrowserTabView&, unsigned index) override
    {
        log.push_back("removed " + std::to_string(index));
    }
    std::vector<std::string> log;
};

class BrowserTabViewTest : public ScreenTest {
protected:
    std::shared_ptr<BrowserTabView> place(const std::vector<std::string>& titles)
    {
        auto screen = std::make_shared<UIViewController>();
        showRoot(screen);
        auto strip = BrowserTabView::initWithTabTitlesAndDelegate(titles, log);
        strip->setFrame(CGRectMake(0, 5, 1024, 44));
        screen->view()->addSubview(strip);
        return strip;
    }
    std::shared_ptr<StripLog> log = std::make_shared<StripLog>();
};

TEST_F(BrowserTabViewTest, TouchingTheSecondTabChoosesItAndPutsItOnTop)
{
    auto strip = place({ "My library", "My collection" });
    EXPECT_EQ(log->log, std::vector<std::string> { "chose 0" });
    auto second = strip->tabsArray()[1];
    EXPECT_EQ(second->frame(), CGRectMake(139, 0, 167, 39));
    // Its visible part, right of where the first tab ends.
    driver->tapAt(strip->convertPointToView(CGPointMake(250, 20), nullptr));
    EXPECT_EQ(strip->selectedTabIndex(), 1);
    EXPECT_EQ(log->log.back(), "chose 1");
    EXPECT_EQ(strip->subviews().back(), second);
    EXPECT_FALSE(second->imageViewClose()->isHidden());
    EXPECT_TRUE(strip->tabsArray()[0]->imageViewClose()->isHidden());
    driver->renderToPNG(UIDriver::snapshotPath("BrowserTabView.png"), strip);
}

TEST_F(BrowserTabViewTest, RemovingAndAddingTabs)
{
    auto strip = place({ "One" });
    strip->removeTabAtIndexAnimated(0, false);
    EXPECT_EQ(strip->numberOfTabs(), 1u);

    strip->addTabWithTitle(std::string("Two"));
    strip->addTabWithTitle(std::nullopt);
    ASSERT_EQ(strip->numberOfTabs(), 3u);
    EXPECT_EQ(strip->tabsArray()[2]->textLabel()->text(), "new Tab");
    EXPECT_EQ(strip->selectedTabIndex(), 2);

    strip->removeTabAtIndexAnimated(2, false);
    EXPECT_EQ(strip->selectedTabIndex(), 1);
    EXPECT_EQ(log->log.back(), "removed 2");
    ASSERT_EQ(strip->reuseQueue().size(), 1u);
    // The removed view is reused for the next tab.
    auto reused = strip->reuseQueue().front();
    strip->addTabWithTitle(std::string("Three"));
    EXPECT_EQ(strip->tabsArray().back(), reused);
    EXPECT_EQ(reused->textLabel()->text(), "Three");
}

}  // namespace
