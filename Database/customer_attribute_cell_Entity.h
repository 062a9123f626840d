#pragma once

#include "Database/product_attribute_cell_Entity.h"

// An attribute of a customer, shaped as a product's.
struct customer_attribute_cell_Entity : product_attribute_cell_Entity { };
