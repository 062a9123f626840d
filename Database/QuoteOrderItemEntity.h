#pragma once

// One line of a quote order: the product sold, its attributes, quantity and
// prices. subtotal and discontRat are derived on read (see the getters); their
// setters keep the value given, which the order tables store but never read back.

#include "Database/Formats.h"
#include "Database/RecordColumns.h"
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
    // Carries the line's choices in its attributes. Lines read together may
    // share one record: a line that changes it takes a copy of its own first.
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

// The line's row. Texts are saved empty rather than NULL; the vendor and
// the product are saved as their ids and the product's is read by the
// caller, which fetches the product; the subtotal is saved as the line works
// it out; the rate is stored in its absolute scale. The keys are those of
// the server's order history.
template <> struct RecordColumns::Table<QuoteOrderItemEntity> {
    using L = QuoteOrderItemEntity;
    static constexpr unsigned kText = SavesNullAsEmpty;

    static constexpr std::string_view name = "corvelle_quote_order_item";
    // The server's history gives no line id of the device's: a line taken
    // from it gets a fresh one.
    static constexpr auto columns = std::make_tuple(column("order_item_id", "", &L::serial),
        column("order_id", "order_id", &L::orderID),
        column("customer_info_id", "customer_info_id", &L::customerInfo, kText),
        computed<L, int>("vendor_id", "vendor_id", [](const L& l) { return l.vendor ? l.vendor->serial : 0; }),
        computed<L, int>("product_id", "product_id", [](const L& l) { return l.product ? l.product->product_id : 0; }),
        column("order_item_sku", "order_item_sku", &L::sku, kText),
        column("order_item_name", "order_item_name", &L::name, kText),
        column("product_quantity", "product_quantity", &L::quantity),
        column("product_item_price", "product_item_price", &L::price),
        column("product_final_price", "product_final_price", &L::finalPrice),
        column("order_item_currency", "order_item_currency", &L::currency, kText),
        computed<L, double>(
            "order_item_subtotal", "order_item_subtotal", [](const L& l) { return l.subtotal(); },
            [](L& l, double v) { l.setSubtotal(v); }),
        column("order_status", "order_status", &L::status), column("cdate", "cdate", &L::cdate, kText),
        column("mdate", "mdate", &L::mdate, kText),
        column("product_attribute", "product_attribute", &L::attributes, kText),
        computed<L, double>(
            "discount_rat", "discountRate",
            [](const L& l) { return Formats::absoluteDiscountRatFromShown(l.discontRat()); },
            [](L& l, double v) { l.setDiscontRat(Formats::shownDiscountRatFromAbsolute(v)); }));
};
