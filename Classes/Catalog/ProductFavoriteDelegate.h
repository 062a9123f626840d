#pragma once

// The catalogue's side of the favourites screen: favourites were deleted, so
// the favourite buttons of the detail screens it shows must be cleared.

class ProductFavoriteDelegate {
public:
    virtual ~ProductFavoriteDelegate() = default;
    virtual void changeAddFavoriteButtonState() = 0;
};
