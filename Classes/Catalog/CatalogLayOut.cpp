#include "Classes/Catalog/CatalogLayOut.h"

#include "Classes/Catalog/ProductDetailController.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"

namespace CatalogLayOut {

Value object(long index, const EntityList<corvelle_product_Entity>& products)
{
    ValueArray ids;
    ids.reserve(products.size());
    for (const auto& product : products)
        if (product)
            ids.push_back(Value::integer(product->product_id));
    return Value(ValueArray { Value::integer(index), Value(std::move(ids)) });
}

void post(long index, const EntityList<corvelle_product_Entity>& products)
{
    NSNotificationCenter::defaultCenter().postNotificationName(kNotificationName, object(index, products));
}

std::optional<Request> readableChoice(
    long count, const std::function<std::shared_ptr<corvelle_product_Entity>(long)>& productAt, long chosen)
{
    Request request;
    request.index = -1;
    for (long i = 0; i < count; ++i) {
        auto product = productAt(i);
        if (!product)
            continue;
        if (i == chosen)
            request.index = static_cast<long>(request.products.size());
        request.products.push_back(std::move(product));
    }
    if (request.index < 0)
        return std::nullopt;
    return request;
}

std::optional<Request> read(const Value& object)
{
    const auto& parts = object.arrayValue();
    if (parts.size() != 2 || !parts[1].isArray())
        return std::nullopt;
    const long chosen = parts[0].integerValue();
    const auto& ids = parts[1].arrayValue();
    if (chosen < 0 || static_cast<size_t>(chosen) >= ids.size())
        return std::nullopt;
    auto data = DataAccessManager::sharedDataModel();
    Request request;
    bool found = false;
    for (size_t i = 0; i < ids.size(); ++i) {
        auto product = data->getProductByProductId(static_cast<int>(ids[i].integerValue()));
        if (!product)
            continue;
        if (i == static_cast<size_t>(chosen)) {
            request.index = static_cast<long>(request.products.size());
            found = true;
        }
        request.products.push_back(std::move(product));
    }
    if (!found)
        return std::nullopt;
    return request;
}

std::shared_ptr<UIViewController> productDetail(
    const EntityList<corvelle_product_Entity>& products, long index, std::shared_ptr<UILabel> title)
{
    auto detail = std::make_shared<ProductDetailController>();
    if (index >= 0 && static_cast<size_t>(index) < products.size()) {
        const auto& product = products[static_cast<size_t>(index)];
        detail->setProductEntity(product);
        detail->setProductID(product->product_id);
    }
    detail->setProductArray(products);
    detail->setTag(static_cast<int>(index));
    detail->setProductCount(static_cast<int>(products.size()));
    detail->setLblTitle(std::move(title));
    return detail;
}

}  // namespace CatalogLayOut
