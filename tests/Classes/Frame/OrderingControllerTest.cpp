#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/OrderingController.h"
#include "Classes/Frame/OrderingTableViewController.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "support/ScreenTest.h"

namespace {

class Owner : public OrderingControllerDelegate {
public:
    void orderingDidSelectedSelectedIndex(OrderingController&, unsigned index) override { chosen.push_back(index); }
    std::vector<unsigned> chosen;
};

class OrderingControllerTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        ValueDictionary en, cn;
        en.set("BYNAME", Value("By name"));
        en.set("BYSKU", Value("By SKU"));
        en.set("BYPRICE", Value("By price"));
        cn.set("BYNAME", Value("按名称"));
        cn.set("BYSKU", Value("按编号"));
        cn.set("BYPRICE", Value("按价格"));
        useLanguageTables(en, cn);
        LanguageManager::sharedInstance()->setCurrentLanguage(1);
        screen = std::make_shared<UIViewController>();
        showRoot(screen);
        menu = OrderingController::initWithOrderButtonFrameOrderingsNamesDelegateInView(
            CGRectMake(800, 20, 120, 34), { "BYNAME", "BYSKU", "BYPRICE" }, owner, screen->view());
        screen->view()->addSubview(menu->orderingButton());
    }
    bool ticked(long row)
    {
        auto table = menu->orderingTableViewController()->tableView();
        auto cell = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, 0));
        return cell && cell->accessoryType() == UITableViewCellAccessoryCheckmark;
    }
    std::shared_ptr<UIViewController> screen;
    std::shared_ptr<Owner> owner = std::make_shared<Owner>();
    std::shared_ptr<OrderingController> menu;
};

TEST_F(OrderingControllerTest, ChoosingAnotherOrderingRecaptionsTellsAndCloses)
{
    EXPECT_EQ(menu->orderingButton()->currentTitle(), "By name");
    ASSERT_TRUE(driver->tapButton("By name"));
    driver->advance(0.5);
    ASSERT_TRUE(menu->orderingPopoverController()->isPopoverVisible());
    EXPECT_TRUE(ticked(0));

    // The ticked ordering again: nothing happens and the menu stays open.
    ASSERT_TRUE(driver->tapRow("By name"));
    EXPECT_TRUE(menu->orderingPopoverController()->isPopoverVisible());
    EXPECT_TRUE(owner->chosen.empty());

    ASSERT_TRUE(driver->tapRow("By price"));
    driver->advance(0.5);
    EXPECT_EQ(owner->chosen, std::vector<unsigned> { 2 });
    EXPECT_FALSE(menu->orderingPopoverController()->isPopoverVisible());
    EXPECT_EQ(menu->orderingButton()->currentTitle(), "By price");
    EXPECT_EQ(menu->getTableCurrentOrderingIndex(), 2u);
}

TEST_F(OrderingControllerTest, FromCodeTheTickMovesSilentlyAndOutOfRangeIsRefused)
{
    menu->setTableCurrentOrderingIndex(1);
    EXPECT_EQ(menu->orderingButton()->currentTitle(), "By SKU");
    menu->setTableCurrentOrderingIndex(3);
    EXPECT_TRUE(logged("Error: index = 3, self.orderingsArray.count = 3"));
    EXPECT_EQ(menu->getTableCurrentOrderingIndex(), 1u);
    EXPECT_TRUE(owner->chosen.empty());

    menu->setTableCurrentOrderingIndex(2);
    menu->setTableOrderingsArray({ "BYNAME", "BYSKU" });
    EXPECT_EQ(menu->getTableCurrentOrderingIndex(), 1u);
    EXPECT_EQ(menu->orderingButton()->currentTitle(), "By SKU");
}

TEST_F(OrderingControllerTest, UpdateLanguageRecaptionsButtonAndRows)
{
    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    menu->updateLanguage();
    EXPECT_EQ(menu->orderingButton()->currentTitle(), "按名称");
    ASSERT_TRUE(driver->tapButton("按名称"));
    driver->advance(0.5);
    EXPECT_TRUE(driver->tapRow("按价格"));
    EXPECT_EQ(owner->chosen, std::vector<unsigned> { 2 });
}

}  // namespace
