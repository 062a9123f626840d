#pragma once

struct corvelle_lib_category_cell_entity {
    int category_id = 0;
    int files_count = 0;
};
