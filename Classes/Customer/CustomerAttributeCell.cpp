#include "Classes/Customer/CustomerAttributeCell.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

namespace {

std::shared_ptr<UIColor> rowTextColor()
{
    return UIColor::colorWithRedGreenBlueAlpha(70 / 255.0, 70 / 255.0, 70 / 255.0, 1);
}

}  // namespace

std::shared_ptr<CustomerAttributeCell> CustomerAttributeCell::make(const std::string& reuseIdentifier)
{
    auto cell = std::make_shared<CustomerAttributeCell>(reuseIdentifier);
    cell->setUp();
    return cell;
}

CustomerAttributeCell::CustomerAttributeCell(const std::string& reuseIdentifier)
    : UITableViewCell(UITableViewCellStyleDefault, reuseIdentifier)
{
}

void CustomerAttributeCell::setUp()
{
    setSelectionStyle(UITableViewCellSelectionStyleNone);

    m_redStarFlag = std::make_shared<UILabel>(CGRectMake(100, 12, 20, 25));
    m_redStarFlag->setText("*");
    m_redStarFlag->setFont(UIFont::boldSystemFontOfSize(25));
    m_redStarFlag->setTextColor(UIColor::redColor());
    m_redStarFlag->setBackgroundColor(UIColor::clearColor());
    m_redStarFlag->setHidden(true);

    m_lblFiledName = std::make_shared<UILabel>(CGRectMake(50, 10, 200, 25));
    m_lblFiledName->setFont(UIFont::boldSystemFontOfSize(17));
    m_lblFiledName->setTextAlignment(UITextAlignmentRight);
    m_lblFiledName->setTextColor(rowTextColor());
    m_lblFiledName->setBackgroundColor(UIColor::clearColor());
    m_lblFiledName->setNumberOfLines(0);

    m_txtAttributeValue = std::make_shared<UITextField>(CGRectMake(270, 10, 340, 25));
    m_txtAttributeValue->setFont(UIFont::boldSystemFontOfSize(17));
    m_txtAttributeValue->setTextColor(rowTextColor());
    m_txtAttributeValue->returnKeyType = UIReturnKeyNext;
    m_txtAttributeValue->autocorrectionType = UITextAutocorrectionTypeNo;
    m_txtAttributeValue->setDelegate(weakSelf<CustomerAttributeCell>());

    m_lblAttributeValueDefaul = std::make_shared<UILabel>(CGRectMake(270, 10, 340, 25));
    m_lblAttributeValueDefaul->setFont(UIFont::boldSystemFontOfSize(17));
    m_lblAttributeValueDefaul->setTextColor(rowTextColor());
    m_lblAttributeValueDefaul->setBackgroundColor(UIColor::clearColor());
    m_lblAttributeValueDefaul->setLineBreakMode(UILineBreakModeWordWrap);
    m_lblAttributeValueDefaul->setNumberOfLines(0);
    m_lblAttributeValueDefaul->setHidden(true);

    m_switchValue = std::make_shared<UISwitch>(CGRectMake(290, 8, 0, 0));
    m_switchValue->setOn(true);
    m_switchValue->setHidden(true);
    auto weak = weakSelf<CustomerAttributeCell>();
    m_switchValue->addTarget(UIControlEventValueChanged, [weak](UIControl& control, UIEvent*) {
        auto self = weak.lock();
        if (!self)
            return;
        if (auto listener = self->delegate.lock())
            listener->customerAttributeCellSwitchViewAction(static_cast<UISwitch&>(control).isOn());
    });

    contentView()->addSubview(m_lblFiledName);
    contentView()->addSubview(m_redStarFlag);
    contentView()->addSubview(m_txtAttributeValue);
    contentView()->addSubview(m_lblAttributeValueDefaul);
    contentView()->addSubview(m_switchValue);
}

void CustomerAttributeCell::textFieldDidBeginEditing(UITextField& field)
{
    if (auto listener = delegate.lock())
        listener->customerAttributeCellTextFieldBegin(field);
}

void CustomerAttributeCell::textFieldDidEndEditing(UITextField& field)
{
    if (auto listener = delegate.lock())
        listener->customerAttributeCellTextFieldcEndWithSectionWithLbName(
            field.text(), section, m_lblFiledName->text());
}

bool CustomerAttributeCell::textFieldShouldChangeCharactersInRangeReplacementString(
    UITextField& field, NSRange range, const std::string& replacement)
{
    std::string text = field.text();
    if (range.location <= text.size())
        text.replace(range.location, std::min(range.length, text.size() - range.location), replacement);
    if (auto listener = delegate.lock())
        listener->customerAttributeCellTextFieldcEndWithSectionWithLbName(text, section, m_lblFiledName->text());
    return true;
}

bool CustomerAttributeCell::textFieldShouldReturn(UITextField&)
{
    if (auto listener = delegate.lock())
        listener->customerAttributeCellShouldReturnWithSectionWithRow(section, row);
    // The key moves to the next row; it never inserts a line.
    return false;
}
