#pragma once

// The object of the "setCatalogLayOut" notification, which asks the
// catalogue screen to open product detail on a list at an index: the array
// [index, [product ids]]. Products travel by id and are read again on
// arrival, so a product that can no longer be read (no longer published) is
// left out of the list instead of leaving an empty entry in it.

#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_Entity.h"
#include "Platform/Foundation/Value.h"

#include <functional>
#include <memory>
#include <optional>

class UIViewController;

class UILabel;

namespace CatalogLayOut {

inline constexpr const char* kNotificationName = "setCatalogLayOut";

Value object(long index, const EntityList<corvelle_product_Entity>& products);
void post(long index, const EntityList<corvelle_product_Entity>& products);

struct Request {
    long index = 0;
    EntityList<corvelle_product_Entity> products;
};
// The list read back and the index of the chosen product in it; nothing when
// the object is not such an array or the chosen product cannot be read.
std::optional<Request> read(const Value& object);

// The list a tile screen hands the catalogue when entry `chosen` of its
// `count` entries is tapped: only the entries `productAt` can still read, and
// the chosen one's index in that shorter list; nothing when it cannot be read.
std::optional<Request> readableChoice(
    long count, const std::function<std::shared_ptr<corvelle_product_Entity>(long)>& productAt, long chosen);

// The product detail screen for `products`[index], ready to push; its
// previous and next step through `products` and retitle `title`.
std::shared_ptr<UIViewController> productDetail(
    const EntityList<corvelle_product_Entity>& products, long index, std::shared_ptr<UILabel> title = nullptr);

}  // namespace CatalogLayOut
