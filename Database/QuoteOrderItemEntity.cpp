#include "Database/QuoteOrderItemEntity.h"

#include "Database/Formats.h"
#include "Database/RecordText.h"
#include "Platform/Foundation/NSString.h"

double QuoteOrderItemEntity::discontRat() const
{
    double rate;
    if (price < 0)
        rate = -1;
    else if (m_discontRat != 0)
        rate = m_discontRat;
    else if (price == 0)
        rate = 0;
    else
        rate = Formats::shownDiscountRatFromAbsolute(finalPrice * 100 / price);
    return static_cast<double>(static_cast<float>(rate));
}

std::string QuoteOrderItemEntity::attributesShow() const { return RecordText::linesOfPieces(attributes); }

std::vector<std::shared_ptr<product_attribute_cell_Entity>> QuoteOrderItemEntity::attributesArray() const
{
    std::vector<std::shared_ptr<product_attribute_cell_Entity>> cells;
    if (RecordText::isBlank(attributes))
        return cells;
    for (const auto& piece : NSString::componentsSeparatedByString(*attributes, ",")) {
        auto parts = NSString::componentsSeparatedByString(piece, ":");
        if (parts.size() != 2)
            continue;
        auto cell = std::make_shared<product_attribute_cell_Entity>();
        cell->fieldName = parts[0];
        cell->attributeValue = parts[1];
        cells.push_back(std::move(cell));
    }
    return cells;
}

std::string QuoteOrderItemEntity::strPrice() const
{
    if (!(price >= 0))
        return "-";
    return Formats::flagWithCurrency(currency) + Formats::doubleFormate(price);
}

std::string QuoteOrderItemEntity::strFinalPrice() const
{
    if (!(price >= 0))
        return "-";
    return Formats::flagWithCurrency(currency) + Formats::doubleFormate(finalPrice);
}

std::string QuoteOrderItemEntity::strSubtotal() const
{
    const double value = subtotal();
    if (!(value >= 0))
        return "-";
    return Formats::flagWithCurrency(currency) + Formats::doubleFormate(value);
}
