#pragma once

#include <optional>
#include <string>

struct VendorStateEntity {
    int serial = 0;
    std::optional<std::string> name;
    std::optional<std::string> code;
    float taxRate = 0;
};
