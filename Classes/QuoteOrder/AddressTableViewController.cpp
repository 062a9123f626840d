#include "Classes/QuoteOrder/AddressTableViewController.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "Platform/UIKit/UITextField.h"

namespace {

constexpr const char* kCellIdentifier = "AddressTabelCell";
constexpr const char* kRowTitles[] = { "STREETADDRESS", "CITY", "STATE", "ZIPCODE" };
constexpr long kChinese = 2;

}  // namespace

AddressTableViewController::AddressTableViewController(
    std::string street, std::string city, std::string state, std::string zipCode)
    : m_values { std::move(street), std::move(city), std::move(state), std::move(zipCode) }
{
}

void AddressTableViewController::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    tableView()->setAllowsSelection(false);
}

std::shared_ptr<UITableViewCell> AddressTableViewController::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    const long row = path.row();
    if (row < 0 || row > 3)
        return std::make_shared<UITableViewCell>();
    auto cell = table.dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell) {
        cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, std::string(kCellIdentifier));
        const bool chinese = PublicFunction::currentLanguage() == kChinese;
        auto label = std::make_shared<UILabel>(chinese ? CGRectMake(5, 5, 70, 30) : CGRectMake(5, 5, 170, 30));
        label->setTag(kLabelTag);
        label->setFont(UIFont::boldSystemFontOfSize(15));
        label->setTextColor(UIColor::colorWithRedGreenBlueAlpha(53 / 255.0, 107 / 255.0, 168 / 255.0, 1));
        label->setTextAlignment(UITextAlignmentRight);
        cell->contentView()->addSubview(label);
        auto field
            = std::make_shared<UITextField>(chinese ? CGRectMake(85, 10, 460, 30) : CGRectMake(185, 10, 360, 30));
        field->setTag(kFieldTag);
        field->autocorrectionType = UITextAutocorrectionTypeNo;
        field->setText(m_values[row]);
        cell->contentView()->addSubview(field);
    }
    if (auto label = std::dynamic_pointer_cast<UILabel>(cell->contentView()->viewWithTag(kLabelTag)))
        label->setText(Language::stringWithName(kRowTitles[row]).value_or(kRowTitles[row]));
    // The keyboard opens on the street.
    if (row == 0) {
        if (auto field = cell->contentView()->viewWithTag(kFieldTag))
            field->becomeFirstResponder();
    }
    return cell;
}

std::optional<std::string> AddressTableViewController::fieldText(long row)
{
    auto cell = tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, 0));
    if (!cell)
        return std::nullopt;
    auto field = std::dynamic_pointer_cast<UITextField>(cell->contentView()->viewWithTag(kFieldTag));
    return field ? std::optional<std::string>(field->text()) : std::nullopt;
}
