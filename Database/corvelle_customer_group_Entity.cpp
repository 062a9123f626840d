#include "Database/corvelle_customer_group_Entity.h"

void corvelle_customer_group_Entity::addAttributeVaueForKey(
    const std::optional<std::string>& value, const std::optional<std::string>& key)
{
    auto cell = std::make_shared<customer_attribute_cell_Entity>();
    cell->fieldName = key;
    cell->attributeValue = value.value_or(std::string());
    customerAttributes.push_back(std::move(cell));
}
