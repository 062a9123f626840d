#pragma once

// The header of the customer card's first section: the hide switch and, for a
// local customer, the SUBMIT button.

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UISwitch.h"

#include <memory>

class CustomerInfoViewHiddenCellDelegate {
public:
    virtual ~CustomerInfoViewHiddenCellDelegate() = default;
    virtual void switchViewAction(bool on) { }
    virtual void submitAction(const std::shared_ptr<UIResponder>& sender) { }
};

class CustomerInfoViewHiddenCell : public UIView {
public:
    static std::shared_ptr<CustomerInfoViewHiddenCell> make(CGRect frame);
    explicit CustomerInfoViewHiddenCell(CGRect frame);

    const std::shared_ptr<UILabel>& hiddenFromLabel() const { return m_hiddenFromLabel; }
    const std::shared_ptr<UISwitch>& switchView() const { return m_switchView; }
    const std::shared_ptr<UIButton>& submitButton() const { return m_submitButton; }
    std::weak_ptr<CustomerInfoViewHiddenCellDelegate> delegate;

private:
    void setUp();

    std::shared_ptr<UILabel> m_hiddenFromLabel;
    std::shared_ptr<UISwitch> m_switchView;
    std::shared_ptr<UIButton> m_submitButton;
};
