#pragma once

// The products the salesperson compares. The list holds a product at most
// once (a second add is refused).

#include "Database/BaseDataModel.h"
#include "Database/corvelle_compare_Entity.h"

#include <optional>
#include <string>

class CompareModel : public BaseDataModel {
public:
    void deleteSingleCompareByCompareId(int productId);
    void deleteAllCompare();
    // Entries in table order, leaving out those whose product's publish state is -1.
    EntityList<corvelle_compare_Entity> getCompares();
    // The product's publish state, 0 when it does not exist.
    int getPublishByCompareId(int productId);
    std::shared_ptr<corvelle_compare_Entity> getCompareByCompareId(int productId);
    [[nodiscard]] bool saveToDatabaseCompareSkuName(
        int productId, const std::optional<std::string>& sku, const std::optional<std::string>& name);
};
