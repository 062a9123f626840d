#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

struct corvelle_customer_contact_entity {
    int pID = 0;
    int customerID = 0;
    int contactID = 0;
    std::optional<std::string> first_name;
    std::optional<std::string> last_name;
    std::optional<std::string> job_title;
    std::optional<std::string> work_phone;
    std::optional<std::string> mobile_phone;
    std::optional<std::string> email;
    std::optional<std::string> im;
    std::optional<std::string> note;
    // Column isDefault: the customer's default contact.
    bool isDeful = false;
};

template <> struct RecordColumns::Table<corvelle_customer_contact_entity> {
    static constexpr std::string_view name = "corvelle_customer_contact";
    static constexpr auto columns = std::make_tuple(
        RecordColumns::column("contact_id", "contactId", &corvelle_customer_contact_entity::contactID),
        RecordColumns::column("customer_id", "customerId", &corvelle_customer_contact_entity::customerID),
        RecordColumns::column("first_name", "firstName", &corvelle_customer_contact_entity::first_name),
        RecordColumns::column("last_name", "lastName", &corvelle_customer_contact_entity::last_name),
        RecordColumns::column("job_title", "jobTitle", &corvelle_customer_contact_entity::job_title),
        RecordColumns::column("work_phone", "workPhone", &corvelle_customer_contact_entity::work_phone),
        RecordColumns::column("mobile_phone", "mobilePhone", &corvelle_customer_contact_entity::mobile_phone),
        RecordColumns::column("email", "email", &corvelle_customer_contact_entity::email),
        RecordColumns::column("im", "im", &corvelle_customer_contact_entity::im),
        RecordColumns::column("note", "note", &corvelle_customer_contact_entity::note),
        RecordColumns::column("isDefault", "", &corvelle_customer_contact_entity::isDeful));
};
