#pragma once

// A quote order in memory with its lines and the pricing arithmetic every
// screen shows. Making one (the constructor) gives a new order: a fresh order
// number, the device identifier, the current time, discount -1 (derived from
// the rate), unsaved. discount and customerNote have derived getters.

#include "Database/QuoteOrderItemEntity.h"
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
