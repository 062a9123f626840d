#pragma once

// The library files the salesperson has marked as favourites.

#include "Database/BaseDataModel.h"
#include "Database/corvelle_library_favorite_Entity.h"

#include <optional>
#include <string>

class LibraryFavoriteModel : public BaseDataModel {
public:
    // Nothing when the file is not a favourite (or none was ever marked).
    std::shared_ptr<corvelle_library_favorite_Entity> getFavoriteByFavoriteId(int fileId);
    void deleteSingleFavoriteByFavoriteId(int fileId);
    [[nodiscard]] bool saveToDatabaseFavoriteName(int fileId, const std::optional<std::string>& fileName);
};
