#pragma once

// A product row. Like every catalogue record: one property per column, and a
// new record has every number 0 and every text absent.

#include "Database/RecordColumns.h"
#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>

struct corvelle_product_Entity {
    virtual ~corvelle_product_Entity() = default;

    int _id = 0;
    int product_id = 0;
    std::optional<std::string> product_sku;
    std::optional<std::string> product_name;
    std::optional<std::string> product_s_desc;
    std::optional<std::string> product_l_desc;
    int product_publish = 0;
    int product_ordering = 0;
    int product_stock = 0;
    int product_sale = 0;
    int product_buy = 0;
    // The quantity the user chose for adding the product to a quote order.
    int count = 0;
    std::optional<Date> product_c_date;
    std::optional<Date> product_m_date;
    std::optional<std::string> product_tags;
    // The chosen attributes of an order line: "name:value" pairs joined by ",".
    std::optional<std::string> attributes;
    // How many of this product the current quote order holds.
    unsigned itemNumberInOrder = 0;

    // Each piece of `attributes` followed by a line break; "" when blank.
    std::string attributesShow() const;
};

// The dates are the table's own: the save leaves them to it.
template <> struct RecordColumns::Table<corvelle_product_Entity> {
    static constexpr std::string_view name = "corvelle_product";
    static constexpr auto columns = std::make_tuple(
        RecordColumns::column("product_id", "productID", &corvelle_product_Entity::product_id),
        RecordColumns::column("product_sku", "productSKU", &corvelle_product_Entity::product_sku),
        RecordColumns::column("product_name", "productName", &corvelle_product_Entity::product_name),
        RecordColumns::column("product_s_desc", "productShortDesc", &corvelle_product_Entity::product_s_desc),
        RecordColumns::column("product_l_desc", "productDesc", &corvelle_product_Entity::product_l_desc),
        RecordColumns::column("product_publish", "publish", &corvelle_product_Entity::product_publish),
        RecordColumns::column("product_ordering", "productOrdering", &corvelle_product_Entity::product_ordering),
        RecordColumns::column("product_stock", "productStock", &corvelle_product_Entity::product_stock),
        RecordColumns::column("product_sale", "productSale", &corvelle_product_Entity::product_sale),
        RecordColumns::column("product_buy", "productBuy", &corvelle_product_Entity::product_buy),
        RecordColumns::column("product_c_date", "", &corvelle_product_Entity::product_c_date, RecordColumns::NotSaved),
        RecordColumns::column("product_m_date", "", &corvelle_product_Entity::product_m_date, RecordColumns::NotSaved),
        RecordColumns::column("product_tags", "productTag", &corvelle_product_Entity::product_tags));
};

// The records that once shared this header; its includers still expect them.
#include "Database/corvelle_favorite_Entity.h"
#include "Database/corvelle_product_attribute_Entity.h"
#include "Database/corvelle_fields_product_attribute_Entity.h"
#include "Database/corvelle_product_category_xref_Entity.h"
#include "Database/corvelle_product_related_Entity.h"
#include "Database/corvelle_product_related_files_Entity.h"
#include "Database/corvelle_tag_entity.h"
#include "Database/corvelle_product_related_tag_Entity.h"
#include "Database/corvelle_compare_Entity.h"
#include "Database/corvelle_category_Entity.h"
#include "Database/corvelle_category_xref_Entity.h"
#include "Database/corvelle_image_Entity.h"
#include "Database/corvelle_icon_Entity.h"
