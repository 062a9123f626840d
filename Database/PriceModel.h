#pragma once

// Product prices. Whether a discount is in force is decided at every read.

#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_price_Entity.h"

#include <string>
#include <unordered_map>
#include <vector>

class PriceModel : public BaseDataModel {
public:
    // Always a record: the product's last price row, or an empty one.
    std::shared_ptr<corvelle_product_price_Entity> getPriceEntityByProductId(int productId);
    // The same record for each of the products, read in one statement; a
    // product without a price row gets an empty record, as above.
    std::unordered_map<int, std::shared_ptr<corvelle_product_price_Entity>> getPriceEntitiesByProductIds(
        const std::vector<int>& productIds);
    [[nodiscard]] bool saveToDatabasePrice(const OptionalEntityList<corvelle_product_price_Entity>& prices);
    bool updateVersion() override;
    // Rebuilds the table in its current form, keeping every column's values;
    // any failure rolls the rebuild back and leaves the table as it was.
    bool alterProductPriceTable();
    bool alterProductPriceTableAddDiscountRat();
    double getPriceByProductId(int productId);
    std::string getpriceCurrencyByProductId(int productId);
    double getwholesalePriceByProductId(int productId);
    double getretailPriceByProductId(int productId);
};
