#include "Classes/Customer/CustomerViewController.h"

#include "Classes/Customer/CustomerNote.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/SearchResultTableView.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UINavigationController.h"

namespace {

constexpr long kSubmitAlertTag = 1000;

std::string trimmed(const std::string& s)
{
    return NSString::stringByTrimmingCharactersInSet(s, CharacterSet::whitespace);
}

bool isBlank(const std::optional<std::string>& s) { return !s || trimmed(*s).empty(); }

// The field a card row is stored under: the customer name row is not an attribute.
std::optional<std::string> fieldNameOf(const CustomerInfoGroupData& data, const customer_attribute_cell_Entity& row)
{
    static const std::pair<const char*, const char*> known[] = {
        { "PHONE", "Phone" },
        { "ACTIVE", "Active" },
        { "STREETADDRESS", "Address" },
        { "CITY", "City" },
        { "STATE", "State/Province/Region" },
        { "ZIPCODE", "Zip Code" },
        { "BANKACCOUNT", "Bank Account" },
    };
    const auto key = data.labelKeyOf(row);
    if (key == std::optional<std::string>("NAME"))
        return std::nullopt;
    if (key) {
        for (const auto& [languageKey, field] : known) {
            if (*key == languageKey)
                return std::string(field);
        }
    }
    return row.fieldName.value_or(std::string());
}

}  // namespace

CustomerViewController::CustomerViewController() = default;

CustomerViewController::~CustomerViewController()
{
    NSNotificationCenter::defaultCenter().removeObserver(this);
    m_submitPerson.reset();
}

void CustomerViewController::loadByConfig()
{
    QuoteOrderStore::sharedQuoteOrderStore()->isCustomerOnShow = ConfigManager::sharedInstance()->isOnShow(2);
}

void CustomerViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto weak = weakSelf<CustomerViewController>();
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(this, "UPLOADCUSTOMERRESPOND", [weak](const NSNotification& n) {
        if (auto self = weak.lock())
            self->uploadCustomerFinish(n.object);
    });
    center.addObserver(this, "SETTINGS_SWITCH_CHANGE_NOTIFATION", [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->settingsSwitchChange();
    });

    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden(true);
    view()->setBackgroundColor(UIColor::blackColor());

    m_customerList = CustomerListView::make(CGRectMake(0, 0, 360, 682));
    m_customerList->setDelegate(std::static_pointer_cast<CustomerListViewDelegate>(weak.lock()));
    view()->addSubview(m_customerList);
    m_customerList->setAllCustomerdic(CustomerDataModel::sharedInstance()->customerInfoDic());

    m_customerInfo = CustomerInfoView::make(CGRectMake(361, 0, 663, 682));
    m_customerInfo->setDelegate(std::static_pointer_cast<CustomerInfoViewDelegate>(weak.lock()));
    view()->addSubview(m_customerInfo);

    m_tableResult = std::make_shared<SearchResultTableView>();
    m_tableResult->setDelegate(std::static_pointer_cast<SearchResultTableDelegate>(weak.lock()));
    m_popResult = std::make_shared<UIPopoverController>(m_tableResult);
    m_popResult->setDelegate(std::static_pointer_cast<UIPopoverControllerDelegate>(weak.lock()));
    m_popResult->setPopoverContentSize(CGSizeMake(263, 200));

    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void CustomerViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    auto& flags = ConfigManager::sharedInstance()->flagDic();
    if (flags["Needreloadcustomer"] == "YES") {
        // The list finds its selected customer again; the card starts empty all the same.
        m_customerList->setAllCustomerdic(CustomerDataModel::sharedInstance()->customerInfoDic());
        m_customerInfo->setPersonInfo(nullptr);
        flags["Needreloadcustomer"] = "NO";
    }
}

void CustomerViewController::viewDidAppear(bool animated)
{
    BaseViewController::viewDidAppear(animated);
    m_customerInfo->tableCustomerInfo()->flashScrollIndicators();
}

void CustomerViewController::reloadCustomers()
{
    auto model = CustomerDataModel::sharedInstance();
    model->reloadCustomerData();
    m_customerList->setAllCustomerdic(model->customerInfoDic());
}

// ---- Search ----

void CustomerViewController::search(const std::string& typed, bool byContact)
{
    const std::string text = trimmed(typed);
    if (text.empty()) {
        m_popResult->dismissPopoverAnimated(true);
        return;
    }
    auto model = CustomerDataModel::sharedInstance();
    m_tableResult->setByContact(byContact);
    std::vector<SearchResultTableView::Row> rows;
    if (byContact) {
        for (auto& hit : model->customerSearchByContact(text))
            rows.emplace_back(std::move(hit));
    } else {
        for (auto& hit : model->customerSearch(text))
            rows.emplace_back(std::move(hit));
    }
    m_tableResult->setArrResult(std::move(rows));
    if (!m_tableResult->arrResult().empty()) {
        m_tableResult->tableView()->reloadData();
        m_popResult->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
            CGRectMake(150, 80, 10, 45), view(), UIPopoverArrowDirectionAny, true);
    } else {
        m_popResult->dismissPopoverAnimated(true);
    }
}

void CustomerViewController::searchTextDidChange(const std::string& text) { search(text, false); }

void CustomerViewController::searchTextDidChangeByContact(const std::string& text) { search(text, true); }

void CustomerViewController::dismissPopoverController()
{
    auto protector = protect<CustomerViewController>();
    if (m_tableResult->arrResult().size() == 1) {
        const auto hit = m_tableResult->arrResult().front();
        if (auto contact = std::get_if<std::shared_ptr<ContactMode>>(&hit); contact && m_tableResult->byContact())
            didSelectCellByConatct(*contact);
        else if (auto person = std::get_if<std::shared_ptr<PersonInfo>>(&hit))
            didSelectCell(*person);
    }
    m_popResult->dismissPopoverAnimated(false);
}

// ---- Choosing ----

void CustomerViewController::didSelectCell(const std::shared_ptr<PersonInfo>& person)
{
    auto protector = protect<CustomerViewController>();
    m_popResult->dismissPopoverAnimated(false);
    if (person && person->pid)
        m_customerList->selectedCustomer(*person->pid);
    m_customerInfo->customerHiddenNewCustomerViews();
    m_customerList->customerListViewCancle(nullptr);
}

void CustomerViewController::didSelectCellByConatct(const std::shared_ptr<ContactMode>& contact)
{
    auto protector = protect<CustomerViewController>();
    m_popResult->dismissPopoverAnimated(false);
    m_customerInfo->customerHiddenNewCustomerViews();
    m_customerList->customerListViewCancle(nullptr);
    m_customerList->selectedCustomerByConatct(contact);
}

void CustomerViewController::changedCustomerFirstNameLastName(const std::shared_ptr<PersonInfo>& person,
    const std::optional<std::string>& fristName, const std::optional<std::string>& lastName)
{
    m_curPersonInfo = person;
    if (!isBlank(fristName) && !isBlank(lastName))
        m_customerInfo->setPersonInfoFromByContactFirstNameLastName(person, *fristName, *lastName);
    else
        m_customerInfo->setPersonInfo(person);
    m_customerInfo->customerHiddenNewCustomerViews();
    if (m_customerList->isEditType())
        m_customerList->customerListViewCancle(nullptr);
}

// ---- New, edit, delete ----

void CustomerViewController::addNewCustomer(const std::shared_ptr<UIResponder>&)
{
    m_customerInfo->addNewCustomer();
    auto person = std::make_shared<PersonInfo>();
    // The published attribute fields, each a fresh row for the new customer's values.
    auto attributes = std::make_shared<EntityList<customer_attribute_cell_Entity>>();
    for (const auto& field : CustomerDataModel::sharedInstance()->allAttributes()) {
        auto row = std::make_shared<customer_attribute_cell_Entity>(*field);
        row->attributeValue.reset();
        attributes->push_back(std::move(row));
    }
    person->attribute = attributes;
    m_customerInfo->setNewPersonInfo(person);
}

void CustomerViewController::customerInfoViewCancel(const std::shared_ptr<UIResponder>&)
{
    m_customerList->customerListViewCancle(nullptr);
}

SaveResult CustomerViewController::storeCustomer(int customerId, const CustomerInfoGroupData& data)
{
    const auto& company = data.customerCompanyData;
    LocalCustomerRecords records;
    auto customer = std::make_shared<corvelle_customer_Entity>();
    customer->customer_id = customerId;
    customer->customer_info_id = std::string();
    if (!company.empty() && !company.front()->customerAttributes.empty())
        customer->customer_name = company.front()->customerAttributes.front()->attributeValue.value_or(std::string());
    customer->customer_publish = 1;
    records.customer = customer;

    // Each alternate group takes the next place, stored or not.
    int place = 0;
    for (size_t i = 2; i < company.size(); ++i) {
        const auto& group = *company[i];
        auto address = std::make_shared<corvelle_customer_address_Entity>();
        address->indexId = --place;
        address->customerId = customerId;
        address->isDefault = group.isDefault;
        address->customerAddress = data.valueForKey(group, "STREETADDRESS").value_or(std::string());
        address->customerCity = data.valueForKey(group, "CITY").value_or(std::string());
        address->customerState = data.valueForKey(group, "STATE").value_or(std::string());
        address->customerZipCode = data.valueForKey(group, "ZIPCODE").value_or(std::string());
        if (!address->customerAddress->empty() || !address->customerCity->empty() || !address->customerState->empty()
            || !address->customerZipCode->empty())
            records.addresses.push_back(std::move(address));
    }

    std::map<std::string, int> fieldIds;
    for (const auto& field : CustomerDataModel::sharedInstance()->allAttributes()) {
        if (field && field->fieldName)
            fieldIds.emplace(*field->fieldName, field->field_id);
    }
    // Every row of the two groups takes a place, the unstored name row too.
    place = 0;
    for (size_t i = 0; i < std::min<size_t>(2, company.size()); ++i) {
        for (const auto& row : company[i]->customerAttributes) {
            const int attributePlace = --place;
            const auto field = fieldNameOf(data, *row);
            if (!field)
                continue;
            auto attribute = std::make_shared<corvelle_customer_attribute_Entity>();
            attribute->attribute_id = attributePlace;
            attribute->customer_id = customerId;
            attribute->attribute_value = row->attributeValue.value_or(std::string());
            auto it = fieldIds.find(*field);
            attribute->attribute_fields_id = it == fieldIds.end() ? 0 : it->second;
            records.attributes.push_back(std::move(attribute));
        }
    }

    place = 0;
    for (const auto& group : data.customerContactData) {
        auto contact = std::make_shared<corvelle_customer_contact_entity>();
        contact->contactID = --place;
        contact->customerID = customerId;
        contact->isDeful = group->isDefault;
        auto value = [&](const char* key) { return data.valueForKey(*group, key).value_or(std::string()); };
        contact->first_name = value("FIRSTNAME");
        contact->last_name = value("LASTNAME");
        contact->job_title = value("JOBTITLE");
        contact->work_phone = value("WORKPHONE");
        contact->mobile_phone = value("MOBILEPHONE");
        contact->email = value("EMAILCONTACT");
        contact->im = value("IM");
        contact->note = value("NOTE");
        records.contacts.push_back(std::move(contact));
    }

    // An edit keeps the customer's hidden mark, which the customer row does not carry.
    const auto& rows = CustomerDataModel::sharedInstance()->customerInfoDic();
    const auto shown = rows.find(customerId);
    records.hidden = shown != rows.end() && shown->second.hidden;

    const SaveResult stored = DataAccessManager::sharedDataModel()->saveLocalCustomer(records);
    if (stored.failed())
        NSLog("storing customer %d failed", customerId);
    return stored;
}

bool CustomerViewController::customerInfoViewDoneWithData(
    const std::shared_ptr<UIResponder>&, const CustomerInfoGroupData& data)
{
    auto protector = protect<CustomerViewController>();
    auto shown = m_customerInfo->personInfo();
    // An edited local customer keeps its id, so its orders keep pointing at it.
    const bool editing = shown && shown->pid && *shown->pid < 0;
    const int customerId = editing ? *shown->pid : DataAccessManager::sharedDataModel()->getLastLocalCustomerId() - 1;
    if (const SaveResult stored = storeCustomer(customerId, data); !stored) {
        if (stored.failed())
            showCustomerNote(text("FAILED"));
        return false;
    }
    m_customerList->customerListViewDone(nullptr);
    reloadCustomers();
    m_customerList->selectedCustomer(customerId);
    return true;
}

void CustomerViewController::deleteLocalCustomer(int customerId)
{
    DataAccessManager::sharedDataModel()->deleteCustomerTableWithID(customerId);
    m_customerInfo->deleteLocalCustomer(customerId);
    reloadCustomers();
}

// ---- Hiding, defaults, submitting ----

void CustomerViewController::customerInfoViewHiddenChange(bool hidden)
{
    const bool showAll = ConfigManager::sharedInstance()->isShowAllCustomer();
    auto shown = m_customerInfo->personInfo();
    if (!shown || !shown->pid)
        return;
    if (m_curPersonInfo && m_curPersonInfo->pid == shown->pid)
        m_curPersonInfo->hidden = hidden;
    m_customerList->updateCustomerInfoDicWithHidden(*shown->pid, hidden);
    if (!showAll) {
        reloadCustomers();
        m_customerInfo->setPersonInfo(nullptr);
    } else {
        m_customerList->tableCustomer()->tableView()->reloadData();
    }
}

void CustomerViewController::customerInfoViewChangePrimary() { reloadCustomers(); }

void CustomerViewController::submitCustomer(const std::shared_ptr<PersonInfo>& person)
{
    m_submitPerson = person;
    auto alert = std::make_shared<UIAlertView>(text("NOTIFICATION"), text("CUSTOMERSUBMIT"),
        std::static_pointer_cast<UIAlertViewDelegate>(weakSelf<CustomerViewController>().lock()), text("CANCEL"),
        std::vector<std::string> { text("SUBMIT") });
    alert->setTag(kSubmitAlertTag);
    alert->show();
}

void CustomerViewController::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    if (alert.tag() != kSubmitAlertTag)
        return;
    if (buttonIndex == 1 && m_submitPerson && m_submitPerson->pid) {
        MessageBox::sharedInstance()->BeginBlockWait(text("UPLOADCUSTOMER"), 300);
        CustomerDataModel::sharedInstance()->submitCustomer(*m_submitPerson->pid);
    }
    m_submitPerson.reset();
}

void CustomerViewController::uploadCustomerFinish(const Value& object)
{
    if (!object.isNull() && object.boolValue())
        reloadCustomers();
}

void CustomerViewController::settingsSwitchChange()
{
    const bool showAll = ConfigManager::sharedInstance()->isShowAllCustomer();
    auto model = CustomerDataModel::sharedInstance();
    model->reloadCustomerData();
    if (!showAll && m_curPersonInfo && m_curPersonInfo->hidden)
        m_customerInfo->setPersonInfo(nullptr);
    m_customerList->setAllCustomerdic(model->customerInfoDic());
}
