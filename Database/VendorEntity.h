#pragma once

// A selling account with its group and its state. No table mirrors them; an
// order or line stores its vendor's serial as vendor_id (0 without a vendor).

#include "Database/VendorGroupEntity.h"
#include "Database/VendorStateEntity.h"
#include "Platform/Foundation/Value.h"

#include <memory>
#include <optional>
#include <string>

struct VendorEntity {
    int serial = 0;
    std::shared_ptr<VendorStateEntity> state;
    std::shared_ptr<VendorGroupEntity> group;
    float discount = 0;
    std::optional<std::string> deviceID;
    std::optional<std::string> deviceToken;
    std::optional<std::string> account;
    std::optional<std::string> password;
    std::optional<std::string> username;
    std::optional<std::string> email;
    std::optional<std::string> phone;
    bool islocked = false;
    std::optional<Date> registerDate;
    std::optional<Date> lastsyncDate;
    int inDate = 0;
};
