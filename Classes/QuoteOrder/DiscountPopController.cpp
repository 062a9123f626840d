#include "Classes/QuoteOrder/DiscountPopController.h"

#include "Classes/Frame/NumericInputValidator.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/RKTextField.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UILabel.h"

#include <algorithm>

namespace {

std::string withoutGrouping(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), ','), text.end());
    return text;
}

}  // namespace

void DiscountPopController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    m_txtDiscountRat = std::make_shared<RKTextField>(CGRectMake(15, 10, 80, 30));
    m_txtDiscountRat->setBorderStyle(UITextBorderStyleRoundedRect);
    m_txtDiscountRat->setTextAlignment(UITextAlignmentCenter);
    m_txtDiscountRat->keyboardType = UIKeyboardTypeNumberPad;
    m_txtDiscountRat->setAdjustsFontSizeToFitWidth(true);
    m_txtDiscountRat->setMinimumFontSize(10);
    m_txtDiscountRat->setInputValidator(std::make_shared<NumericInputValidator>());
    m_txtDiscountRat->setDelegate(protect<DiscountPopController>());
    view()->addSubview(m_txtDiscountRat);

    m_lblPercentFlag = std::make_shared<UILabel>(CGRectMake(98, 8, 20, 30));
    m_lblPercentFlag->setBackgroundColor(UIColor::clearColor());
    m_lblPercentFlag->setText("%");
    view()->addSubview(m_lblPercentFlag);
}

void DiscountPopController::textFieldDidBeginEditing(UITextField& field)
{
    if (!field.text().empty())
        field.setText(withoutGrouping(field.text()));
}

bool DiscountPopController::textFieldShouldReturn(UITextField& field)
{
    field.resignFirstResponder();
    return true;
}

bool DiscountPopController::textFieldShouldEndEditing(UITextField&)
{
    if (auto d = delegate())
        d->discountWillEndInput();
    return true;
}

void DiscountPopController::textFieldDidEndEditing(UITextField& field)
{
    auto* rate = dynamic_cast<RKTextField*>(&field);
    if (!rate)
        return;
    rate->setTraget(protect<DiscountPopController>());
    if (!rate->validate())
        return;  // the alert has told the user; the order keeps its rate
    const double value = NSString::doubleValue(withoutGrouping(rate->text()));
    rate->setText(PublicFunction::doubleFormate(value));
    if (auto d = delegate())
        d->discountRatChanged(value);
}
