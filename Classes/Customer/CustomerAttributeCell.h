#pragma once

// One row of the customer card: a right-aligned label and its value, read-only
// in display mode; in edit mode a text field, or an on/off switch for the
// "ACTIVE" row, with a red "*" beside the required names.

#include "Platform/UIKit/UISwitch.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "Platform/UIKit/UITextField.h"

#include <memory>
#include <string>

class CustomerAttributeCellDelegate {
public:
    virtual ~CustomerAttributeCellDelegate() = default;
    virtual void customerAttributeCellTextFieldBegin(UITextField&) { }
    virtual void customerAttributeCellTextFieldcEndWithSectionWithLbName(
        const std::string& text, int section, const std::string& label)
    {
    }
    virtual void customerAttributeCellSwitchViewAction(bool on) { }
    virtual void customerAttributeCellShouldReturnWithSectionWithRow(int section, int row) { }
};

class CustomerAttributeCell : public UITableViewCell, public UITextFieldDelegate {
public:
    static std::shared_ptr<CustomerAttributeCell> make(const std::string& reuseIdentifier);
    explicit CustomerAttributeCell(const std::string& reuseIdentifier);

    const std::shared_ptr<UILabel>& lblFiledName() const { return m_lblFiledName; }
    const std::shared_ptr<UITextField>& txtAttributeValue() const { return m_txtAttributeValue; }
    const std::shared_ptr<UILabel>& lblAttributeValueDefaul() const { return m_lblAttributeValueDefaul; }
    const std::shared_ptr<UILabel>& redStarFlag() const { return m_redStarFlag; }
    const std::shared_ptr<UISwitch>& switchValue() const { return m_switchValue; }
    int section = 0;
    int row = 0;
    std::weak_ptr<CustomerAttributeCellDelegate> delegate;

    void textFieldDidBeginEditing(UITextField&) override;
    void textFieldDidEndEditing(UITextField&) override;
    bool textFieldShouldChangeCharactersInRangeReplacementString(
        UITextField&, NSRange range, const std::string& replacement) override;
    bool textFieldShouldReturn(UITextField&) override;

private:
    void setUp();

    std::shared_ptr<UILabel> m_lblFiledName;
    std::shared_ptr<UITextField> m_txtAttributeValue;
    std::shared_ptr<UILabel> m_lblAttributeValueDefaul;
    std::shared_ptr<UILabel> m_redStarFlag;
    std::shared_ptr<UISwitch> m_switchValue;
};
