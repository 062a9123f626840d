#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/childMsgBox.h"
#include "Platform/UIKit/UILabel.h"
#include "support/ScreenTest.h"

#include <thread>

namespace {

class BoxListener : public MessageBoxDelegate {
public:
    void msgBoxClickedButtonAtIndex(int tag, int index) override
    {
        calls.push_back("clicked " + std::to_string(tag) + " " + std::to_string(index));
    }
    void didPresentMsgBox(int tag) override { calls.push_back("presented " + std::to_string(tag)); }
    void msgBoxDidDismissWithButtonIndex(int tag, int index) override
    {
        calls.push_back("dismissed " + std::to_string(tag));
    }
    std::vector<std::string> calls;
};

class MessageBoxTest : public ScreenTest {
protected:
    std::shared_ptr<MessageBox> box() { return MessageBox::sharedInstance(); }
    int show(int type, std::shared_ptr<MessageBoxDelegate> delegate = nullptr)
    {
        return box()->showMessageBoxWithTitleMessageDelegateCancelButtonTitleMsgBoxType(
            "Title", "Message", delegate, std::string("OK"), type);
    }
    bool onScreen(int tag)
    {
        auto b = box()->boxWithTag(tag);
        return b && b->av() && b->av()->isVisible();
    }
};

TEST_F(MessageBoxTest, TagsCountFromOneWhateverTheKindAndABadKindMakesNoBox)
{
    EXPECT_EQ(show(0), 1);
    EXPECT_EQ(show(1), 2);
    EXPECT_EQ(show(7), 3);
    EXPECT_EQ(box()->boxWithTag(3), nullptr);
    box()->BeginBlockWait("Loading", 10);
    EXPECT_EQ(box()->waitMsgBoxtag(), 4);
}

TEST_F(MessageBoxTest, PlainAlertIsShownOnTheNextTurnAndItsButtonIsRelayedByTag)
{
    auto listener = std::make_shared<BoxListener>();
    const int tag = show(0, listener);
    EXPECT_EQ(driver->visibleAlert(), nullptr);
    driver->settle();
    ASSERT_NE(driver->visibleAlert(), nullptr);
    EXPECT_EQ(driver->visibleAlert()->title(), "Title");
    driver->advance(0.5);
    ASSERT_TRUE(driver->tapAlertButton("OK"));
    driver->advance(0.5);
    // After the click the box is gone from the table, so its dismissal reaches no one.
    EXPECT_EQ(listener->calls, (std::vector<std::string> { "presented 1", "clicked 1 0" }));
    EXPECT_EQ(box()->boxWithTag(tag), nullptr);
}

TEST_F(MessageBoxTest, NotesAndWaitBoxesCloseOnTheirClock)
{
    struct Case {
        const char* what;
        double timeout;
        double closesAfter;
    };
    // Time-outs are cut to whole seconds; a negative one closes at the next turn.
    const Case cases[]
        = { { "note", -1, 2.0 }, { "wait 10", 10, 10.0 }, { "wait 2.7", 2.7, 2.0 }, { "wait -3", -3, 0.0 } };
    for (const Case& c : cases) {
        int tag;
        if (std::string(c.what) == "note")
            tag = show(1);
        else {
            box()->BeginBlockWait("Please wait", c.timeout);
            tag = box()->waitMsgBoxtag();
        }
        if (c.closesAfter > 0) {
            driver->advance(c.closesAfter - 0.01);
            EXPECT_TRUE(onScreen(tag)) << c.what;
            driver->advance(0.01);
        } else {
            driver->settle();
        }
        EXPECT_EQ(box()->boxWithTag(tag), nullptr) << c.what;
        driver->advance(1);
        EXPECT_EQ(driver->visibleAlert(), nullptr) << c.what;
    }
}

TEST_F(MessageBoxTest, OneWaitBoxAtATimeItsTextChangesAndEndingItClearsTheTag)
{
    box()->ChangeWaitMessage("nothing to change");
    box()->EndBlockWait();
    EXPECT_EQ(box()->waitMsgBoxtag(), 0);

    box()->BeginBlockWait("Signing in", 60);
    const int first = box()->waitMsgBoxtag();
    box()->BeginBlockWait("Loading configuration", 60);
    const int second = box()->waitMsgBoxtag();
    EXPECT_NE(first, second);
    EXPECT_EQ(box()->boxWithTag(first), nullptr);
    driver->settle();
    box()->ChangeWaitMessage("Almost there");
    EXPECT_NE(driver->findLabel("Almost there"), nullptr);
    EXPECT_EQ(driver->findLabel("Loading configuration"), nullptr);

    box()->EndBlockWait();
    EXPECT_EQ(box()->waitMsgBoxtag(), 0);
    driver->advance(1);
    EXPECT_EQ(driver->visibleAlert(), nullptr);
}

TEST_F(MessageBoxTest, ATimedOutWaitBoxKeepsItsTagUntilTheNextEnd)
{
    box()->BeginBlockWait("Uploading", 10);
    const int tag = box()->waitMsgBoxtag();
    box()->BlockWaitEnd(3);
    driver->advance(3);
    EXPECT_EQ(box()->boxWithTag(tag), nullptr);
    EXPECT_EQ(box()->waitMsgBoxtag(), tag);
    box()->EndBlockWait();
    EXPECT_EQ(box()->waitMsgBoxtag(), 0);
}

TEST_F(MessageBoxTest, ABoxAskedForFromAnotherThreadIsMadeOnTheMainThread)
{
    int tag = 0;
    std::thread([&] { tag = show(0); }).join();
    EXPECT_EQ(tag, 1);
    driver->settle();
    ASSERT_NE(driver->visibleAlert(), nullptr);
    box()->dismissAllMsgBox();
    EXPECT_EQ(box()->boxWithTag(tag), nullptr);
}

}  // namespace

#include "Classes/Frame/FreeDismissAlertView.h"

namespace {

class AlertLog : public UIAlertViewDelegate {
public:
    void alertViewClickedButtonAtIndex(UIAlertView&, long index) override
    {
        calls.push_back("clicked " + std::to_string(index));
    }
    void alertViewDidDismissWithButtonIndex(UIAlertView&, long index) override
    {
        calls.push_back("dismissed " + std::to_string(index));
    }
    std::vector<std::string> calls;
};

TEST_F(MessageBoxTest, FreeDismissAlertTakesItsButtonsAndATouchOutsideDismissesIt)
{
    showRoot(std::make_shared<UIViewController>());
    struct Case {
        bool outside;
        std::vector<std::string> expected;
    };
    for (const Case& c : { Case { false, { "clicked 1", "dismissed 1" } }, Case { true, { "dismissed 0" } } }) {
        auto log = std::make_shared<AlertLog>();
        auto alert = std::make_shared<FreeDismissAlertView>(
            "Save the order?", "", log, std::string("No"), std::vector<std::string> { "Yes" });
        alert->show();
        driver->advance(0.5);
        if (c.outside)
            driver->tapAt(CGPointMake(20, 20));
        else
            ASSERT_TRUE(driver->tapAlertButton("Yes"));
        driver->advance(0.5);
        EXPECT_EQ(log->calls, c.expected) << c.outside;
        EXPECT_EQ(driver->visibleAlert(), nullptr);
        // The cover went with the alert: the screen takes touches again.
        EXPECT_EQ(window->hitTestWithEvent(CGPointMake(20, 20), nullptr), window->rootViewController()->view());
    }
}

}  // namespace
