#include "WindowFixture.h"

#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIPopoverController.h"

#include <gtest/gtest.h>

namespace {

class PopoverLog : public UIPopoverControllerDelegate, public UIActionSheetDelegate {
public:
    std::vector<std::string> calls;
    bool allowDismiss = true;
    bool popoverControllerShouldDismissPopover(UIPopoverController&) override
    {
        calls.push_back("should");
        return allowDismiss;
    }
    void popoverControllerDidDismissPopover(UIPopoverController&) override { calls.push_back("did"); }
    void actionSheetClickedButtonAtIndex(UIActionSheet&, long i) override
    {
        calls.push_back("click " + std::to_string(i));
    }
    void actionSheetDidDismissWithButtonIndex(UIActionSheet&, long i) override
    {
        calls.push_back("dismissed " + std::to_string(i));
    }
};

class Content : public UIViewController {
public:
    std::vector<std::string> calls;
    void viewWillAppear(bool) override { calls.push_back("willAppear"); }
    void viewDidDisappear(bool) override { calls.push_back("didDisappear"); }
};

using PopoverTest = WindowTest;

TEST_F(PopoverTest, PlacesTheBoxByTheArrowsThatFit)
{
    auto content = std::make_shared<Content>();
    auto popover = std::make_shared<UIPopoverController>(content);
    popover->setPopoverContentSize(CGSizeMake(263, 200));
    auto anchor = std::make_shared<UIView>(CGRectMake(0, 0, 1024, 768));
    window->addSubview(anchor);
    struct Case {
        CGRect rect;
        unsigned arrows;
        UIPopoverArrowDirection arrow;
        CGRect frame;
    } cases[] = {
        { CGRectMake(400, 100, 100, 40), UIPopoverArrowDirectionAny, UIPopoverArrowDirectionUp,
            CGRectMake(450 - 131.5f, 153, 263, 200) },
        { CGRectMake(400, 600, 100, 40), UIPopoverArrowDirectionAny, UIPopoverArrowDirectionDown,
            CGRectMake(450 - 131.5f, 600 - 13 - 200, 263, 200) },
        { CGRectMake(0, 100, 20, 40), UIPopoverArrowDirectionAny, UIPopoverArrowDirectionUp,
            CGRectMake(10, 153, 263, 200) },
        { CGRectMake(100, 300, 40, 40), UIPopoverArrowDirectionLeft | UIPopoverArrowDirectionRight,
            UIPopoverArrowDirectionLeft, CGRectMake(153, 220, 263, 200) },
        { CGRectMake(900, 300, 40, 40), UIPopoverArrowDirectionLeft | UIPopoverArrowDirectionRight,
            UIPopoverArrowDirectionRight, CGRectMake(900 - 13 - 263, 220, 263, 200) },
        // Allowed only below an anchor near the bottom: shortened to the room
        // between the anchor and the margin, never laid over the anchor.
        { CGRectMake(400, 600, 100, 40), UIPopoverArrowDirectionUp, UIPopoverArrowDirectionUp,
            CGRectMake(450 - 131.5f, 653, 263, 768 - 10 - 653) },
        { CGRectMake(400, 100, 100, 40), UIPopoverArrowDirectionDown, UIPopoverArrowDirectionDown,
            CGRectMake(450 - 131.5f, 10, 263, 100 - 13 - 10) },
        { CGRectMake(900, 300, 40, 40), UIPopoverArrowDirectionLeft, UIPopoverArrowDirectionLeft,
            CGRectMake(953, 220, 1024 - 10 - 953, 200) },
    };
    for (auto& k : cases) {
        popover->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(k.rect, anchor, k.arrows, true);
        EXPECT_EQ(popover->popoverArrowDirection(), k.arrow) << k.rect.origin.x << "," << k.rect.origin.y;
        EXPECT_EQ(popover->popoverFrame(), k.frame) << k.rect.origin.x << "," << k.rect.origin.y;
        popover->dismissPopoverAnimated(false);
    }
    EXPECT_EQ(content->calls.size(), 2 * std::size(cases));
}

TEST_F(PopoverTest, OnlyATouchOutsideTellsTheDelegate)
{
    auto log = std::make_shared<PopoverLog>();
    auto content = std::make_shared<Content>();
    auto popover = std::make_shared<UIPopoverController>(content);
    popover->setDelegate(log);
    popover->setPopoverContentSize(CGSizeMake(400, 250));
    auto passthrough = std::make_shared<UIButton>(CGRectMake(900, 700, 100, 50));
    int passes = 0;
    passthrough->addTarget(UIControlEventTouchUpInside, [&passes](UIControl&, UIEvent*) { ++passes; });
    window->addSubview(passthrough);
    popover->passthroughViews = { passthrough };

    auto show = [&] {
        popover->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
            CGRectMake(100, 100, 50, 50), window, UIPopoverArrowDirectionAny, true);
    };
    show();
    driver->tap(content->view());  // inside: nothing
    driver->tap(passthrough);
    EXPECT_EQ(passes, 1);
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_TRUE(log->calls.empty());

    log->allowDismiss = false;
    driver->tapAt(CGPointMake(800, 100));
    EXPECT_TRUE(popover->isPopoverVisible());
    log->allowDismiss = true;
    driver->tapAt(CGPointMake(800, 100));
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_EQ(log->calls, (std::vector<std::string> { "should", "should", "did" }));
    EXPECT_EQ(content->calls, (std::vector<std::string> { "willAppear", "didDisappear" }));

    log->calls.clear();
    show();
    popover->dismissPopoverAnimated(true);
    EXPECT_TRUE(log->calls.empty());
    EXPECT_EQ(content->view()->window(), nullptr);
    passthrough->removeAllTargets();
}

TEST_F(PopoverTest, ActionSheetIndicesAndOutsideTouch)
{
    auto log = std::make_shared<PopoverLog>();
    auto sheet = std::make_shared<UIActionSheet>(
        std::nullopt, log, std::nullopt, std::nullopt, std::vector<std::string> { "EMAIL", "PRINT", "OPENINOTHERAPP" });
    EXPECT_EQ(sheet->cancelButtonIndex(), -1);
    EXPECT_EQ(sheet->firstOtherButtonIndex(), 0);
    auto withCancel = UIActionSheet("t", {}, std::string("Cancel"), std::string("Delete"), { "A" });
    EXPECT_EQ(withCancel.destructiveButtonIndex(), 0);
    EXPECT_EQ(withCancel.buttonTitleAtIndex(1), "A");
    EXPECT_EQ(withCancel.cancelButtonIndex(), 2);

    sheet->showFromRectInViewAnimated(CGRectMake(900, 10, 40, 30), window, true);
    ASSERT_TRUE(sheet->isVisible());
    driver->tap(sheet->buttonAtIndex(1));
    EXPECT_EQ(log->calls, (std::vector<std::string> { "click 1", "dismissed 1" }));
    EXPECT_FALSE(sheet->isVisible());

    log->calls.clear();
    sheet->showFromRectInViewAnimated(CGRectMake(900, 10, 40, 30), window, true);
    driver->tapAt(CGPointMake(100, 600));
    EXPECT_EQ(log->calls, (std::vector<std::string> { "click -1", "dismissed -1" }));

    log->calls.clear();
    sheet->showFromRectInViewAnimated(CGRectMake(900, 10, 40, 30), window, true);
    sheet->dismissWithClickedButtonIndexAnimated(-1, true);
    EXPECT_EQ(log->calls, (std::vector<std::string> { "dismissed -1" }));
}

}  // namespace
