#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

struct corvelle_product_related_files_Entity {
    int product_id = 0;
    std::optional<std::string> product_sku;
    int file_id = 0;
};

template <> struct RecordColumns::Table<corvelle_product_related_files_Entity> {
    static constexpr std::string_view name = "corvelle_product_related_file";
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("file_id", "fileId", &corvelle_product_related_files_Entity::file_id),
            RecordColumns::column("product_sku", "productSku", &corvelle_product_related_files_Entity::product_sku),
            RecordColumns::column("product_id", "productId", &corvelle_product_related_files_Entity::product_id));
};
