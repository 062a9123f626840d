#pragma once

#include <optional>
#include <string>

struct VendorGroupEntity {
    int serial = 0;
    std::optional<std::string> name;
    std::optional<std::string> desc;
    float discount = 0;
};
