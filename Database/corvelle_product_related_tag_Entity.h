#pragma once

struct corvelle_product_related_tag_Entity {
    int product_id = 0;
    int tag_id = 0;
};
