#pragma once

// Product images (thumbnail and full-size addresses).

#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_Entity.h"
#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>
#include <vector>

class ImageModel : public BaseDataModel {
public:
    // The owner's published default image, or nothing.
    std::shared_ptr<corvelle_image_Entity> getImageByKeyId(int keyId);
    // All published images of the owner, the default first.
    EntityList<corvelle_image_Entity> getManyImageByKeyId(int keyId);
    // One dictionary per row: "imageFull" and "imageThumb" where not null.
    ValueArray getPublishImages(bool published);
    // Rows with a null address are left out.
    std::vector<std::string> getThumbImages();
    std::vector<std::string> getFullImages();
    // The name of the last published icon with that title, or nothing.
    std::optional<std::string> getFullImagePathByName(const std::optional<std::string>& title);
    [[nodiscard]] bool saveToDatabaseImage(const OptionalEntityList<corvelle_image_Entity>& images);
};

// Its includers expect the model that once shared this header.
#include "Database/IconModel.h"
