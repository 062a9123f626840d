#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

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

template <> struct RecordColumns::Table<corvelle_image_Entity> {
    static constexpr std::string_view name = "corvelle_image";
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("image_id", "imageID", &corvelle_image_Entity::image_id),
            RecordColumns::column("key_id", "keyID", &corvelle_image_Entity::key_id),
            RecordColumns::column("key_type", "keyType", &corvelle_image_Entity::key_type),
            RecordColumns::column("image_thumb_address", "thumbAddress", &corvelle_image_Entity::image_thumb_address),
            RecordColumns::column("image_full_address", "fullAddress", &corvelle_image_Entity::image_full_address),
            RecordColumns::column("image_isdault", "isDefault", &corvelle_image_Entity::image_isdault),
            RecordColumns::column("image_s_desc", "imageShortDesc", &corvelle_image_Entity::image_s_desc),
            RecordColumns::column("image_l_desc", "imageDesc", &corvelle_image_Entity::image_l_desc),
            RecordColumns::column("image_publis", "imagePublish", &corvelle_image_Entity::image_publis),
            RecordColumns::column("image_ordering", "imageOrdering", &corvelle_image_Entity::image_ordering));
};
