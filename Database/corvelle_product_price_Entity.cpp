#include "Database/corvelle_product_price_Entity.h"

#include "Classes/Frame/PublicFunction.h"

std::string corvelle_product_price_Entity::strPrice() const
{
    if (!(price >= 0))
        return "";
    return PublicFunction::flagWithCurrency(currency) + PublicFunction::doubleFormate(price);
}

std::string corvelle_product_price_Entity::strDiscountPrice() const
{
    if (!(price >= 0))
        return "";
    return PublicFunction::flagWithCurrency(currency) + PublicFunction::doubleFormate(discount_price);
}
