#include "Classes/Customer/CustomerDataModel.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/QDJsonParser.h"
#include "Network/Protocol/QDJsonWriter.h"
#include "Network/Protocol/SessionServices.h"
#include "Network/Protocol/SyncCommands.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"

#include <mutex>

namespace {

constexpr int kUploadCustomerCmd = 520;
constexpr long kFailureAlertTag = 1000;

std::mutex& classLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<CustomerDataModel>& slot()
{
    static std::shared_ptr<CustomerDataModel> instance;
    return instance;
}

bool isBlank(const std::optional<std::string>& s)
{
    return !s || NSString::stringByTrimmingCharactersInSet(*s, CharacterSet::whitespace).empty();
}

// A case-insensitive substring test; an absent value never matches.
bool matches(const std::optional<std::string>& value, const std::string& search)
{
    return value && NSString::containsStringCaseInsensitive(*value, search);
}

bool attributesMatch(const PersonInfo& person, const std::string& search)
{
    if (person.attribute) {
        for (const auto& a : *person.attribute) {
            if (a && matches(a->attributeValue, search))
                return true;
        }
    }
    return false;
}

bool addressesMatch(const PersonInfo& person, const std::string& search)
{
    if (person.address) {
        for (const auto& a : *person.address) {
            if (a
                && (matches(a->customerAddress, search) || matches(a->customerCity, search)
                    || matches(a->customerState, search) || matches(a->customerZipCode, search)))
                return true;
        }
    }
    return false;
}

bool contactFieldsMatch(const corvelle_customer_contact_entity& c, const std::string& search)
{
    return matches(c.first_name, search) || matches(c.last_name, search) || matches(c.job_title, search)
        || matches(c.work_phone, search) || matches(c.mobile_phone, search) || matches(c.email, search)
        || matches(c.im, search) || matches(c.note, search);
}

template <typename T> OptionalEntityList<T> shared(const std::vector<T>& records)
{
    EntityList<T> list;
    list.reserve(records.size());
    for (const auto& r : records)
        list.push_back(std::make_shared<T>(r));
    return list;
}

}  // namespace

std::shared_ptr<PersonInfo> makePersonInfo(int customerId, const CustomerDictionary& row)
{
    auto person = std::make_shared<PersonInfo>();
    person->pid = customerId;
    person->name = row.customer_name;
    person->customer_info_id = row.customer_info_id;
    person->discount = static_cast<double>(row.discount);
    person->attribute = std::make_shared<EntityList<customer_attribute_cell_Entity>>(row.attribute);
    person->address = std::make_shared<EntityList<corvelle_customer_address_Entity>>(row.address);
    person->contact = std::make_shared<EntityList<corvelle_customer_contact_entity>>(row.contact);
    person->hidden = row.hidden;
    return person;
}

std::shared_ptr<CustomerDataModel> CustomerDataModel::sharedInstance()
{
    std::lock_guard<std::mutex> guard(classLock());
    if (!slot())
        slot() = std::make_shared<CustomerDataModel>(Passkey {});
    return slot();
}

void CustomerDataModel::freeInstance()
{
    std::shared_ptr<CustomerDataModel> ending;
    std::lock_guard<std::mutex> guard(classLock());
    ending = std::move(slot());
}

CustomerDataModel::CustomerDataModel(Passkey) { reloadCustomerData(); }

void CustomerDataModel::reloadCustomerData()
{
    auto data = DataAccessManager::sharedDataModel();
    setCustomerInfoDic(data->getAllCustomers(ConfigManager::sharedInstance()->isShowAllCustomer()));
    m_allAttributes = data->getAllAttributes();
}

void CustomerDataModel::setCustomerInfoDic(CustomerInfoDic rows)
{
    m_customerInfoDic = std::move(rows);
    std::vector<std::shared_ptr<PersonInfo>> persons;
    persons.reserve(m_customerInfoDic.size());
    for (const auto& [id, row] : m_customerInfoDic)
        persons.push_back(makePersonInfo(id, row));
    m_allSearchPersonList = std::move(persons);
}

CustomerInfoDic CustomerDataModel::getNoHiddenCustomerData(bool reload)
{
    if (reload)
        reloadCustomerData();
    CustomerInfoDic visible;
    for (const auto& [id, row] : m_customerInfoDic) {
        if (!row.hidden)
            visible.emplace(id, row);
    }
    return visible;
}

std::vector<std::shared_ptr<PersonInfo>> CustomerDataModel::customerSearch(const std::optional<std::string>& text) const
{
    std::vector<std::shared_ptr<PersonInfo>> found;
    if (isBlank(text))
        return found;
    const std::string& search = *text;
    for (const auto& person : m_allSearchPersonList) {
        bool hit = matches(person->name, search) || attributesMatch(*person, search) || addressesMatch(*person, search);
        if (!hit && person->contact) {
            for (const auto& c : *person->contact) {
                if (c && contactFieldsMatch(*c, search)) {
                    hit = true;
                    break;
                }
            }
        }
        if (hit)
            found.push_back(person);
    }
    return found;
}

std::vector<std::shared_ptr<ContactMode>> CustomerDataModel::customerSearchByContact(
    const std::optional<std::string>& text) const
{
    std::vector<std::shared_ptr<ContactMode>> found;
    if (isBlank(text))
        return found;
    const std::string& search = *text;
    // A first and last name typed with a space between them, in either order.
    const std::string joined = PublicFunction::stringRemoveTagStrTag(search, std::string(" ")).value_or(search);
    for (const auto& person : m_allSearchPersonList) {
        if (!person->contact)
            continue;
        // The customer's own fields are the same for all of its contacts: test them once.
        std::optional<bool> customerHit;
        for (const auto& c : *person->contact) {
            if (!c)
                continue;
            bool hit = contactFieldsMatch(*c, search);
            if (!hit) {
                if (!customerHit)
                    customerHit = matches(person->name, search) || attributesMatch(*person, search)
                        || addressesMatch(*person, search);
                hit = *customerHit;
            }
            if (!hit && !isBlank(c->first_name) && !isBlank(c->last_name) && !joined.empty()) {
                hit = NSString::containsStringCaseInsensitive(*c->first_name + *c->last_name, joined)
                    || NSString::containsStringCaseInsensitive(*c->last_name + *c->first_name, joined);
            }
            if (hit) {
                auto row = std::make_shared<ContactMode>();
                row->fristName = c->first_name.value_or(std::string());
                row->lastName = c->last_name.value_or(std::string());
                row->personInfo = person;
                found.push_back(std::move(row));
            }
        }
    }
    return found;
}

void CustomerDataModel::updateCustomerInfoDicWithHidden(int customerId, int hidden)
{
    auto it = m_customerInfoDic.find(customerId);
    if (it != m_customerInfoDic.end())
        it->second.hidden = hidden != 0;
}

std::map<std::string, std::string> CustomerDataModel::getDefaultAddressByCustomer(int customerId) const
{
    std::map<std::string, std::string> result;
    std::shared_ptr<PersonInfo> person;
    for (const auto& p : m_allSearchPersonList) {
        if (p->pid == customerId) {
            person = p;
            break;
        }
    }
    if (!person)
        return result;
    auto put = [&result](const std::string& key, const std::optional<std::string>& value) {
        if (value)
            result[key] = *value;
        else
            result.erase(key);
    };
    bool hasDefault = false;
    if (person->address) {
        for (const auto& a : *person->address) {
            if (a && a->isDefault) {
                put("Address", a->customerAddress);
                put("City", a->customerCity);
                put("State/Province/Region", a->customerState);
                put("Zip Code", a->customerZipCode);
                hasDefault = true;
                break;
            }
        }
    }
    if (person->attribute) {
        for (const auto& a : *person->attribute) {
            if (!a || !a->fieldName)
                continue;
            const std::string& field = *a->fieldName;
            if (field == "Phone" || field == "Bank Account" || field == "Active")
                put(field, a->attributeValue);
            else if (!hasDefault
                && (field == "Address" || field == "City" || field == "State/Province/Region" || field == "Zip Code"))
                put(field, a->attributeValue);
        }
    }
    return result;
}

int CustomerDataModel::saveCustomerWithNameStreetCityStateZipCode(const std::optional<std::string>& name,
    const std::optional<std::string>& street, const std::optional<std::string>& city,
    const std::optional<std::string>& state, const std::optional<std::string>& zipCode)
{
    auto data = DataAccessManager::sharedDataModel();
    LocalCustomerRecords records;
    records.customer = std::make_shared<corvelle_customer_Entity>();
    records.customer->customer_id = data->getLastLocalCustomerId() - 1;
    records.customer->customer_info_id = std::string();
    records.customer->customer_name = name;
    records.customer->customer_publish = 1;
    const int customerId = records.customer->customer_id;

    std::map<std::string, int> fieldIds;
    for (const auto& field : m_allAttributes) {
        if (field && field->fieldName)
            fieldIds.emplace(*field->fieldName, field->field_id);
    }
    const std::pair<const char*, std::optional<std::string>> rows[] = {
        { "Phone", std::string() },
        { "Bank Account", std::string() },
        { "Active", std::string("YES") },
        { "Address", street.value_or(std::string()) },
        { "City", city.value_or(std::string()) },
        { "State/Province/Region", state.value_or(std::string()) },
        { "Zip Code", zipCode.value_or(std::string()) },
    };
    int place = 0;
    for (const auto& [field, value] : rows) {
        auto a = std::make_shared<corvelle_customer_attribute_Entity>();
        a->attribute_id = --place;
        a->customer_id = customerId;
        auto it = fieldIds.find(field);
        a->attribute_fields_id = it == fieldIds.end() ? 0 : it->second;
        a->attribute_value = value;
        records.attributes.push_back(std::move(a));
    }
    // A customer without its attribute rows would be half a customer: both or neither.
    if (!data->saveLocalCustomer(records)) {
        NSLog("save customer %d failed", customerId);
        return 0;
    }
    reloadCustomerData();
    return customerId;
}

void CustomerDataModel::submitCustomer(int customerId) { submitCustomerInfo(getCustomerInfoById({ customerId })); }

void CustomerDataModel::submitAllLocalCustomer()
{
    auto data = DataAccessManager::sharedDataModel();
    std::vector<int> ids;
    for (const auto& [id, row] : m_customerInfoDic) {
        if (id < 0 && data->isInUnsubmitOrder(id))
            ids.push_back(id);
    }
    submitCustomerInfo(getCustomerInfoById(ids));
}

std::optional<std::string> CustomerDataModel::getCustomerInfoById(const std::vector<int>& customerIds)
{
    auto data = DataAccessManager::sharedDataModel();
    // Without an "Active" field no row is the active flag (rows of missing fields carry field id 0).
    std::optional<int> activeFieldId;
    for (const auto& field : m_allAttributes) {
        if (field && field->fieldName == std::optional<std::string>("Active")) {
            activeFieldId = field->field_id;
            break;
        }
    }
    const std::string empty;
    ValueArray customers, addresses, attributes, contacts;
    for (int id : customerIds) {
        auto it = m_customerInfoDic.find(id);
        if (it == m_customerInfoDic.end())
            continue;
        auto person = makePersonInfo(id, it->second);
        customers.push_back(Value::dictionary({
            { "customer_id", Value(id) },
            { "customer_info_id", Value("") },
            { "customer_name", Value(person->name.value_or(empty)) },
            { "customer_publish", Value(1) },
            { "customer_ordering", Value(0) },
            { "discount", Value(0) },
        }));
        for (const auto& a : *person->address) {
            addresses.push_back(Value::dictionary({
                { "id", Value(a->indexId) },
                { "customer_id", Value(a->customerId) },
                { "address", Value(a->customerAddress.value_or(empty)) },
                { "city", Value(a->customerCity.value_or(empty)) },
                { "state", Value(a->customerState.value_or(empty)) },
                { "zip_code", Value(a->customerZipCode.value_or(empty)) },
            }));
        }
        for (const auto& a : data->getCustomerAttributes(id)) {
            Value value = a->attribute_fields_id == activeFieldId
                ? Value(a->attribute_value == std::optional<std::string>("NO") ? 0 : 1)
                : Value(a->attribute_value.value_or(empty));
            attributes.push_back(Value::dictionary({
                { "attribute_id", Value(a->attribute_id) },
                { "customer_id", Value(a->customer_id) },
                { "attribute_fields_id", Value(a->attribute_fields_id) },
                { "attribute_value", std::move(value) },
            }));
        }
        for (const auto& c : *person->contact) {
            contacts.push_back(Value::dictionary({
                { "customer_id", Value(c->customerID) },
                { "contact_id", Value(c->contactID) },
                { "first_name", Value(c->first_name.value_or(empty)) },
                { "last_name", Value(c->last_name.value_or(empty)) },
                { "job_title", Value(c->job_title.value_or(empty)) },
                { "work_phone", Value(c->work_phone.value_or(empty)) },
                { "mobile_phone", Value(c->mobile_phone.value_or(empty)) },
                { "email", Value(c->email.value_or(empty)) },
                { "im", Value(c->im.value_or(empty)) },
                { "note", Value(c->note.value_or(empty)) },
            }));
        }
    }
    Value document = Value::dictionary({
        { "corvelle_customer", Value(std::move(customers)) },
        { "corvelle_customer_address", Value(std::move(addresses)) },
        { "corvelle_customer_attribute", Value(std::move(attributes)) },
        { "corvelle_customer_contact", Value(std::move(contacts)) },
    });
    QDJsonWriter writer;
    return writer.stringWithObject(document);
}

void CustomerDataModel::submitCustomerInfo(const std::optional<std::string>& syncData)
{
    auto request = std::make_shared<RequestUploadCustomer>();
    request->setReceiveDelegete(shared_from_this());
    request->syncData = syncData;
    const int tag = NetworkModel::sharedInstance()->sendRequest(request);
    NSLog("submit customer rst is %d", tag);
    if (tag < 0)
        return;

    // Remember which local rows went out, so that the reply renumbers those and no others.
    SentIds sent;
    QDJsonParser parser;
    if (auto document = parser.objectWithString(syncData)) {
        auto collect = [&document](const char* table, const char* key, std::set<int>& ids) {
            for (const Value& row : (*document)[table].arrayValue()) {
                const Value& id = row[key];
                if (id.isInteger() && id.intValue() < 0)
                    ids.insert(id.intValue());
            }
        };
        collect("corvelle_customer", "customer_id", sent.customers);
        collect("corvelle_customer_address", "id", sent.addresses);
        collect("corvelle_customer_attribute", "attribute_id", sent.attributes);
        collect("corvelle_customer_contact", "contact_id", sent.contacts);
    }
    m_sentUploads[tag] = std::move(sent);
}

void CustomerDataModel::ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply)
{
    MessageBox::sharedInstance()->EndBlockWait();
    if (!reply)
        return;
    const std::string status = reply->status.value_or(std::string());
    if (status == "207" || status == "11411") {
        m_sentUploads.erase(reply->requestCode);
        ProtocolServices::logoutWithLockedUser(status, reply->message);
        return;
    }
    if (reply->cmdCode != kUploadCustomerCmd)
        return;
    if (status == "200") {
        applyUploadReply(*reply);
        return;
    }
    m_sentUploads.erase(reply->requestCode);
    NSNotificationCenter::defaultCenter().postNotificationName("UPLOADCUSTOMERRESPOND", Value(false));
    showUploadFailure(*reply);
}

void CustomerDataModel::applyUploadReply(const NetBaseRst& reply)
{
    SentIds sent;
    if (auto it = m_sentUploads.find(reply.requestCode); it != m_sentUploads.end()) {
        sent = std::move(it->second);
        m_sentUploads.erase(it);
    }
    auto answer = dynamic_cast<const SubmitCustomerRst*>(&reply);

    // Only rows this upload sent are renumbered, each at most once, and only to
    // a server id (positive): a reply naming other ids must not move rows it
    // was not given.
    std::vector<corvelle_customer_Entity> customers;
    std::map<int, int> newCustomerIds;
    std::set<int> serverIds;
    if (answer) {
        for (const auto& c : answer->customerArry) {
            if (sent.customers.count(c.pid) && !newCustomerIds.count(c.pid) && c.customer_id > 0
                && serverIds.insert(c.customer_id).second) {
                newCustomerIds[c.pid] = c.customer_id;
                customers.push_back(c);
            }
        }
    }
    auto belongs = [&serverIds](int customerId) { return serverIds.count(customerId) != 0; };
    std::vector<corvelle_customer_address_Entity> addresses;
    std::vector<corvelle_customer_attribute_Entity> attributes;
    std::vector<corvelle_customer_contact_entity> contacts;
    if (answer) {
        std::set<int> seen;
        for (const auto& a : answer->customerAddress) {
            if (sent.addresses.count(a.pID) && a.indexId > 0 && belongs(a.customerId) && seen.insert(a.pID).second)
                addresses.push_back(a);
        }
        seen.clear();
        for (const auto& a : answer->customerAttributes) {
            if (sent.attributes.count(a.pID) && a.attribute_id > 0 && belongs(a.customer_id)
                && seen.insert(a.pID).second)
                attributes.push_back(a);
        }
        seen.clear();
        for (const auto& c : answer->customerContacts) {
            if (sent.contacts.count(c.pID) && c.contactID > 0 && belongs(c.customerID) && seen.insert(c.pID).second)
                contacts.push_back(c);
        }
    }

    auto data = DataAccessManager::sharedDataModel();
    const auto customerList = shared(customers);
    // Renumbered whole or not at all; orders follow only customers that moved,
    // and a reply that could not be applied is not reported as an upload done.
    if (data->renumberUploadedCustomers(customerList, shared(addresses), shared(attributes), shared(contacts))
            .failed()) {
        NSLog("renumbering the uploaded customers failed");
        reloadCustomerData();
        NSNotificationCenter::defaultCenter().postNotificationName("UPLOADCUSTOMERRESPOND", Value(false));
        auto alert = std::make_shared<UIAlertView>(
            text("NOTIFICATION"), text("FAILED"), std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
        alert->show();
        return;
    }
    reloadCustomerData();
    // The stored orders, and an order being built, follow their customers to the server ids.
    QuoteOrderStore::sharedQuoteOrderStore()->updateOrderTable(
        customerList.value_or(EntityList<corvelle_customer_Entity> {}));
    NSNotificationCenter::defaultCenter().postNotificationName("UPLOADCUSTOMERRESPOND", Value(true));
}

void CustomerDataModel::showUploadFailure(const NetBaseRst& reply)
{
    const std::string message = reply.message.value_or(std::string());
    std::shared_ptr<UIAlertView> alert;
    if (reply.status == std::optional<std::string>("101")) {
        alert = std::make_shared<UIAlertView>(text("NOTIFICATION"), message, weak_from_this(), text("CANCEL"),
            std::vector<std::string> { text("LOGOUTSETTINGS") });
        alert->setTag(kFailureAlertTag);
    } else {
        alert = std::make_shared<UIAlertView>(
            text("NOTIFICATION"), message, std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
    }
    alert->show();
}

void CustomerDataModel::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    if (alert.tag() == kFailureAlertTag && buttonIndex == alert.firstOtherButtonIndex())
        SessionServices::showLoginPage();
}
