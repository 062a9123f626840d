#pragma once

// The price row of a product. discount_flag is set by the reader: whether the
// discount price applies now. A negative price means the price is hidden.

#include "Database/RecordColumns.h"

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

// Readers compare the discount dates without asking whether they are there.
template <> struct RecordColumns::Table<corvelle_product_price_Entity> {
    static constexpr std::string_view name = "corvelle_product_price";
    static constexpr auto columns = std::make_tuple(
        RecordColumns::column("price_id", "priceID", &corvelle_product_price_Entity::price_id),
        RecordColumns::column("product_id", "productID", &corvelle_product_price_Entity::product_id),
        RecordColumns::column(
            "vendor_group_id_list", "vendor_group_id_list", &corvelle_product_price_Entity::vendor_group_id_list),
        RecordColumns::column(
            "vendor_state_id_list", "vendor_state_id_list", &corvelle_product_price_Entity::vendor_state_id_list),
        RecordColumns::column("vendor_id_list", "vendor_id_list", &corvelle_product_price_Entity::vendor_id_list),
        RecordColumns::column("customer_id_list", "customer_id_list", &corvelle_product_price_Entity::customer_id_list),
        RecordColumns::column("price", "price", &corvelle_product_price_Entity::price),
        RecordColumns::column("currency", "currency", &corvelle_product_price_Entity::currency),
        RecordColumns::column("discount_price", "discountPrice", &corvelle_product_price_Entity::discount_price),
        RecordColumns::column(
            "discount_identifier", "discountIdentifier", &corvelle_product_price_Entity::discount_identifier),
        RecordColumns::column("discount_start_date", "discountStartDate",
            &corvelle_product_price_Entity::discount_start_date, RecordColumns::NullDateIsZero),
        RecordColumns::column("discount_end_date", "discountEndDate", &corvelle_product_price_Entity::discount_end_date,
            RecordColumns::NullDateIsZero),
        RecordColumns::column("discount_publish", "discountPublish", &corvelle_product_price_Entity::discount_publish),
        RecordColumns::column("tier_start_date", "tierStartDate", &corvelle_product_price_Entity::tier_start_date,
            RecordColumns::NullDateIsZero),
        RecordColumns::column("tier_end_date", "tierEndDate", &corvelle_product_price_Entity::tier_end_date,
            RecordColumns::NullDateIsZero),
        RecordColumns::column(
            "tier_quantity_price", "tierQuantityPrice", &corvelle_product_price_Entity::tier_quantity_price),
        RecordColumns::column("tier_publish", "tierPublish", &corvelle_product_price_Entity::tier_publish),
        RecordColumns::column("discount_rat", "discount_percentage", &corvelle_product_price_Entity::discontRat));
};
