#pragma once

// The price row of a product. discount_flag is set by the reader: whether the
// discount price applies now. A negative price means the price is hidden.

#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>

struct corvelle_product_price_Entity {
    int price_id = 0;
    int product_id = 0;
    std::optional<std::string> vendor_group_id_list;
    std::optional<std::string> vendor_state_id_list;
    std::optional<std::string> vendor_id_list;
    std::optional<std::string> customer_id_list;
    double price = 0;
    std::optional<std::string> currency;
    double discount_price = 0;
    std::optional<std::string> discount_identifier;
    std::optional<Date> discount_start_date;
    std::optional<Date> discount_end_date;
    int discount_publish = 0;
    std::optional<Date> tier_start_date;
    std::optional<Date> tier_end_date;
    std::optional<std::string> tier_quantity_price;
    int tier_publish = 0;
    bool discount_flag = false;
    // The discount rate, column discount_rat.
    double discontRat = 0;

    // The currency sign and the formatted price; "" unless price is 0 or above.
    std::string strPrice() const;
    // The same with discount_price, still "" exactly when price is not 0 or above.
    std::string strDiscountPrice() const;
    bool isHidden() const { return price < 0; }
};
