#include "Classes/Frame/CheckBoxView.h"
#include "Classes/Frame/UIHelpers.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIImageView.h"
#include "support/ScreenTest.h"

namespace {

class CheckBoxViewTest : public ScreenTest {
protected:
    std::shared_ptr<CheckBoxView> place(CGRect frame)
    {
        auto screen = std::make_shared<UIViewController>();
        auto box = std::make_shared<CheckBoxView>(frame, 0, false);
        box->setText("Show all customers");
        screen->view()->addSubview(box);
        showRoot(screen);
        return box;
    }
};

TEST_F(CheckBoxViewTest, AlwaysThirtySixHighWithItsImageCentred)
{
    auto box = place(CGRectMake(100, 100, 300, 50));
    EXPECT_EQ(box->frame().size.height, 36);
    EXPECT_EQ(box->textLabel()->frame(), CGRectMake(32, 7, 268, 20));
    EXPECT_EQ(CheckBoxView::imageViewFrameForCheckBoxImage(nullptr), CGRectMake(5, 18, 0, 0));
    EXPECT_EQ(CheckBoxView::checkBoxImageForStyleChecked(5, true), nullptr);
}

TEST_F(CheckBoxViewTest, TapFlipsAndTellsTheTargetElseTheBlockButNotWhenDisabled)
{
    auto box = place(CGRectMake(100, 100, 300, 36));
    std::vector<std::string> heard;
    box->setStateChangedBlock([&](CheckBoxView& b) { heard.push_back(b.checked() ? "block on" : "block off"); });
    driver->tap(box);
    EXPECT_TRUE(box->checked());

    auto target = std::make_shared<int>(0);
    box->setStateChangedTargetSelector(
        target, [&](CheckBoxView& b) { heard.push_back(b.checked() ? "target on" : "target off"); });
    driver->tap(box);
    EXPECT_FALSE(box->checked());

    box->setEnabled(false);
    driver->tap(box);
    EXPECT_FALSE(box->checked());
    EXPECT_EQ(box->checkBoxImageView()->alpha(), CGFloat(0.6));

    // Set by code: nobody is told.
    box->setChecked(true);
    EXPECT_EQ(heard, (std::vector<std::string> { "block on", "target off" }));
}

TEST_F(CheckBoxViewTest, HelperAlertHasOneButton)
{
    showRoot(std::make_shared<UIViewController>());
    UIHelpers::showAlertWithTitleMsg("Saved", "The customer was saved");
    driver->settle();
    auto alert = driver->visibleAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->message(), "The customer was saved");
    EXPECT_EQ(alert->numberOfButtons(), 1);
    EXPECT_TRUE(driver->tapAlertButton("OK"));
}

}  // namespace
