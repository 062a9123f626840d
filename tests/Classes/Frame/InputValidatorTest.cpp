#include "Classes/Frame/AlphaInputValidator.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/NumericInputValidator.h"
#include "Classes/Frame/RKTextField.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/UIKit/UIAlertView.h"
#include "support/ScreenTest.h"

namespace {

class InputValidatorTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        ValueDictionary en;
        en.set("NOTIFICATION", Value("Notification"));
        en.set("OK", Value("OK"));
        en.set("INPUTVALIDATIONFAILED", Value("Input validation failed"));
        en.set("PLEASEINPUTAPOSITIVENUMBER", Value("Please enter a positive number"));
        useLanguageTables(en, en);
        LanguageManager::sharedInstance()->setCurrentLanguage(1);
    }
    static bool passes(const InputValidator& v, const std::string& text)
    {
        UITextField field(CGRectMake(0, 0, 100, 30));
        field.setText(text);
        return v.validateInputError(field, nullptr);
    }
};

TEST_F(InputValidatorTest, NumbersAreDigitsWithAnOptionalPointAndTwoDigits)
{
    NumericInputValidator numeric;
    for (const char* good : { "0", "12", "007", "12.50" })
        EXPECT_TRUE(passes(numeric, good)) << good;
    for (const char* bad : { "", "12.5", "12.505", ".50", "-3", "1000.0", "1,000", "12." })
        EXPECT_FALSE(passes(numeric, bad)) << bad;
}

TEST_F(InputValidatorTest, LettersOnlyAndTheEmptyTextPasses)
{
    AlphaInputValidator alpha;
    for (const char* good : { "", "abc", "ABCdef" })
        EXPECT_TRUE(passes(alpha, good)) << good;
    for (const char* bad : { "abc1", "two words", "café" })
        EXPECT_FALSE(passes(alpha, bad)) << bad;
    InputValidator base;
    EXPECT_FALSE(passes(base, "anything"));
}

TEST_F(InputValidatorTest, FailureCarriesItsCodeAndTexts)
{
    UITextField field(CGRectMake(0, 0, 100, 30));
    std::shared_ptr<NSError> error;
    EXPECT_FALSE(NumericInputValidator().validateInputError(field, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->domain(), "InputValidationErrorDomain");
    EXPECT_EQ(error->code(), 1001);
    EXPECT_EQ(error->localizedDescription(), "Input validation failed");
    EXPECT_EQ(error->localizedFailureReason(), "Please enter a positive number");

    field.setText("a1");
    EXPECT_FALSE(AlphaInputValidator().validateInputError(field, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), 1002);
    EXPECT_EQ(error->localizedFailureReason(), "The input can contain only letters");
}

class AlertTarget : public UIAlertViewDelegate {
public:
    void alertViewClickedButtonAtIndex(UIAlertView& alert, long index) override { tags.push_back(alert.tag()); }
    std::vector<long> tags;
};

TEST_F(InputValidatorTest, FieldShowsAFailedCheckInAnAlertToItsTarget)
{
    auto screen = std::make_shared<UIViewController>();
    auto field = std::make_shared<RKTextField>(CGRectMake(20, 20, 200, 31));
    field->setInputValidator(std::make_shared<NumericInputValidator>());
    auto target = std::make_shared<AlertTarget>();
    field->setTraget(target);
    screen->view()->addSubview(field);
    showRoot(screen);

    driver->tap(field);
    driver->typeText("12.5");
    EXPECT_FALSE(field->validate());
    driver->advance(0.5);
    auto alert = driver->visibleAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Notification");
    EXPECT_EQ(alert->message(), "Please enter a positive number");
    EXPECT_EQ(field->text(), "12.5");
    ASSERT_TRUE(driver->tapAlertButton("OK"));
    EXPECT_EQ(target->tags, std::vector<long> { 999 });

    driver->typeText("0");
    EXPECT_TRUE(field->validate());
}

}  // namespace
