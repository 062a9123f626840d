#pragma once

struct corvelle_product_category_xref_Entity {
    int category_id = 0;
    int product_id = 0;
};
