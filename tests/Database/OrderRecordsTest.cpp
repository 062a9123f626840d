// Quote orders and their lines at the edges of each kind, through the real
// saves, reads, submission and history: what is stored, read back and sent
// is pinned column by column, so a change to how the records map onto their
// rows shows here first.

#include "DatabaseFixture.h"

#include "Network/Protocol/QDJSON.h"
#include "Platform/Foundation/Format.h"

#include <string>
#include <vector>

namespace {

class OrderRecords : public DatabaseFixture { };

// Every column of a stored table in each of its rows, as SQLite keeps it
// (texts quoted, NULL as NULL), in the table's own column order.
std::vector<std::string> storedRows(SQLDatabase& db, const std::string& table, const std::string& orderBy)
{
    std::string columns;
    auto info = db.executeQuery("select name from pragma_table_info('" + table + "') order by cid");
    while (info && info->next())
        columns
            += (columns.empty() ? "" : " || '|' || ") + ("quote(" + info->stringForColumnIndex(0).value_or("") + ")");
    std::vector<std::string> rows;
    auto rs = db.executeQuery("select " + columns + " from " + table + " order by " + orderBy);
    while (rs && rs->next())
        rows.push_back(rs->stringForColumnIndex(0).value_or("<null>"));
    return rows;
}

std::string text(const std::optional<std::string>& value) { return value ? "'" + *value + "'" : "NULL"; }

std::string number(double value) { return stringWithFormat("%.17g", value); }

// Every member of an order as read, written out by hand: the reference the
// mapping is checked against.
std::string orderText(const QuoteOrderEntity& o)
{
    return "serial=" + std::to_string(o.serial) + " customerId=" + std::to_string(o.customerId)
        + " customerInfo=" + text(o.customerInfo) + " customerName=" + text(o.customerName)
        + " vendor=" + (o.vendor ? "set" : "none") + " number=" + text(o.number) + " subtotal=" + number(o.subtotal)
        + " tax=" + number(o.tax) + " taxDetails=" + text(o.taxDetails) + " shipping=" + number(o.shipping)
        + " shippingTax=" + number(o.shippingTax) + " couponDiscount=" + number(o.couponDiscount)
        + " couponCode=" + text(o.couponCode) + " discount=" + number(o.discount()) + " currency=" + text(o.currency)
        + " status=" + std::to_string(static_cast<int>(o.status)) + " cdate=" + text(o.cdate) + " mdate="
        + text(o.mdate) + " shippingMethod=" + text(o.shippingMethod) + " customerNote=" + text(o.customerNote())
        + " ipAddress=" + text(o.ipAddress) + " uploaded=" + std::to_string(o.uploaded) + " discountRat="
        + number(o.discountRat) + " signature=" + text(o.signature) + " customerAddress=" + text(o.customerAddress)
        + " city=" + text(o.city) + " state=" + text(o.state) + " zip_code=" + text(o.zip_code)
        + " phoneNumber=" + text(o.phoneNumber) + " bankAccount=" + text(o.bankAccount)
        + " unsaved=" + std::to_string(o.unsaved) + " lines=" + std::to_string(o.items.size());
}

std::string lineText(const QuoteOrderItemEntity& l)
{
    return "serial=" + std::to_string(l.serial) + " orderID=" + std::to_string(l.orderID)
        + " customerInfo=" + text(l.customerInfo) + " vendor=" + (l.vendor ? "set" : "none")
        + " product=" + (l.product ? std::to_string(l.product->product_id) + text(l.product->attributes) : "none")
        + " sku=" + text(l.sku) + " name=" + text(l.name) + " quantity=" + std::to_string(l.quantity)
        + " price=" + number(l.price) + " finalPrice=" + number(l.finalPrice) + " currency=" + text(l.currency)
        + " subtotal=" + number(l.subtotal()) + " status=" + std::to_string(static_cast<int>(l.status))
        + " cdate=" + text(l.cdate) + " mdate=" + text(l.mdate) + " attributes=" + text(l.attributes)
        + " discontRat=" + number(l.discontRat()) + " storedDiscontRat=" + number(l.storedDiscontRat());
}

// An order at the edges: a local customer, absent, empty and unicode texts, a
// note of white space only, reals that do not round to float, a line whose
// product is stored and a line with a hidden price and no product.
std::shared_ptr<QuoteOrderEntity> edgeOrder()
{
    auto order = std::make_shared<QuoteOrderEntity>();
    order->number = "sales01_260102030405";
    order->ipAddress = "device-1";
    order->cdate = "01/02/2026 03:04:05";
    order->mdate = "12/31/2026 23:59:59";
    order->customerId = -5;
    order->customerName = "Müller & Söhne ☕";
    order->customerInfo = std::nullopt;
    order->customerAddress = "";
    order->city = "Köln";
    order->tax = 0.1;
    order->taxDetails = "VAT 19%";
    order->shipping = 12.345;
    order->shippingTax = 1e-7;
    order->couponDiscount = 0.1;
    order->currency = "EUR";
    order->status = 'P';
    order->discountRat = 87.5;
    order->setCustomerNote(" \t ");
    order->phoneNumber = "+49 1";

    auto product = std::make_shared<corvelle_product_Entity>();
    product->product_id = 11;
    auto shown = std::make_shared<QuoteOrderItemEntity>();
    shown->product = product;
    shown->sku = "SKU-11";
    shown->name = "Tasse à café — 咖啡杯";
    shown->quantity = 3;
    shown->price = 19.99;
    shown->finalPrice = 17.5;
    shown->currency = "EUR";
    shown->status = 'N';
    shown->cdate = "01/02/2026 03:04:05";
    shown->attributes = "Wood:oak,Colour:red";
    // Never stored: the line works its subtotal out.
    shown->setSubtotal(1);
    auto hidden = std::make_shared<QuoteOrderItemEntity>();
    hidden->quantity = 2147483647;
    hidden->price = -1;
    hidden->finalPrice = 0.1;
    hidden->setDiscontRat(33.3);
    order->items = { shown, hidden };
    return order;
}

void storeProduct(DataAccessManager& m)
{
    auto product = std::make_shared<corvelle_product_Entity>();
    product->product_id = 11;
    product->product_sku = "SKU-11";
    ASSERT_TRUE(m.saveToDatabaseProduct(EntityList<corvelle_product_Entity> { product }));
}

TEST_F(OrderRecords, AnOrderAndItsLinesAreStoredAndReadAsTheyAlwaysWere)
{
    auto m = dam();
    storeProduct(*m);
    ASSERT_EQ(m->saveQuoteOrder(edgeOrder()), -1);

    // Absent texts are stored empty; the totals, the discount and the note as
    // the order works them out; tax and shipping at single precision.
    const std::vector<std::string> order {
        "-1|-5|''|'Müller & Söhne ☕'|0|'sales01_260102030405'|2.14748417200000017886e+08|59.97|"
        "1.00000001490116119384e-01|'VAT 19%'|1.23450002670288085939e+01|1.00000001168609742308e-07|0.1|''|"
        "187904865.05|'EUR'|80|'01/02/2026 03:04:05'|'12/31/2026 23:59:59'|''|''|'device-1'|0|87.5|''|''|'Köln'|''|''|"
        "'+49 1'|''",
    };
    const std::vector<std::string> lines {
        "-2|-1|''|0|0|''|''|2147483647|-1.0|0.1|''|2.14748364700000017872e+08|'0'|''|''|''|-1.0",
        "-1|-1|''|0|11|'SKU-11'|'Tasse à café — 咖啡杯'|3|19.99|17.5|'EUR'|52.5|'78'|'01/02/2026 03:04:05'|''|"
        "'Wood:oak,Colour:red'|8.75437698364257812534e+01",
    };
    EXPECT_EQ(storedRows(*db(), "corvelle_quote_order", "order_id"), order);
    EXPECT_EQ(storedRows(*db(), "corvelle_quote_order_item", "order_item_id"), lines);

    // The list and the order's own read of its lines give the same records.
    auto orders = m->fetchQuoteOrdersCondition(0, std::nullopt);
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orderText(*orders[0]),
        "serial=-1 customerId=-5 customerInfo='' customerName='Müller & Söhne ☕' vendor=none "
        "number='sales01_260102030405' subtotal=59.969999999999999 tax=0.10000000149011612 taxDetails='VAT 19%' "
        "shipping=12.345000267028809 shippingTax=1.0000000116860974e-07 couponDiscount=0.10000000000000001 "
        "couponCode='' discount=187904865.05000001 currency='EUR' status=80 cdate='01/02/2026 03:04:05' "
        "mdate='12/31/2026 23:59:59' shippingMethod='' customerNote='' ipAddress='device-1' uploaded=0 "
        "discountRat=87.5 signature='' customerAddress='' city='Köln' state='' zip_code='' phoneNumber='+49 1' "
        "bankAccount='' unsaved=0 lines=2");
    auto read = m->fetchQuoteOrderItemsWithQuoteOrder(-1).value_or(EntityList<QuoteOrderItemEntity> {});
    ASSERT_EQ(read.size(), 2u);
    ASSERT_EQ(orders[0]->items.size(), 2u);
    const std::vector<std::string> readLines {
        "serial=-2 orderID=-1 customerInfo='' vendor=none product=none sku='' name='' quantity=2147483647 price=-1 "
        "finalPrice=0.10000000000000001 currency='' subtotal=214748364.70000002 status=0 cdate='' mdate='' "
        "attributes='' discontRat=-1 storedDiscontRat=-1",
        "serial=-1 orderID=-1 customerInfo='' vendor=none product=11'Wood:oak,Colour:red' sku='SKU-11' "
        "name='Tasse à café — 咖啡杯' quantity=3 price=19.989999999999998 finalPrice=17.5 currency='EUR' "
        "subtotal=52.5 status=78 cdate='01/02/2026 03:04:05' mdate='' attributes='Wood:oak,Colour:red' "
        "discontRat=87.543769836425781 storedDiscontRat=87.543769836425781",
    };
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(lineText(*read[i]), readLines[i]) << i;
        EXPECT_EQ(lineText(*orders[0]->items[i]), readLines[i]) << i;
    }

    // Saved again as it was read, the order's rows do not change.
    orders[0]->items = read;
    ASSERT_EQ(m->saveQuoteOrder(orders[0]), -1);
    EXPECT_EQ(storedRows(*db(), "corvelle_quote_order", "order_id"), order);
    EXPECT_EQ(storedRows(*db(), "corvelle_quote_order_item", "order_item_id"), lines);
}

TEST_F(OrderRecords, TheSubmissionSendsWhatItAlwaysSent)
{
    auto m = dam();
    storeProduct(*m);
    ASSERT_EQ(m->saveQuoteOrder(edgeOrder()), -1);
    ConfigManager::sharedInstance()->setModelDescArray(std::vector<std::string> { "1", "1", "1" });
    // Local customers go as none, the vendor is the account's, shipping goes
    // at single precision, and the keys keep their order.
    EXPECT_EQ(m->fetchQuoteOrdersDicString(0).value_or("<none>"),
        R"({"order":[{"order_id":-1,"customer_id":0,"customer_name":"Müller & Söhne ☕","customer_info_id":"",)"
        R"("vendor_id":0,"order_number":"sales01_260102030405","order_total":214748417.2,"order_subtotal":59.97,)"
        R"("order_tax":0.1000000014901161,"order_tax_details":"VAT 19%","order_shipping":12.345,)"
        R"("order_shipping_tax":1e-07,"coupon_discount":0.1,"coupon_code":"","order_discount":187904865.05,)"
        R"("order_currency":"EUR","order_status":80,"cdate":"01/02/2026 03:04:05","mdate":"12/31/2026 23:59:59",)"
        R"("ship_method":"","customer_note":"","ip_address":"device-1","uploaded":false,"discount_rats":87.5,)"
        R"("signature":"","address":"","city":"Köln","state":"","zip_code":"","phone":"+49 1","bankAccount":"",)"
        R"("order_item":{"order_items":[{"order_item_id":-2,"order_id":-1,"vendor_id":0,"product_id":0,)"
        R"("product_quantity":2147483647,"order_status":0,"customer_info_id":"","order_item_sku":"",)"
        R"("order_item_name":"","order_item_currency":"","cdate":"","mdate":"","product_attribute":"",)"
        R"("product_item_price":-1,"product_final_price":0.1,"order_item_subtotal":214748364.7,"discount_rat":-1},)"
        R"({"order_item_id":-1,"order_id":-1,"vendor_id":0,"product_id":11,"product_quantity":3,"order_status":78,)"
        R"("customer_info_id":"","order_item_sku":"SKU-11","order_item_name":"Tasse à café — 咖啡杯",)"
        R"("order_item_currency":"EUR","cdate":"01/02/2026 03:04:05","mdate":"","product_attribute":)"
        R"("Wood:oak,Colour:red","product_item_price":19.99,"product_final_price":17.5,"order_item_subtotal":52.5,)"
        R"("discount_rat":87.54376983642578}]}}]})");
}

// History is stored as the server sends it: values of any kind as they come,
// missing keys as empty texts, the rate taken as a number from its own key,
// the order marked submitted whatever it says, and each line given a fresh
// id of the device's.
TEST_F(OrderRecords, HistoryIsStoredAsTheServerSentIt)
{
    auto m = dam();
    const auto order = JSONValue(R"({"order_id": "1200", "customer_id": 21, "customer_name": "Müller ☕",
        "vendor_id": 3, "order_number": "sales01_9", "order_total": 99.99, "order_subtotal": "120", "order_tax": 0.1,
        "order_shipping": null, "order_status": "C", "uploaded": 0, "discount_rat": 50, "discountRate": "87.5",
        "signature": "", "bankAccount": 12345})");
    ASSERT_TRUE(order);
    ASSERT_TRUE(m->updateLocalHistoryOrderFromServer(*order));
    for (const char* line : { R"({"order_id": 1200, "order_item_id": 77, "product_id": 11, "order_item_sku": "SKU-11",
             "product_quantity": "3", "product_item_price": 19.99, "discountRate": 12.5, "discount_rat": 1})",
             R"({"order_id": 1200, "discountRate": [1]})" }) {
        const auto item = JSONValue(line);
        ASSERT_TRUE(item) << line;
        ASSERT_TRUE(m->updateLocalHistoryOrderItemFromServer(*item)) << line;
    }
    EXPECT_EQ(storedRows(*db(), "corvelle_quote_order", "order_id"),
        (std::vector<std::string> {
            "1200|21|''|'Müller "
            "☕'|3|'sales01_9'|99.99|120.0|0.1|''|NULL|''|''|''|''|''|'C'|''|''|''|''|''|1|87.5|''|''|"
            "''|''|''|''|'12345'",
        }));
    EXPECT_EQ(storedRows(*db(), "corvelle_quote_order_item", "order_item_id"),
        (std::vector<std::string> {
            "-2|1200|''|''|''|''|''|''|''|''|''|''|''|''|''|''|0.0",
            "-1|1200|''|''|11|'SKU-11'|''|3|19.99|''|''|''|''|''|''|''|12.5",
        }));
}

}  // namespace
