#pragma once

// A titled group of customer rows: summaries, or contacts in the contact
// grouping. The key is also the title.

#include "Database/ContactMode.h"
#include "Database/PersonInfo.h"

#include <memory>
#include <string>
#include <variant>
#include <vector>

using GroupRow = std::variant<std::shared_ptr<PersonInfo>, std::shared_ptr<ContactMode>>;

// The customer a row stands for.
inline std::shared_ptr<PersonInfo> personOfGroupRow(const GroupRow& row)
{
    if (auto contact = std::get_if<std::shared_ptr<ContactMode>>(&row))
        return *contact ? (*contact)->personInfo : nullptr;
    return std::get<std::shared_ptr<PersonInfo>>(row);
}

class GroupList {
public:
    virtual ~GroupList() = default;

    std::string prefex;
    std::vector<GroupRow> arrayPersons;
};
