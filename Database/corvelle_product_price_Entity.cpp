#include "Database/corvelle_product_price_Entity.h"

#include "Database/Formats.h"

std::string corvelle_product_price_Entity::strPrice() const
{
    if (!(price >= 0))
        return "";
    return Formats::flagWithCurrency(currency) + Formats::doubleFormate(price);
}

std::string corvelle_product_price_Entity::strDiscountPrice() const
{
    if (!(price >= 0))
        return "";
    return Formats::flagWithCurrency(currency) + Formats::doubleFormate(discount_price);
}
