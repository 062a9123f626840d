#include "Classes/Customer/CustomerInfoGroupData.h"

#include "Classes/Frame/Language.h"
#include "Platform/Foundation/NSString.h"

namespace {

bool isBlank(const std::optional<std::string>& s)
{
    return !s || NSString::stringByTrimmingCharactersInSet(*s, CharacterSet::whitespace).empty();
}

CustomerGroup newGroup(const std::string& nameKey, int indexId, bool isDefault)
{
    auto group = std::make_shared<corvelle_customer_group_Entity>();
    group->groupName = text(nameKey);
    group->indexId = indexId;
    group->isDefault = isDefault;
    return group;
}

}  // namespace

void CustomerInfoGroupData::addRow(
    corvelle_customer_group_Entity& group, const std::optional<std::string>& value, const std::string& key)
{
    group.addAttributeVaueForKey(value, text(key));
    m_labelKeys[group.customerAttributes.back().get()] = key;
}

void CustomerInfoGroupData::addAddressRows(
    corvelle_customer_group_Entity& group, const corvelle_customer_address_Entity* address)
{
    addRow(group, address ? address->customerAddress : std::nullopt, "STREETADDRESS");
    addRow(group, address ? address->customerCity : std::nullopt, "CITY");
    addRow(group, address ? address->customerState : std::nullopt, "STATE");
    addRow(group, address ? address->customerZipCode : std::nullopt, "ZIPCODE");
}

void CustomerInfoGroupData::addContactRows(
    corvelle_customer_group_Entity& group, const corvelle_customer_contact_entity* c)
{
    addRow(group, c ? c->first_name : std::nullopt, "FIRSTNAME");
    addRow(group, c ? c->last_name : std::nullopt, "LASTNAME");
    addRow(group, c ? c->job_title : std::nullopt, "JOBTITLE");
    addRow(group, c ? c->work_phone : std::nullopt, "WORKPHONE");
    addRow(group, c ? c->mobile_phone : std::nullopt, "MOBILEPHONE");
    addRow(group, c ? c->email : std::nullopt, "EMAILCONTACT");
    addRow(group, c ? c->im : std::nullopt, "IM");
    addRow(group, c ? c->note : std::nullopt, "NOTE");
}

void CustomerInfoGroupData::removeAllObjects()
{
    customerCompanyData.clear();
    customerContactData.clear();
    m_labelKeys.clear();
}

void CustomerInfoGroupData::updateCustomerInfoData(const std::shared_ptr<PersonInfo>& person)
{
    removeAllObjects();
    if (!person)
        return;
    auto base = newGroup("BASEINFO", 0, false);
    addRow(*base, person->name, "NAME");
    auto primary = newGroup("PRIMARYADDRESS", 0, false);
    customerCompanyData.push_back(base);
    customerCompanyData.push_back(primary);

    if (person->attribute) {
        for (const auto& a : *person->attribute) {
            if (!a)
                continue;
            const std::string field = a->fieldName.value_or(std::string());
            if (field == "Phone")
                addRow(*base, a->attributeValue, "PHONE");
            else if (field == "Bank Account")
                addRow(*base, a->attributeValue, "BANKACCOUNT");
            else if (field == "Active") {
                if (isBlank(a->attributeValue))
                    a->attributeValue = std::string("YES");
                addRow(*base, a->attributeValue, "ACTIVE");
            } else if (field == "Address")
                addRow(*primary, a->attributeValue, "STREETADDRESS");
            else if (field == "City")
                addRow(*primary, a->attributeValue, "CITY");
            else if (field == "State/Province/Region")
                addRow(*primary, a->attributeValue, "STATE");
            else if (field == "Zip Code")
                addRow(*primary, a->attributeValue, "ZIPCODE");
            else
                base->addAttributeVaueForKey(a->attributeValue, field);
        }
    }

    bool anyDefault = false;
    if (person->address) {
        for (const auto& address : *person->address) {
            if (!address)
                continue;
            auto group = newGroup("ALTERNATEADDRESS", address->indexId, address->isDefault);
            addAddressRows(*group, address.get());
            anyDefault = anyDefault || address->isDefault;
            customerCompanyData.push_back(group);
        }
    }
    primary->isDefault = !anyDefault;

    if (person->contact) {
        for (const auto& contact : *person->contact) {
            if (!contact)
                continue;
            auto group = newGroup("ALTERNATECONTACT", contact->contactID, contact->isDeful);
            addContactRows(*group, contact.get());
            customerContactData.push_back(group);
        }
    }
    setFirstContactToPromary();
}

void CustomerInfoGroupData::setFirstContactToPromary()
{
    if (customerContactData.empty())
        return;
    customerContactData.front()->groupName = text("PRIMARYCONTACT");
    bool anyDefault = false;
    for (const auto& group : customerContactData)
        anyDefault = anyDefault || group->isDefault;
    if (!anyDefault)
        customerContactData.front()->isDefault = true;
}

long CustomerInfoGroupData::numberOfRowsInSection(long section) const
{
    const long c = static_cast<long>(customerCompanyData.size());
    const long k = static_cast<long>(customerContactData.size());
    if (section >= 1 && section <= c)
        return static_cast<long>(customerCompanyData[static_cast<size_t>(section - 1)]->customerAttributes.size());
    if (section >= c + 2 && section <= c + k + 1)
        return static_cast<long>(customerContactData[static_cast<size_t>(section - c - 2)]->customerAttributes.size());
    return 0;
}

void CustomerInfoGroupData::switchActivi(bool on)
{
    if (customerCompanyData.empty())
        return;
    for (const auto& row : customerCompanyData.front()->customerAttributes) {
        if (labelKeyOf(*row) == std::optional<std::string>("ACTIVE"))
            row->attributeValue = std::string(on ? "YES" : "NO");
    }
}

CustomerGroup CustomerInfoGroupData::addAddressGroup()
{
    auto group = newGroup("ALTERNATEADDRESS", static_cast<int>(customerCompanyData.size()), false);
    addAddressRows(*group, nullptr);
    customerCompanyData.push_back(group);
    return group;
}

CustomerGroup CustomerInfoGroupData::addContactGroup()
{
    auto group = newGroup("ALTERNATECONTACT", static_cast<int>(customerContactData.size()), false);
    addContactRows(*group, nullptr);
    customerContactData.push_back(group);
    setFirstContactToPromary();
    return group;
}

std::optional<std::string> CustomerInfoGroupData::labelKeyOf(const customer_attribute_cell_Entity& row) const
{
    auto it = m_labelKeys.find(&row);
    if (it == m_labelKeys.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::string> CustomerInfoGroupData::valueForKey(
    const corvelle_customer_group_Entity& group, const std::string& key) const
{
    for (const auto& row : group.customerAttributes) {
        if (row && labelKeyOf(*row) == key)
            return row->attributeValue;
    }
    return std::nullopt;
}
