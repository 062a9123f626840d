#pragma once

// The pop-up in which the salesperson types the order's discount rate. A rate
// is reported only when the field's numeric check passes, so a mistyped rate
// never changes the order.

#include "Classes/QuoteOrder/DiscountPopControllerDelegate.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UIViewController.h"

#include <memory>

class RKTextField;
class UILabel;

class DiscountPopController : public UIViewController, public UITextFieldDelegate, public UIAlertViewDelegate {
public:
    void viewDidLoad() override;

    const std::shared_ptr<RKTextField>& txtDiscountRat() const { return m_txtDiscountRat; }
    std::shared_ptr<DiscountPopControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<DiscountPopControllerDelegate> delegate) { m_delegate = std::move(delegate); }

    void textFieldDidBeginEditing(UITextField& field) override;
    bool textFieldShouldChangeCharactersInRangeReplacementString(UITextField&, NSRange, const std::string&) override
    {
        return true;
    }
    bool textFieldShouldReturn(UITextField& field) override;
    bool textFieldShouldEndEditing(UITextField& field) override;
    void textFieldDidEndEditing(UITextField& field) override;

private:
    std::shared_ptr<RKTextField> m_txtDiscountRat;
    std::shared_ptr<UILabel> m_lblPercentFlag;
    std::weak_ptr<DiscountPopControllerDelegate> m_delegate;
};
