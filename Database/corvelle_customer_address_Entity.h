#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

struct corvelle_customer_address_Entity {
    int pID = 0;
    // Column id.
    int indexId = 0;
    int customerId = 0;
    std::optional<std::string> customerAddress;
    std::optional<std::string> customerCity;
    std::optional<std::string> customerState;
    std::optional<std::string> customerZipCode;
    bool isDefault = false;
};

template <> struct RecordColumns::Table<corvelle_customer_address_Entity> {
    static constexpr std::string_view name = "corvelle_customer_address";
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("id", "id", &corvelle_customer_address_Entity::indexId),
            RecordColumns::column("customer_id", "customer_id", &corvelle_customer_address_Entity::customerId),
            RecordColumns::column("address", "address", &corvelle_customer_address_Entity::customerAddress),
            RecordColumns::column("city", "city", &corvelle_customer_address_Entity::customerCity),
            RecordColumns::column("state", "state", &corvelle_customer_address_Entity::customerState),
            RecordColumns::column("zip_code", "zip_code", &corvelle_customer_address_Entity::customerZipCode),
            RecordColumns::column("isDefault", "", &corvelle_customer_address_Entity::isDefault));
};
