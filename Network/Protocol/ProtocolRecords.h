#pragma once

// The table records that the command decoders fill, with the fields the replies
// carry, named as the tables' record classes name them. They live in their own
// namespace so that the database's record classes can take their place (one
// `using` per record) without a clash.

#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>

namespace ProtocolRecords {

using Text = std::optional<std::string>;

struct ConfigEntity {
    Text clientid, configType, desc, update_date;
};

struct corvelle_product_Entity {
    int product_buy = 0, product_id = 0, product_ordering = 0, product_sale = 0, product_stock = 0, product_publish = 0;
    Text product_l_desc, product_name, product_sku, product_s_desc, product_tags;
};

struct corvelle_product_attribute_Entity {
    int attribute_id = 0, attribute_fields_id = 0, product_id = 0;
    Text attribute_value, default_value;
};

struct corvelle_product_category_xref_Entity {
    int category_id = 0, product_id = 0;
};

struct corvelle_product_price_Entity {
    int price_id = 0, product_id = 0, discount_publish = 0, tier_publish = 0;
    Text vendor_group_id_list, vendor_state_id_list, vendor_id_list, customer_id_list, currency, discount_identifier,
        tier_quantity_price;
    double price = 0, discount_price = 0, discontRat = 0;
    Date discount_start_date, discount_end_date, tier_start_date, tier_end_date;
};

struct corvelle_product_related_Entity {
    int product_id = 0;
    Text related_product_sku;
};

struct corvelle_image_Entity {
    int image_id = 0, key_id = 0, image_isdault = 0, image_publis = 0, image_ordering = 0;
    Text key_type, image_thumb_address, image_full_address, image_s_desc, image_l_desc;
};

struct corvelle_category_Entity {
    int category_id = 0, category_publish = 0, category_ordering = 0, category_parent_id = 0;
    Text category_name, category_code, category_type;
};

struct corvelle_fields_product_attribute_Entity {
    int field_id = 0, display = 0, published = 0;
    Text field_name, description, selection_list;
};

struct corvelle_product_related_files_Entity {
    int product_id = 0, file_id = 0;
    Text product_sku;
};

struct corvelle_tag_entity {
    int tag_id = 0;
    Text tag_name;
};

struct corvelle_product_related_tag_Entity {
    int tag_id = 0, product_id = 0;
};

struct corvelle_icon_Entity {
    int _id = 0, width = 0, height = 0, publish = 0;
    Text title, name, description, category;
};

struct corvelle_library_files_Entity {
    int file_id = 0, category = 0, ordering = 0, published = 0;
    Text title, file_name, type, date, description, cover_image, info;
    Value isNew;  // set by the synchronisation engine
};

struct corvelle_library_category_Entity {
    long categoryID = 0, ordering = 0, published = 0, parent_id = 0;
    Text name;
};

struct corvelle_customer_Entity {
    int customer_id = 0, customer_publish = 0, customer_ordering = 0, pid = 0;
    Text customer_info_id, customer_name;
    float discount = 0;
};

struct corvelle_customer_attribute_Entity {
    int attribute_id = 0, attribute_fields_id = 0, customer_id = 0, pID = 0;
    Text attribute_value;
};

struct corvelle_fields_customer_attribute_Entity {
    int field_id = 0, display = 0, published = 0;
    Text field_name, description, data_type, selection_list;
};

struct corvelle_customer_address_Entity {
    int indexId = 0, customerId = 0, pID = 0;
    Text customerAddress, customerCity, customerState, customerZipCode;
};

struct corvelle_customer_contact_entity {
    int customerID = 0, contactID = 0, pID = 0;
    Text first_name, last_name, job_title, work_phone, mobile_phone, email, im, note;
};

}  // namespace ProtocolRecords
