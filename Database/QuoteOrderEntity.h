#pragma once

// A quote order in memory with its lines and the pricing arithmetic every
// screen shows. Making one (the constructor) gives a new order: a fresh order
// number, the device identifier, the current time, discount -1 (derived from
// the rate), unsaved. discount and customerNote have derived getters.

#include "Database/Formats.h"
#include "Database/QuoteOrderItemEntity.h"
#include "Database/RecordColumns.h"
#include "Database/VendorEntity.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QuoteOrderEntity {
public:
    QuoteOrderEntity();

    // 0 before the first save, negative when made on the device, else the server's id.
    int serial = 0;
    std::optional<std::string> customerInfo;
    std::shared_ptr<VendorEntity> vendor;
    std::optional<std::string> number;
    // Read from order_subtotal; the writer stores originalTotal there.
    double subtotal = 0;
    double tax = 0;
    std::optional<std::string> taxDetails;
    double shipping = 0;
    double shippingTax = 0;
    double couponDiscount = 0;
    std::optional<std::string> couponCode;
    std::optional<std::string> currency;
    char status = 0;
    std::optional<std::string> cdate;
    std::optional<std::string> mdate;
    std::optional<std::string> shippingMethod;
    std::optional<std::string> ipAddress;
    std::vector<std::shared_ptr<QuoteOrderItemEntity>> items;
    bool uploaded = false;
    // The percentage of total that is paid (100 = no discount).
    double discountRat = 0;
    bool isInEdit = false;
    bool unsaved = false;
    std::optional<std::string> signature;
    int customerId = 0;
    std::optional<std::string> customerName;
    std::optional<std::string> customerAddress;
    std::optional<std::string> city;
    std::optional<std::string> state;
    std::optional<std::string> zip_code;
    std::optional<std::string> phoneNumber;
    std::optional<std::string> bankAccount;

    bool isUploaded() const { return uploaded; }
    // The stored value unless it is exactly -1; then total x discountRat / 100.
    double discount() const;
    void setDiscount(double value) { m_discount = value; }
    // "" when the note is absent or white space only.
    std::string customerNote() const;
    void setCustomerNote(std::optional<std::string> note) { m_customerNote = std::move(note); }

    double originalTotal() const;
    double total() const;
    bool hasItems() const { return !items.empty(); }
    int newItemIndex() const;
    std::string strPrice() const;
    std::string strOriginalTotal() const;
    std::string strTotal() const;
    std::string strDiscount() const;
    // mdate as "HH:mm " followed by the short date of the interface language.
    std::string mdateShow() const;

    // The account id, "_" and the local time as "yyMMddHHmmss".
    static std::string generateNewOrderNumber();
    // A new order carrying this one's customer, money values and lines.
    std::shared_ptr<QuoteOrderEntity> duplicateOrder() const;

private:
    double m_discount = -1;
    std::optional<std::string> m_customerNote;
};

// The order's row. Texts are saved empty rather than NULL; the totals,
// the discount and the note are saved as the order works them out; tax and
// shipping are kept at single precision; the vendor is saved as its id and
// never read back; the rate is stored in its absolute scale. The keys are
// those of the server's order history.
template <> struct RecordColumns::Table<QuoteOrderEntity> {
    using O = QuoteOrderEntity;
    static constexpr unsigned kText = SavesNullAsEmpty;
    static constexpr unsigned kShownText = SavesNullAsEmpty | ReadsNullAsEmpty;

    static constexpr std::string_view name = "corvelle_quote_order";
    static constexpr auto columns = std::make_tuple(column("order_id", "order_id", &O::serial),
        column("customer_id", "customer_id", &O::customerId),
        column("customer_info_id", "customer_info_id", &O::customerInfo, kText),
        column("customer_name", "customer_name", &O::customerName, kShownText),
        computed<O, int>("vendor_id", "vendor_id", [](const O& o) { return o.vendor ? o.vendor->serial : 0; }),
        column("order_number", "order_number", &O::number, kShownText),
        computed<O, double>("order_total", "order_total", [](const O& o) { return o.total(); }),
        computed<O, double>(
            "order_subtotal", "order_subtotal", [](const O& o) { return o.originalTotal(); },
            [](O& o, double v) { o.subtotal = v; }),
        column("order_tax", "order_tax", &O::tax, SinglePrecision),
        column("order_tax_details", "order_tax_details", &O::taxDetails, kText),
        column("order_shipping", "order_shipping", &O::shipping, SinglePrecision),
        column("order_shipping_tax", "order_shipping_tax", &O::shippingTax, SinglePrecision),
        column("coupon_discount", "coupon_discount", &O::couponDiscount),
        column("coupon_code", "coupon_code", &O::couponCode, kText),
        computed<O, double>(
            "order_discount", "order_discount", [](const O& o) { return o.discount(); },
            [](O& o, double v) { o.setDiscount(v); }),
        column("order_currency", "order_currency", &O::currency, kText),
        column("order_status", "order_status", &O::status), column("cdate", "cdate", &O::cdate, kText),
        column("mdate", "mdate", &O::mdate, kText), column("ship_method", "ship_method", &O::shippingMethod, kText),
        computed<O, std::optional<std::string>>(
            "customer_note", "customer_note", [](const O& o) { return std::optional(o.customerNote()); },
            [](O& o, std::optional<std::string> v) { o.setCustomerNote(std::move(v)); }, kText),
        column("ip_address", "ip_address", &O::ipAddress, kText),
        // History orders are stored as submitted, whatever the server says.
        column("uploaded", "", &O::uploaded),
        computed<O, double>(
            "discount_rat", "discountRate",
            [](const O& o) { return Formats::absoluteDiscountRatFromShown(o.discountRat); },
            [](O& o, double v) { o.discountRat = Formats::shownDiscountRatFromAbsolute(v); }),
        column("signature", "signature", &O::signature, kShownText),
        column("address", "address", &O::customerAddress, kShownText), column("city", "city", &O::city, kShownText),
        column("state", "state", &O::state, kShownText), column("zip_code", "zip_code", &O::zip_code, kShownText),
        column("phone", "phone", &O::phoneNumber, kShownText),
        column("bankAccount", "bankAccount", &O::bankAccount, kShownText));
};
