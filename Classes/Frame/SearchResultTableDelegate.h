#pragma once

// Told which match the person chose in a search result list.

#include <memory>

class ContactMode;
class PersonInfo;

class SearchResultTableDelegate {
public:
    virtual ~SearchResultTableDelegate() = default;
    virtual void didSelectCell(const std::shared_ptr<PersonInfo>& customer) { }
    virtual void didSelectCellByConatct(const std::shared_ptr<ContactMode>& contact) { }
};
