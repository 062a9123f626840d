#pragma once

#include "Database/corvelle_product_Entity.h"

// A favourites row; only product_id, product_sku and product_name are filled.
struct corvelle_favorite_Entity : corvelle_product_Entity { };
