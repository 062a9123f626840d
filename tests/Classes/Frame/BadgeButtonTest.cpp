#include "Classes/Frame/BadgeButton.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/SwitchButton.h"
#include "Classes/Frame/TabBarItemButton.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "support/ScreenTest.h"

namespace {

class ControlsTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        ValueDictionary en;
        en.set("ADDTOORDER", Value("Add to order"));
        en.set("SAVEORDER", Value("Save order"));
        useLanguageTables(en, en);
        LanguageManager::sharedInstance()->setCurrentLanguage(1);
        screen = std::make_shared<UIViewController>();
        showRoot(screen);
    }
    std::shared_ptr<UIViewController> screen;
};

TEST_F(ControlsTest, BadgeIsSizedByItsTextCentredOnTheRightEdgeAndHiddenWithoutAValue)
{
    auto button = std::make_shared<BadgeButton>(CGRectMake(100, 100, 120, 34));
    screen->view()->addSubview(button);
    EXPECT_TRUE(button->badgeView()->isHidden());
    button->setBadgeValueAnimated("3", false);
    EXPECT_FALSE(button->badgeView()->isHidden());
    EXPECT_EQ(button->badgeView()->frame(), CGRectMake(120 - 13, -13, 26, 26));

    const std::string wide = "12345";
    CGFloat textWidth = sizeWithFont(wide, button->badgeLabel()->font()).width;
    ASSERT_GT(textWidth, 10);
    button->setBadgeValueAnimated(wide, true);
    CGRect f = button->badgeView()->frame();
    EXPECT_FLOAT_EQ(f.size.width, textWidth + 14);
    EXPECT_FLOAT_EQ(CGRectGetMidX(f), 120);
    EXPECT_EQ(button->badgeLabel()->text(), wide);

    button->setBadgeValueAnimated("", false);
    EXPECT_TRUE(button->badgeView()->isHidden());
    button->setBadgeValueAnimated(std::nullopt, false);
    EXPECT_TRUE(button->badgeView()->isHidden());
}

TEST_F(ControlsTest, IconTypeChoosesCaptionAndIconAndTypeZeroKeepsTheCaption)
{
    auto button = std::make_shared<IconButton>(CGRectMake(230, 198, 143, 34));
    screen->view()->addSubview(button);
    button->setIconType(1);
    EXPECT_EQ(button->currentTitle(), "Add to order");
    EXPECT_FALSE(button->iconImageView()->isHidden());
    EXPECT_EQ(button->iconImageView()->frame(), CGRectMake(143 - 36, 0, 36, 31));
    EXPECT_EQ(button->titleEdgeInsets, UIEdgeInsetsMake(0, 5, 0, 35));
    button->setIconType(2);
    EXPECT_EQ(button->currentTitle(), "Save order");
    button->setIconType(0);
    EXPECT_TRUE(button->iconImageView()->isHidden());
    EXPECT_EQ(button->titleEdgeInsets, UIEdgeInsetsZero);
    EXPECT_EQ(button->currentTitle(), "Save order");
}

class SwitchLog : public SwitchButtonDelegate {
public:
    void selectSwitchButtonIndex(SwitchButton& s, int index) override
    {
        heard.push_back(std::to_string(index) + " while " + std::to_string(s.currentIndex()));
    }
    std::vector<std::string> heard;
};

TEST_F(ControlsTest, SwitchTellsEveryChangeButNotATouchOnTheChosenSegment)
{
    auto sw = std::make_shared<SwitchButton>(CGRectMake(10, 10, 200, 30));
    sw->setLeftTittle("Category");
    sw->setRightTittle("Tag");
    auto log = std::make_shared<SwitchLog>();
    sw->setDelegate(log);
    screen->view()->addSubview(sw);
    EXPECT_TRUE(sw->btnLeft()->isSelected());

    ASSERT_TRUE(driver->tapButton("Category"));
    ASSERT_TRUE(driver->tapButton("Tag"));
    EXPECT_TRUE(sw->btnRight()->isSelected());
    EXPECT_FALSE(sw->btnLeft()->isSelected());
    sw->setCurrentIndex(0);
    EXPECT_EQ(log->heard, (std::vector<std::string> { "1 while 0", "0 while 0" }));
    EXPECT_EQ(sw->leftTittle(), "Category");
}

TEST_F(ControlsTest, TabItemSelectsBlinksAndStops)
{
    auto item = std::make_shared<TabBarItemButton>(CGRectMake(100, 700, 62, 56));
    item->setTitle("Home");
    item->setTag(0);
    int taps = 0;
    item->addTargetForControlEvents(UIControlEventTouchUpInside, [&](UIControl&, UIEvent*) { ++taps; });
    screen->view()->addSubview(item);
    driver->tap(item->button());
    EXPECT_EQ(taps, 1);

    item->setSelected(true);
    EXPECT_TRUE(item->isSelected());
    item->setBadgeValueAnimated("7", false);
    EXPECT_EQ(item->badgeView()->frame(), CGRectMake(50 - 13, -5, 26, 26));

    item->startBlinkIcon();
    EXPECT_EQ(item->iconImageView()->alpha(), 0);
    EXPECT_EQ(item->animatedImageView()->alpha(), 1);
    driver->advance(4);
    item->stopBlinkIcon();
    EXPECT_EQ(item->iconImageView()->alpha(), 1);
    EXPECT_EQ(item->animatedImageView()->alpha(), 0);
}

}  // namespace
