#pragma once

// The records of the catalogue tables: products and what hangs on them
// (attributes, category links, related products and files, tags, favourites
// and the compare list), categories, images and icons. One property per
// column; a new record has every number 0 and every text absent.

#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>
#include <vector>

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

// A favourites row; only product_id, product_sku and product_name are filled.
struct corvelle_favorite_Entity : corvelle_product_Entity {};

// Note the crossed columns: attribute_value is stored in the column
// selection_list, default_value in the column attribute_value.
struct corvelle_product_attribute_Entity {
    int attribute_id = 0;
    int product_id = 0;
    int attribute_fields_id = 0;
    std::optional<std::string> attribute_value;
    std::optional<std::string> default_value;
};

struct corvelle_fields_product_attribute_Entity {
    int field_id = 0;
    std::optional<std::string> field_name;
    std::optional<std::string> description;
    std::optional<std::string> selection_list;
    int display = 0;
    int published = 0;
};

struct corvelle_product_category_xref_Entity {
    int category_id = 0;
    int product_id = 0;
};

struct corvelle_product_related_Entity {
    int product_id = 0;
    std::optional<std::string> related_product_sku;
};

struct corvelle_product_related_files_Entity {
    int product_id = 0;
    std::optional<std::string> product_sku;
    int file_id = 0;
};

struct corvelle_tag_entity {
    int tag_id = 0;
    std::optional<std::string> tag_name;
    // The ids of the products carrying the tag.
    std::vector<int> products;
};

struct corvelle_product_related_tag_Entity {
    int product_id = 0;
    int tag_id = 0;
};

struct corvelle_compare_Entity {
    int _id = 0;
    int product_id = 0;
    std::optional<std::string> product_sku;
    std::optional<std::string> product_name;
};

struct corvelle_category_Entity {
    int category_id = 0;
    std::optional<std::string> category_name;
    std::optional<std::string> category_code;
    std::optional<std::string> category_type;
    int category_publish = 0;
    int category_ordering = 0;
    int category_parent_id = 0;
    // Filled by the category tree screen for display.
    int category_numberOfProducts = 0;
};

struct corvelle_category_xref_Entity {
    int category_parent_id = 0;
    int category_child_id = 0;
};

struct corvelle_image_Entity {
    int image_id = 0;
    int key_id = 0;
    std::optional<std::string> key_type;
    std::optional<std::string> image_thumb_address;
    std::optional<std::string> image_full_address;
    int image_isdault = 0;
    std::optional<std::string> image_s_desc;
    std::optional<std::string> image_l_desc;
    int image_publis = 0;
    int image_ordering = 0;
};

struct corvelle_icon_Entity {
    int _id = 0;
    std::optional<std::string> title;
    std::optional<std::string> name;
    int width = 0;
    int height = 0;
    std::optional<std::string> description;
    std::optional<std::string> category;
    int publish = 0;
};
