#include "Classes/Frame/RKTextField.h"
#include "Classes/QuoteOrder/DiscountPopController.h"
#include "Platform/UIKit/UIAlertView.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RecordingEditor : public DiscountPopControllerDelegate {
public:
    void discountWillEndInput() override { events.push_back("will end"); }
    void discountRatChanged(double rate) override
    {
        events.push_back("rate");
        rates.push_back(rate);
    }
    std::vector<std::string> events;
    std::vector<double> rates;
};

class DiscountPopControllerTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        pop = std::make_shared<DiscountPopController>();
        editor = std::make_shared<RecordingEditor>();
        pop->setDelegate(editor);
        showRoot(pop);
    }

    // Types a rate into the emptied field and leaves it as the salesperson does.
    void enter(const std::string& text)
    {
        auto field = pop->txtDiscountRat();
        field->setText("");
        driver->tap(field);
        driver->typeText(text);
        field->resignFirstResponder();
        driver->advance(0.5);
    }

    std::shared_ptr<DiscountPopController> pop;
    std::shared_ptr<RecordingEditor> editor;
};

TEST_F(DiscountPopControllerTest, AValidRateIsReformattedAndReported)
{
    ASSERT_TRUE(pop->txtDiscountRat());
    EXPECT_EQ(pop->txtDiscountRat()->frame(), CGRectMake(15, 10, 80, 30));
    enter("1250");
    EXPECT_EQ(pop->txtDiscountRat()->text(), "1,250.00");
    EXPECT_EQ(editor->events, (std::vector<std::string> { "will end", "rate" }));
    EXPECT_EQ(editor->rates, std::vector<double> { 1250 });
    EXPECT_FALSE(driver->visibleAlert());

    // Editing again starts from the rate without grouping.
    driver->tap(pop->txtDiscountRat());
    EXPECT_EQ(pop->txtDiscountRat()->text(), "1250.00");
}

TEST_F(DiscountPopControllerTest, ARateThatFailsTheCheckIsShownAndNotReported)
{
    for (const char* text : { "12.5", "", "abc", "-3" }) {
        SCOPED_TRACE(text);
        editor->rates.clear();
        enter(text);
        auto alert = driver->visibleAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->tag(), RKTextField::kAlertTag);
        EXPECT_EQ(pop->txtDiscountRat()->text(), text) << "the text stays as typed";
        EXPECT_TRUE(editor->rates.empty()) << "the order keeps its rate";
        ASSERT_TRUE(driver->tapAlertButton("OK"));
        driver->advance(0.5);
    }
}

}  // namespace
