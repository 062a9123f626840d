#include "Classes/Customer/CustomerInfoView.h"

#include "Classes/Customer/CustomerDataModel.h"
#include "Classes/Customer/CustomerNote.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/PerformRequests.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIKeyboard.h"

#include <algorithm>

namespace {

const CGRect kTableFrame = CGRectMake(0, 44, 663, 638);
const CGRect kTableFrameOverKeyboard = CGRectMake(0, 44, 663, 370);

bool isBlank(const std::optional<std::string>& s)
{
    return !s || NSString::stringByTrimmingCharactersInSet(*s, CharacterSet::whitespace).empty();
}

std::shared_ptr<UIColor> blueValue()
{
    return UIColor::colorWithRedGreenBlueAlpha(53 / 255.0, 107 / 255.0, 168 / 255.0, 1);
}

std::shared_ptr<UIColor> greyValue()
{
    return UIColor::colorWithRedGreenBlueAlpha(70 / 255.0, 70 / 255.0, 70 / 255.0, 1);
}

CGFloat wrappedHeight(const std::string& s, CGFloat width)
{
    return sizeWithFontConstrainedToSizeLineBreakMode(
        s, UIFont::boldSystemFontOfSize(17), CGSizeMake(width, 250), UILineBreakModeWordWrap)
        .height;
}

std::shared_ptr<UIButton> titleBarButton(CGRect frame)
{
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(frame);
    PublicFunction::initializeToButtonHeight34(button);
    button->setHidden(true);
    return button;
}

}  // namespace

std::shared_ptr<CustomerInfoView> CustomerInfoView::make(CGRect frame)
{
    auto view = std::make_shared<CustomerInfoView>(frame);
    view->setUp();
    return view;
}

CustomerInfoView::CustomerInfoView(CGRect frame)
    : UIView(frame)
{
}

CustomerInfoView::~CustomerInfoView()
{
    if (auto manager = LanguageManager::existingInstance())
        manager->unRegisterLanugageNotification(this);
    NSNotificationCenter::defaultCenter().removeObserver(this);
    PerformRequests::cancelPreviousPerformRequests(this);
}

void CustomerInfoView::setUp()
{
    auto weak = weakSelf<CustomerInfoView>();
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(this, "UPLOADCUSTOMERRESPOND", [weak](const NSNotification& n) {
        if (auto self = weak.lock())
            self->uploadCustomerFinish(!n.object.isNull() && n.object.boolValue());
    });
    center.addObserver(this, UIKeyboardDidShowNotification, [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->keyboardWasShown();
    });
    center.addObserver(this, UIKeyboardWillHideNotification, [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->keyboardWasHidden();
    });
    LanguageManager::sharedInstance()->registerLanugageNotification(weak.lock());

    m_titleBar = std::make_shared<UIImageView>(CGRectMake(0, 0, 663, 44));
    m_titleBar->setImage(SkinManager::skinFromImageName(std::string("topbar-right-bg.png")));
    addSubview(m_titleBar);
    m_titleLabel = std::make_shared<UILabel>(CGRectMake(231, 7, 200, 30));
    m_titleLabel->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    m_titleLabel->setTextColor(UIColor::whiteColor());
    m_titleLabel->setTextAlignment(UITextAlignmentCenter);
    m_titleLabel->setBackgroundColor(UIColor::clearColor());
    addSubview(m_titleLabel);

    m_cancelButton = titleBarButton(CGRectMake(15, 5, 60, 34));
    m_cancelButton->addTarget(UIControlEventTouchDown, [weak](UIControl& sender, UIEvent*) {
        if (auto self = weak.lock())
            self->customerInfoViewCancel(sender.sharedView());
    });
    m_doneButton = titleBarButton(CGRectMake(588, 5, 60, 34));
    m_doneButton->addTarget(UIControlEventTouchDown, [weak](UIControl& sender, UIEvent*) {
        if (auto self = weak.lock())
            self->customerInfoViewDone(sender.sharedView());
    });
    m_editButton = titleBarButton(CGRectMake(588, 5, 60, 34));
    m_editButton->addTarget(UIControlEventTouchDown, [weak](UIControl& sender, UIEvent*) {
        if (auto self = weak.lock())
            self->customerInfoViewEdit(sender.sharedView());
    });
    addSubview(m_cancelButton);
    addSubview(m_doneButton);
    addSubview(m_editButton);

    m_tableCustomerInfo = std::make_shared<UITableView>(kTableFrame, UITableViewStyleGrouped);
    m_tableCustomerInfo->setShowsVerticalScrollIndicator(true);
    m_tableCustomerInfo->setDataSource(std::static_pointer_cast<UITableViewDataSource>(weak.lock()));
    m_tableCustomerInfo->setDelegate(std::static_pointer_cast<UITableViewDelegate>(weak.lock()));
    addSubview(m_tableCustomerInfo);
    m_customerType = 0;
    updateTexts();
}

void CustomerInfoView::updateTexts()
{
    m_titleLabel->setText(text("CUSTOMERDETAIL"));
    m_cancelButton->setTitleForState(text("CANCEL"), UIControlStateNormal);
    m_doneButton->setTitleForState(text("DONE"), UIControlStateNormal);
    m_editButton->setTitleForState(text("EDIT"), UIControlStateNormal);
}

void CustomerInfoView::reload() { m_tableCustomerInfo->reloadData(); }

// ---- Modes ----

void CustomerInfoView::setPersonInfo(const std::shared_ptr<PersonInfo>& person)
{
    m_personInfo = person ? person->copy() : nullptr;
    m_customerType = 0;
    m_editButton->setHidden(!(m_personInfo && m_personInfo->pid && *m_personInfo->pid < 0));
    m_customerInfoGroupData.updateCustomerInfoData(m_personInfo);
    reload();
}

void CustomerInfoView::setNewPersonInfo(const std::shared_ptr<PersonInfo>& person)
{
    m_personInfo = person ? person->copy() : nullptr;
    m_customerType = 1;
    m_editButton->setHidden(true);
    m_customerInfoGroupData.updateCustomerInfoData(m_personInfo);
    reload();
}

void CustomerInfoView::setPersonInfoFromByContactFirstNameLastName(
    const std::shared_ptr<PersonInfo>& person, const std::string& fristName, const std::string& lastName)
{
    setPersonInfo(person);
    if (!m_personInfo || !m_personInfo->contact || m_personInfo->contact->empty())
        return;
    size_t index = 0;
    for (size_t i = 0; i < m_personInfo->contact->size(); ++i) {
        const auto& c = (*m_personInfo->contact)[i];
        if (c && c->first_name.value_or("") == fristName && c->last_name.value_or("") == lastName) {
            index = i;
            break;
        }
    }
    const size_t addresses = m_personInfo->address ? m_personInfo->address->size() : 0;
    const auto path = NSIndexPath::indexPathForRowInSection(0, static_cast<long>(addresses + 3 + index));
    if (path.section() < m_tableCustomerInfo->numberOfSections())
        m_tableCustomerInfo->scrollToRowAtIndexPathAtScrollPositionAnimated(
            path, UITableViewScrollPositionMiddle, true);
}

void CustomerInfoView::addNewCustomer()
{
    m_cancelButton->setHidden(false);
    m_doneButton->setHidden(false);
}

void CustomerInfoView::customerHiddenNewCustomerViews()
{
    m_cancelButton->setHidden(true);
    m_doneButton->setHidden(true);
}

void CustomerInfoView::deleteLocalCustomer(int customerId)
{
    if (!m_personInfo || m_personInfo->pid != customerId)
        return;
    setPersonInfo(nullptr);
    m_editButton->setHidden(true);
    m_doneButton->setHidden(true);
    m_cancelButton->setHidden(true);
    m_customerInfoGroupData.removeAllObjects();
    reload();
}

void CustomerInfoView::customerInfoViewEdit(const std::shared_ptr<UIResponder>&)
{
    m_customerType = 1;
    m_cancelButton->setHidden(false);
    m_doneButton->setHidden(false);
    m_editButton->setHidden(true);
    reload();
}

void CustomerInfoView::customerInfoViewCancel(const std::shared_ptr<UIResponder>& sender)
{
    auto listener = m_delegate.lock();
    if (!listener)
        return;
    auto protector = protect<CustomerInfoView>();
    endEditingOfFields();
    m_textFieldArray.clear();
    m_cancelButton->setHidden(true);
    m_doneButton->setHidden(true);
    if (m_personInfo && m_personInfo->pid)
        m_editButton->setHidden(false);
    else
        m_customerInfoGroupData.removeAllObjects();
    m_customerType = 0;
    reload();
    listener->customerInfoViewCancel(sender);
}

void CustomerInfoView::endEditingOfFields()
{
    for (const auto& field : m_textFieldArray) {
        if (field->isFirstResponder())
            field->resignFirstResponder();
    }
}

void CustomerInfoView::customerInfoViewDone(const std::shared_ptr<UIResponder>& sender)
{
    auto listener = m_delegate.lock();
    if (!listener)
        return;
    auto protector = protect<CustomerInfoView>();
    for (const auto& field : m_textFieldArray) {
        if (field->isFirstResponder()) {
            field->resignFirstResponder();
            break;
        }
    }
    m_textFieldArray.clear();

    const auto& company = m_customerInfoGroupData.customerCompanyData;
    std::optional<std::string> name;
    if (!company.empty() && !company.front()->customerAttributes.empty())
        name = company.front()->customerAttributes.front()->attributeValue;
    bool incompleteContact = false;
    for (const auto& group : m_customerInfoGroupData.customerContactData) {
        for (const auto& row : group->customerAttributes) {
            const auto key = m_customerInfoGroupData.labelKeyOf(*row);
            if ((key == std::optional<std::string>("FIRSTNAME") || key == std::optional<std::string>("LASTNAME"))
                && isBlank(row->attributeValue))
                incompleteContact = true;
        }
    }
    if (isBlank(name)) {
        showCustomerNote(text("NEEDINPUTNAME"));
        return;
    }
    if (incompleteContact) {
        showCustomerNote(text("NEEDINPUTCONTACTNAME"));
        return;
    }
    // The tab stores the groups, replacing the customer's rows; until it
    // succeeds nothing stored is touched, and on failure the card stays in edit mode.
    listener->customerInfoViewDoneWithData(sender, m_customerInfoGroupData);
}

// ---- Groups ----

void CustomerInfoView::addAddress()
{
    endEditingOfFields();
    m_customerInfoGroupData.addAddressGroup();
    reload();
}

void CustomerInfoView::addConctact()
{
    endEditingOfFields();
    m_customerInfoGroupData.addContactGroup();
    reload();
}

void CustomerInfoView::deleteSectionWithType(int indexId, int type)
{
    auto& list = type == 1 ? m_customerInfoGroupData.customerCompanyData : m_customerInfoGroupData.customerContactData;
    const std::string primaryName = text(type == 1 ? "PRIMARYADDRESS" : "PRIMARYCONTACT");
    CustomerGroup deleted, primary;
    for (const auto& group : list) {
        if (group->indexId == indexId)
            deleted = group;
        if (group->groupName == primaryName)
            primary = group;
    }
    if (!deleted)
        return;
    if (deleted->isDefault && primary)
        primary->isDefault = true;
    list.erase(std::find(list.begin(), list.end(), deleted));
    if (type == 2)
        m_customerInfoGroupData.setFirstContactToPromary();
    reload();
}

void CustomerInfoView::groupViewClickWithType(int indexId, int type)
{
    auto protector = protect<CustomerInfoView>();
    auto data = DataAccessManager::sharedDataModel();
    // Plain values, not a copied optional (GCC at -O3 takes its payload for
    // possibly unset); only a customer with an id has stored defaults to change.
    const bool stored = m_personInfo && m_personInfo->pid;
    const int customerId = stored ? *m_personInfo->pid : 0;
    auto& list = type == 1 ? m_customerInfoGroupData.customerCompanyData : m_customerInfoGroupData.customerContactData;
    for (const auto& group : list) {
        group->isDefault = group->indexId == indexId;
        if (!group->isDefault || !stored)
            continue;
        if (type == 1)
            data->updateAddressToDefaultIndexId(customerId, indexId);
        else
            data->updateContactToDefaultContact(customerId, indexId);
    }
    if (m_customerType == 0) {
        if (auto listener = m_delegate.lock())
            listener->customerInfoViewChangePrimary();
    }
    reload();
}

// ---- Table ----

CustomerGroup CustomerInfoView::groupForSection(long section, bool* isContact) const
{
    const long c = static_cast<long>(m_customerInfoGroupData.customerCompanyData.size());
    const long k = static_cast<long>(m_customerInfoGroupData.customerContactData.size());
    if (isContact)
        *isContact = false;
    if (section >= 1 && section <= c)
        return m_customerInfoGroupData.customerCompanyData[static_cast<size_t>(section - 1)];
    const long firstContact = m_customerType == 1 ? c + 2 : c + 1;
    if (section >= firstContact && section < firstContact + k) {
        if (isContact)
            *isContact = true;
        return m_customerInfoGroupData.customerContactData[static_cast<size_t>(section - firstContact)];
    }
    return nullptr;
}

long CustomerInfoView::numberOfSectionsInTableView(UITableView&)
{
    const long c = static_cast<long>(m_customerInfoGroupData.customerCompanyData.size());
    const long k = static_cast<long>(m_customerInfoGroupData.customerContactData.size());
    if (!m_personInfo || c + k == 0)
        return 0;
    return m_customerType == 1 ? c + k + 3 : c + k + 1;
}

long CustomerInfoView::tableViewNumberOfRowsInSection(UITableView&, long section)
{
    auto group = groupForSection(section);
    return group ? static_cast<long>(group->customerAttributes.size()) : 0;
}

std::optional<CGFloat> CustomerInfoView::tableViewHeightForHeaderInSection(UITableView&, long section)
{
    return section == 0 ? 70.0 : 50.0;
}

std::shared_ptr<UIView> CustomerInfoView::tableViewViewForHeaderInSection(UITableView& table, long section)
{
    auto weak = weakSelf<CustomerInfoView>();
    if (section == 0) {
        auto header = CustomerInfoViewHiddenCell::make(CGRectMake(45, 15, 570, 70));
        header->delegate = std::static_pointer_cast<CustomerInfoViewHiddenCellDelegate>(weak.lock());
        header->switchView()->setOn(m_personInfo && m_personInfo->hidden);
        // A customer not stored yet has nothing to hide.
        const bool stored = m_personInfo && m_personInfo->pid;
        header->switchView()->setHidden(!stored);
        header->hiddenFromLabel()->setHidden(!stored);
        header->submitButton()->setHidden(!(stored && *m_personInfo->pid < 0));
        return header;
    }
    bool isContact = false;
    if (auto group = groupForSection(section, &isContact)) {
        auto header = CustomerInfoGroupView::make(CGRectMake(0, 0, table.bounds().size.width, 50));
        header->delegate = std::static_pointer_cast<CustomerInfoGroupViewDelegate>(weak.lock());
        header->lblGroupName()->setText(group->groupName);
        header->indexId = group->indexId;
        header->setIsSelect(group->isDefault);
        header->type = isContact ? 2 : 1;
        if (section == 1) {
            header->type = 0;
            header->selectButtonHidden();
        }
        header->deleteButton()->setHidden(!(m_customerType == 1 && section != 1 && section != 2));
        return header;
    }
    if (m_customerType != 1)
        return nullptr;
    const long c = static_cast<long>(m_customerInfoGroupData.customerCompanyData.size());
    const bool addsAddress = section == c + 1;
    auto plain = std::make_shared<UIView>(CGRectMake(0, 0, table.bounds().size.width, 50));
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(CGRectMake(45, 15, 120, 30));
    PublicFunction::initializeToButtonHeight30(button);
    button->setTitleForState(text(addsAddress ? "ADDADDRESS" : "ADDCONTACTS"), UIControlStateNormal);
    button->addTarget(UIControlEventTouchDown, [weak, addsAddress](UIControl&, UIEvent*) {
        auto self = weak.lock();
        if (!self)
            return;
        if (addsAddress)
            self->addAddress();
        else
            self->addConctact();
    });
    plain->addSubview(button);
    return plain;
}

std::shared_ptr<UITableViewCell> CustomerInfoView::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    auto cell = std::dynamic_pointer_cast<CustomerAttributeCell>(table.dequeueReusableCellWithIdentifier("Cell"));
    if (!cell)
        cell = CustomerAttributeCell::make("Cell");
    cell->delegate = std::static_pointer_cast<CustomerAttributeCellDelegate>(weakSelf<CustomerInfoView>().lock());
    auto group = groupForSection(path.section());
    if (!group || path.row() >= static_cast<long>(group->customerAttributes.size()))
        return cell;
    const auto& row = group->customerAttributes[static_cast<size_t>(path.row())];
    const std::string label = row->fieldName.value_or(std::string());
    const std::string value = row->attributeValue.value_or(std::string());
    const auto key = m_customerInfoGroupData.labelKeyOf(*row);

    if (std::find(m_textFieldArray.begin(), m_textFieldArray.end(), cell->txtAttributeValue())
        == m_textFieldArray.end())
        m_textFieldArray.push_back(cell->txtAttributeValue());
    cell->section = static_cast<int>(path.section() - 1);
    cell->row = static_cast<int>(path.row());

    cell->lblFiledName()->setText(label);
    CGRect labelFrame = cell->lblFiledName()->frame();
    labelFrame.size.height = std::max<CGFloat>(25, wrappedHeight(label, labelFrame.size.width));
    cell->lblFiledName()->setFrame(labelFrame);

    if (m_customerType == 1) {
        const bool isActive = key == std::optional<std::string>("ACTIVE");
        cell->lblAttributeValueDefaul()->setHidden(true);
        cell->txtAttributeValue()->setFrame(CGRectMake(270, 10, 340, 25));
        cell->txtAttributeValue()->setText(value);
        cell->txtAttributeValue()->setEnabled(true);
        cell->txtAttributeValue()->setHidden(isActive);
        cell->switchValue()->setHidden(!isActive);
        if (isActive)
            cell->switchValue()->setOn(value == "YES");
        cell->redStarFlag()->setHidden(!(key == std::optional<std::string>("NAME")
            || key == std::optional<std::string>("FIRSTNAME") || key == std::optional<std::string>("LASTNAME")));
    } else {
        cell->lblAttributeValueDefaul()->setText(value);
        cell->lblAttributeValueDefaul()->setFrame(
            CGRectMake(270, 10, 340, std::max<CGFloat>(25, wrappedHeight(value, 340))));
        cell->lblAttributeValueDefaul()->setHidden(false);
        cell->txtAttributeValue()->setHidden(true);
        cell->switchValue()->setHidden(true);
        cell->redStarFlag()->setHidden(true);
    }
    auto color = path.section() == 1 || group->isDefault ? blueValue() : greyValue();
    cell->txtAttributeValue()->setTextColor(color);
    cell->lblAttributeValueDefaul()->setTextColor(color);
    return cell;
}

std::optional<CGFloat> CustomerInfoView::tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath& path)
{
    auto group = groupForSection(path.section());
    if (!group || path.row() >= static_cast<long>(group->customerAttributes.size()))
        return 37.0;
    const auto& row = group->customerAttributes[static_cast<size_t>(path.row())];
    const CGFloat labelHeight = wrappedHeight(row->fieldName.value_or(std::string()), 200);
    const CGFloat valueHeight = wrappedHeight(row->attributeValue.value_or(std::string()), 340);
    if (labelHeight > valueHeight)
        return labelHeight + 20;
    return m_customerType == 1 ? 37.0 : valueHeight + 20;
}

// ---- Editing ----

void CustomerInfoView::customerAttributeCellTextFieldBegin(UITextField& field)
{
    m_tableInputViewFocus = true;
    std::shared_ptr<CustomerAttributeCell> cell;
    for (const auto& visible : m_tableCustomerInfo->visibleCells()) {
        auto candidate = std::dynamic_pointer_cast<CustomerAttributeCell>(visible);
        if (candidate && candidate->txtAttributeValue().get() == &field) {
            cell = candidate;
            break;
        }
    }
    if (!cell)
        return;
    if (auto path = m_tableCustomerInfo->indexPathForCell(*cell))
        m_tableCustomerInfo->scrollToRowAtIndexPathAtScrollPositionAnimated(
            *path, UITableViewScrollPositionMiddle, true);
    m_curCell = cell;
    const long c = static_cast<long>(m_customerInfoGroupData.customerCompanyData.size());
    const long k = static_cast<long>(m_customerInfoGroupData.customerContactData.size());
    const long rows = m_customerInfoGroupData.numberOfRowsInSection(cell->section + 1);
    const bool lastRow = cell->row == rows - 1;
    field.returnKeyType
        = lastRow && (cell->section == c + k - 1 || cell->section == c + k) ? UIReturnKeyDone : UIReturnKeyNext;
}

void CustomerInfoView::customerAttributeCellTextFieldcEndWithSectionWithLbName(
    const std::string& value, int section, const std::string& label)
{
    const long c = static_cast<long>(m_customerInfoGroupData.customerCompanyData.size());
    const long k = static_cast<long>(m_customerInfoGroupData.customerContactData.size());
    CustomerGroup group;
    if (section >= 0 && section < c)
        group = m_customerInfoGroupData.customerCompanyData[static_cast<size_t>(section)];
    else if (section - c - 1 >= 0 && section - c - 1 < k)
        group = m_customerInfoGroupData.customerContactData[static_cast<size_t>(section - c - 1)];
    if (group) {
        for (const auto& row : group->customerAttributes) {
            if (row->fieldName == label) {
                row->attributeValue = value;
                break;
            }
        }
    }
    m_tableInputViewFocus = false;
}

void CustomerInfoView::customerAttributeCellSwitchViewAction(bool on) { m_customerInfoGroupData.switchActivi(on); }

void CustomerInfoView::customerAttributeCellShouldReturnWithSectionWithRow(int cellSection, int row)
{
    auto protector = protect<CustomerInfoView>();
    const long s = cellSection + 1;
    const long c = static_cast<long>(m_customerInfoGroupData.customerCompanyData.size());
    const long rows = m_customerInfoGroupData.numberOfRowsInSection(s);
    auto showsSwitch = [this](long section, long r) {
        auto group = groupForSection(section);
        return group && r < static_cast<long>(group->customerAttributes.size())
            && m_customerInfoGroupData.labelKeyOf(*group->customerAttributes[static_cast<size_t>(r)])
            == std::optional<std::string>("ACTIVE");
    };
    NSIndexPath target;
    if (row + 1 < rows) {
        target = NSIndexPath::indexPathForRowInSection(row + 1, s);
        if (showsSwitch(s, row + 1))
            target = row + 2 < rows ? NSIndexPath::indexPathForRowInSection(row + 2, s)
                                    : NSIndexPath::indexPathForRowInSection(0, s + 1);
    } else {
        const long next = s == c ? s + 2 : s + 1;
        if (m_customerInfoGroupData.numberOfRowsInSection(next) == 0) {
            customerInfoViewDone(nullptr);
            return;
        }
        target = NSIndexPath::indexPathForRowInSection(0, next);
    }
    if (target.section() >= m_tableCustomerInfo->numberOfSections())
        return;
    m_tableCustomerInfo->scrollToRowAtIndexPathAtScrollPositionAnimated(target, UITableViewScrollPositionMiddle, true);
    auto weak = weakSelf<CustomerInfoView>();
    PerformRequests::performAfterDelay(
        this, "focusRow",
        [weak, target] {
            auto self = weak.lock();
            if (!self)
                return;
            if (auto cell = std::dynamic_pointer_cast<CustomerAttributeCell>(
                    self->m_tableCustomerInfo->cellForRowAtIndexPath(target)))
                cell->txtAttributeValue()->becomeFirstResponder();
        },
        0.3);
}

void CustomerInfoView::keyboardWasShown()
{
    if (!m_tableInputViewFocus)
        return;
    UIView::animateWithDuration(
        0.3, 0, UIViewAnimationOptionCurveEaseOut, [this] { m_tableCustomerInfo->setFrame(kTableFrameOverKeyboard); },
        nullptr);
    if (auto cell = m_curCell.lock()) {
        if (auto path = m_tableCustomerInfo->indexPathForCell(*cell))
            m_tableCustomerInfo->scrollToRowAtIndexPathAtScrollPositionAnimated(
                *path, UITableViewScrollPositionTop, false);
    }
    m_curCell.reset();
}

void CustomerInfoView::keyboardWasHidden() { m_tableCustomerInfo->setFrame(kTableFrame); }

// ---- Hiding, submitting, outside events ----

void CustomerInfoView::switchViewAction(bool on)
{
    // Nothing is stored for a customer that has no id yet.
    if (!m_personInfo || !m_personInfo->pid)
        return;
    auto protector = protect<CustomerInfoView>();
    const int customerId = *m_personInfo->pid;
    DataAccessManager::sharedDataModel()->updateCustomerTableHiddenWithCustomerIdWithHidden(customerId, on ? 1 : 0);
    m_personInfo->hidden = on;
    CustomerDataModel::sharedInstance()->updateCustomerInfoDicWithHidden(customerId, on ? 1 : 0);
    if (auto listener = m_delegate.lock())
        listener->customerInfoViewHiddenChange(on);
}

void CustomerInfoView::submitAction(const std::shared_ptr<UIResponder>&)
{
    if (auto listener = m_delegate.lock())
        listener->submitCustomer(m_personInfo);
}

void CustomerInfoView::notifiChangelanguage()
{
    updateTexts();
    m_customerInfoGroupData.updateCustomerInfoData(m_personInfo);
    reload();
}

void CustomerInfoView::uploadCustomerFinish(bool success)
{
    if (!success)
        return;
    m_customerInfoGroupData.removeAllObjects();
    m_customerType = 0;
    m_editButton->setHidden(true);
    reload();
}
