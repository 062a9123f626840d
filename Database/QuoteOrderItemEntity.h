#pragma once

// One line of a quote order: the product sold, its attributes, quantity and
// prices. subtotal and discontRat are derived on read (see the getters); their
// setters keep the value given, which the order tables store but never read back.

#include "Database/VendorEntity.h"
#include "Database/corvelle_product_Entity.h"
#include "Database/product_attribute_cell_Entity.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QuoteOrderItemEntity {
public:
    int serial = 0;
    int orderID = 0;
    std::optional<std::string> customerInfo;
    std::shared_ptr<VendorEntity> vendor;
    std::shared_ptr<corvelle_product_Entity> product;
    std::optional<std::string> sku;
    std::optional<std::string> name;
    int quantity = 0;
    // List price of one unit; negative means hidden.
    double price = 0;
    double finalPrice = 0;
    std::optional<std::string> currency;
    char status = 0;
    std::optional<std::string> cdate;
    std::optional<std::string> mdate;
    // "name:value" pairs joined by ",".
    std::optional<std::string> attributes;

    // The money of a line, the one place it is worked out: the unit price
    // charged (the list price less the line's discount) times the quantity.
    static double lineSubtotal(double unitPrice, int quantity) { return unitPrice * quantity; }
    // Always the line subtotal of finalPrice; the stored value is never read.
    double subtotal() const { return lineSubtotal(finalPrice, quantity); }
    void setSubtotal(double value) { m_subtotal = value; }
    // -1 for a hidden price; else the stored rate when not 0; else 0 for a
    // zero price; else finalPrice x 100 / price; rounded to single precision.
    double discontRat() const;
    void setDiscontRat(double value) { m_discontRat = value; }
    double storedDiscontRat() const { return m_discontRat; }

    std::string attributesShow() const;
    std::vector<std::shared_ptr<product_attribute_cell_Entity>> attributesArray() const;
    std::string strPrice() const;
    std::string strFinalPrice() const;
    std::string strSubtotal() const;

private:
    double m_subtotal = 0;
    double m_discontRat = 0;
};
