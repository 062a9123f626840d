#pragma once

struct corvelle_category_xref_Entity {
    int category_parent_id = 0;
    int category_child_id = 0;
};
