#include "Database/QuoteOrderEntity.h"

#include "Database/DeviceIdentifier.h"
#include "Database/Formats.h"
#include "Database/SessionRecord.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/Foundation/NSString.h"

#include <algorithm>

namespace {

std::string moneyText(double value, const std::optional<std::string>& currency)
{
    if (!(value >= 0))
        return "-";
    return Formats::flagWithCurrency(currency) + Formats::doubleFormate(value);
}

}  // namespace

QuoteOrderEntity::QuoteOrderEntity()
    : number(generateNewOrderNumber())
    , ipAddress(IdentifierAddition::uniqueGlobalDeviceIdentifier())
    , unsaved(true)
{
    cdate = Formats::currentTime();
    mdate = Formats::currentTime();
}

std::string QuoteOrderEntity::generateNewOrderNumber()
{
    const auto account = CurrentSession::record().acountID;
    return stringWithFormat(
        "%@_%@", account.value_or(std::string()), NSDateFormatter("yyMMddHHmmss").stringFromDate(Clock::wallNow()));
}

double QuoteOrderEntity::discount() const
{
    if (m_discount == -1)
        return total() * Formats::absoluteDiscountRatFromShown(discountRat) / 100;
    return m_discount;
}

std::string QuoteOrderEntity::customerNote() const
{
    if (!m_customerNote || NSString::stringByTrimmingCharactersInSet(*m_customerNote, CharacterSet::whitespace).empty())
        return "";
    return *m_customerNote;
}

double QuoteOrderEntity::originalTotal() const
{
    double sum = 0;
    for (const auto& item : items) {
        if (item && item->price >= 0)
            sum += QuoteOrderItemEntity::lineSubtotal(item->price, item->quantity);
    }
    return sum;
}

double QuoteOrderEntity::total() const
{
    double sum = 0;
    for (const auto& item : items) {
        if (item && item->finalPrice >= 0)
            sum += item->subtotal();
    }
    return sum;
}

int QuoteOrderEntity::newItemIndex() const
{
    int largest = 0;
    for (const auto& item : items) {
        if (item)
            largest = std::max(largest, item->serial);
    }
    return largest + 1;
}

std::string QuoteOrderEntity::strPrice() const { return stringWithFormat("%.2f", total()); }

std::string QuoteOrderEntity::strOriginalTotal() const { return moneyText(originalTotal(), currency); }

std::string QuoteOrderEntity::strTotal() const { return moneyText(total(), currency); }

std::string QuoteOrderEntity::strDiscount() const { return moneyText(discount(), currency); }

std::string QuoteOrderEntity::mdateShow() const
{
    if (!mdate)
        return "";
    auto date = NSDateFormatter("MM/dd/yyyy HH:mm:ss").dateFromString(*mdate);
    if (!date)
        return "";
    return NSDateFormatter("HH:mm " + Formats::getFormateString()).stringFromDate(*date);
}

std::shared_ptr<QuoteOrderEntity> QuoteOrderEntity::duplicateOrder() const
{
    auto copy = std::make_shared<QuoteOrderEntity>();
    copy->customerId = customerId;
    copy->customerName = customerName;
    copy->customerAddress = customerAddress;
    copy->city = city;
    copy->state = state;
    copy->zip_code = zip_code;
    copy->phoneNumber = phoneNumber;
    copy->bankAccount = bankAccount;
    copy->currency = currency;
    copy->setDiscount(discount());
    copy->customerInfo = customerInfo;
    copy->status = status;
    copy->setCustomerNote(customerNote());
    for (const auto& item : items) {
        if (!item)
            continue;
        auto line = std::make_shared<QuoteOrderItemEntity>();
        line->product = item->product;
        line->currency = item->currency;
        line->quantity = item->quantity;
        line->sku = item->sku;
        line->name = item->name;
        line->attributes = item->attributes;
        line->price = item->price;
        line->finalPrice = item->finalPrice;
        line->setSubtotal(item->subtotal());
        const std::string now = Formats::currentTime();
        line->cdate = now;
        line->mdate = now;
        copy->items.push_back(std::move(line));
    }
    return copy;
}
