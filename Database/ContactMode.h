#pragma once

// One contact of a customer as a row of the contact grouping or of the search
// by contact. A customer without contacts gets one row with an empty first
// name and the customer's name as last name.

#include "Database/PersonInfo.h"

#include <memory>
#include <string>

class ContactMode {
public:
    std::string fristName;
    std::string lastName;
    std::shared_ptr<PersonInfo> personInfo;
};
