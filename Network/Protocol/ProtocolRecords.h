#pragma once

// The table records that the command decoders fill are the database's record
// classes; this names them for the protocol in one place.

#include "Database/ConfigEntity.h"
#include "Database/corvelle_customer_Entity.h"
#include "Database/corvelle_library_files_Entity.h"
#include "Database/corvelle_product_Entity.h"
#include "Database/corvelle_product_price_Entity.h"

namespace ProtocolRecords {

using ::ConfigEntity;
using ::corvelle_category_Entity;
using ::corvelle_customer_address_Entity;
using ::corvelle_customer_attribute_Entity;
using ::corvelle_customer_contact_entity;
using ::corvelle_customer_Entity;
using ::corvelle_fields_customer_attribute_Entity;
using ::corvelle_fields_product_attribute_Entity;
using ::corvelle_icon_Entity;
using ::corvelle_image_Entity;
using ::corvelle_library_category_Entity;
using ::corvelle_library_files_Entity;
using ::corvelle_product_attribute_Entity;
using ::corvelle_product_category_xref_Entity;
using ::corvelle_product_Entity;
using ::corvelle_product_price_Entity;
using ::corvelle_product_related_Entity;
using ::corvelle_product_related_files_Entity;
using ::corvelle_product_related_tag_Entity;
using ::corvelle_tag_entity;

}  // namespace ProtocolRecords
