#include "DatabaseFixture.h"

#include "ClockFixture.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>

namespace {

using OrderTables = DatabaseFixture;
using CustomerTables = DatabaseFixture;
using ConfigurationAndSignIns = DatabaseFixture;

std::shared_ptr<QuoteOrderItemEntity> line(double price, double finalPrice, int quantity = 1)
{
    auto item = std::make_shared<QuoteOrderItemEntity>();
    item->price = price;
    item->finalPrice = finalPrice;
    item->quantity = quantity;
    return item;
}

std::shared_ptr<QuoteOrderEntity> order(
    const char* customer, std::vector<std::shared_ptr<QuoteOrderItemEntity>> items = {})
{
    auto o = std::make_shared<QuoteOrderEntity>();
    o->customerName = customer;
    o->items = std::move(items);
    return o;
}

std::vector<int> lineIds(DataAccessManager& m, int orderId)
{
    std::vector<int> ids;
    for (const auto& item : m.fetchQuoteOrderItemsWithQuoteOrder(orderId).value_or(EntityList<QuoteOrderItemEntity> {}))
        ids.push_back(item->serial);
    return ids;
}

TEST_F(OrderTables, NewOrdersAndLinesTakeLocalIds)
{
    auto m = dam();
    auto first = order("Ann", { line(10, 8), line(5, 5) });
    EXPECT_EQ(m->saveQuoteOrder(first), -1);
    EXPECT_EQ(lineIds(*m, -1), (std::vector<int> { -2, -1 }));
    EXPECT_EQ(m->saveQuoteOrder(order("Bob")), -2);
    EXPECT_EQ(m->saveQuoteOrder(first), -1) << "a re-saved order keeps its id";
    EXPECT_EQ(m->saveQuoteOrder(nullptr), 0);

    auto vendor = std::make_shared<VendorEntity>();
    vendor->serial = 7;
    auto sold = order("Cy", { line(1, 1), line(2, 2) });
    sold->vendor = vendor;
    sold->items[0]->vendor = vendor;
    ASSERT_EQ(m->saveQuoteOrder(sold), -3);
    EXPECT_EQ(
        scalar(
            "select group_concat(vendor_id) from (select vendor_id from corvelle_quote_order order by order_id desc)"),
        "0,0,7");
    EXPECT_EQ(scalar("select group_concat(vendor_id) from (select vendor_id from corvelle_quote_order_item where "
                     "order_id = -3 order by vendor_id)"),
        "0,7");
}

TEST_F(OrderTables, ANewLineOfAStoredOrderJoinsThatOrderWithAFreshId)
{
    auto m = dam();
    auto a = order("Ann", { line(1, 1) });
    auto b = order("Bob", { line(2, 2) });
    ASSERT_EQ(m->saveQuoteOrder(a), -1);
    ASSERT_EQ(m->saveQuoteOrder(b), -2);
    // Order -1 is edited: a new line, saved the way the store saves.
    a->items.push_back(line(3, 3));
    m->removeQuoteOrderItemsByQuoteOrderID(a->serial);
    ASSERT_EQ(m->saveQuoteOrder(a), -1);
    EXPECT_EQ(lineIds(*m, -1).size(), 2u);
    EXPECT_EQ(lineIds(*m, -2).size(), 1u);

    // A line numbered within its own order must not replace another order's line.
    auto stray = line(4, 4);
    stray->orderID = -2;
    stray->serial = lineIds(*m, -1).front();
    ASSERT_TRUE(m->saveQuoteOrderItem(stray));
    EXPECT_EQ(lineIds(*m, -1).size(), 2u);
    EXPECT_EQ(lineIds(*m, -2).size(), 2u);
    auto kept = line(5, 5);
    kept->orderID = -2;
    ASSERT_TRUE(m->saveQuoteOrderItem(kept));
    EXPECT_EQ(kept->orderID, -2);
}

TEST_F(OrderTables, OrdersSortByDateAcrossYears)
{
    auto m = dam();
    struct Case {
        const char* cdate;
        const char* customer;
    };
    for (const auto& c : { Case { "12/31/2013 10:00:00", "old" }, Case { "01/02/2014 09:00:00", "new" },
             Case { "06/15/2013 08:00:00", "oldest" } }) {
        auto o = order(c.customer);
        o->cdate = c.cdate;
        o->uploaded = true;
        o->number = std::string("sales01_") + c.customer;
        ASSERT_NE(m->saveQuoteOrder(o), 0);
    }
    std::vector<std::string> names;
    for (const auto& o : m->fetchQuoteOrdersCondition(0, std::nullopt))
        names.push_back(o->customerName.value_or(""));
    EXPECT_EQ(names, (std::vector<std::string> { "new", "old", "oldest" }));
    EXPECT_EQ(m->retriveEarliestSubmittedOrderTime(), "06/15/2013 08:00:00");
    EXPECT_EQ(m->quoteOrderModel()->retriveLatestSubmittedOrderTime(), "01/02/2014 09:00:00");
    EXPECT_EQ(m->timeDurationOfAllSubmittedOrder(), 201 * 86400 + 3600);
}

TEST_F(OrderTables, StatisticsMatchTheAccountExactly)
{
    signIn("Acme", "a_b");
    auto m = dam();
    for (const char* number : { "a_b_140101000000", "axb_140101000000", "a_b2_140101000000", "A_B_140101000000" }) {
        auto o = order("x");
        o->number = number;
        o->uploaded = true;
        ASSERT_NE(m->saveQuoteOrder(o), 0);
    }
    EXPECT_EQ(m->numberOfAllSubmittedOrder(), 1);
}

TEST_F(OrderTables, SearchAndSubmission)
{
    auto m = dam();
    auto named = order("Ann's Shop", { line(10, 8, 2) });
    named->number = "sales01_1";
    named->customerId = -5;
    named->shipping = 0.1;
    named->discountRat = 92.5;
    ASSERT_NE(m->saveQuoteOrder(named), 0);
    auto unnamed = order("  ");
    unnamed->number = "other_2";
    ASSERT_NE(m->saveQuoteOrder(unnamed), 0);
    EXPECT_EQ(m->fetchQuoteOrdersCondition(2, std::string("ANN'S")).size(), 1u);
    EXPECT_EQ(m->fetchQuoteOrdersCondition(2, std::string("SALES01")).size(), 1u);
    EXPECT_EQ(m->fetchQuoteOrdersCondition(2, std::string("01_1")).size(), 1u);
    EXPECT_EQ(m->fetchQuoteOrdersCondition(2, std::string("S_LES")).size(), 0u);
    EXPECT_EQ(m->fetchQuoteOrdersCondition(2, std::string("%")).size(), 0u);
    EXPECT_EQ(m->fetchQuoteOrdersCondition(2, std::string("  ")).size(), 2u);
    EXPECT_EQ(m->fetchQuoteOrdersCondition(1, std::nullopt).size(), 0u);

    ConfigManager::sharedInstance()->setModelDescArray(std::vector<std::string> { "1", "1", "1" });
    Value submission = m->fetchUnsubmittedQuoteOrdersDic(0);
    ASSERT_EQ(submission["order"].count(), 1u);
    const Value& sent = submission["order"][size_t { 0 }];
    EXPECT_EQ(sent["customer_id"].intValue(), 0);
    EXPECT_EQ(sent["order_item"]["order_items"].count(), 1u);
    auto json = m->fetchQuoteOrdersDicString(0);
    ASSERT_TRUE(json);
    EXPECT_EQ(json->rfind("{\"order\":[{", 0), 0u);
    EXPECT_NE(json->find("\"uploaded\":false"), std::string::npos);
    EXPECT_NE(json->find("\"customer_name\":\"Ann's Shop\""), std::string::npos);
    // Single-precision fields keep their short form; doubles and integers their own.
    for (const char* field : { "\"order_shipping\":0.1,", "\"discount_rats\":92.5,", "\"customer_id\":0," })
        EXPECT_NE(json->find(field), std::string::npos) << field;

    m->setQuoteOrdersToUploaded(0);
    EXPECT_EQ(m->fetchQuoteOrdersCondition(2, std::nullopt).size(), 1u);

    auto customer = std::make_shared<corvelle_customer_Entity>();
    customer->pid = -5;
    customer->customer_id = 812;
    ASSERT_TRUE(m->updateOrderTable(EntityList<corvelle_customer_Entity> { customer }));
    EXPECT_EQ(scalar("select count(*) from corvelle_quote_order where customer_id = 812"), "1");
}

TEST_F(OrderTables, HistoryReplacesTheLocalOrderAndItsLines)
{
    auto m = dam();
    auto local = order("Ann", { line(1, 1), line(2, 2) });
    local->number = "sales01_9";
    ASSERT_EQ(m->saveQuoteOrder(local), -1);
    // Only a copy the server has taken is history's to replace.
    m->setQuoteOrdersUploadedWithOrderNumber(std::string("sales01_9"));
    ASSERT_EQ(m->updateOrderIDWithOrderNumberNewOrderID(std::string("sales01_9"), 1100), -1);
    Value history = Value::dictionary({ { "order_id", Value(1200) }, { "order_number", Value("sales01_9") },
        { "customer_name", Value("Ann") }, { "discountRate", Value("90") }, { "orderItemList", Value::array() } });
    ASSERT_TRUE(m->updateLocalHistoryOrderFromServer(history));
    ASSERT_TRUE(m->updateLocalHistoryOrderItemFromServer(
        Value::dictionary({ { "order_id", Value(1200) }, { "order_item_id", Value(1) } })));
    EXPECT_TRUE(lineIds(*m, 1100).empty());
    EXPECT_EQ(lineIds(*m, 1200), (std::vector<int> { -1 }));
    EXPECT_EQ(
        scalar("select uploaded || ',' || discount_rat from corvelle_quote_order where order_id = 1200"), "1,90.0");
    EXPECT_FALSE(m->updateLocalHistoryOrderFromServer(Value("not a dictionary")));
    EXPECT_FALSE(m->updateLocalHistoryOrderFromServer(Value::dictionary({ { "order_id", Value::array() } })));

    EXPECT_EQ(m->updateOrderIDWithOrderNumberNewOrderID(std::string("sales01_9"), 1300), 1200);
    EXPECT_EQ(lineIds(*m, 1300).size(), 1u);
}

// History writes only server orders over server copies: the device's own
// orders (not yet taken, or taken without an id back) keep every edit.
TEST_F(OrderTables, HistoryLeavesTheDevicesOwnOrdersAlone)
{
    auto m = dam();
    auto unsent = order("Ann", { line(1, 1), line(2, 2) });
    unsent->number = "sales01_9";
    ASSERT_EQ(m->saveQuoteOrder(unsent), -1);
    auto idNeverCame = order("Bob", { line(3, 3) });
    idNeverCame->number = "sales01_8";
    ASSERT_EQ(m->saveQuoteOrder(idNeverCame), -2);
    m->setQuoteOrdersUploadedWithOrderNumber(std::string("sales01_8"));
    ASSERT_TRUE(db()->executeUpdate("insert into corvelle_quote_order (order_id, order_number, customer_name, "
                                    "uploaded) values (1400, 'sales01_7', 'Cy', 0)"));
    const std::string before = scalar("select group_concat(order_id || ':' || order_number || ':' || customer_name || "
                                      "':' || uploaded, ',') from corvelle_quote_order");
    const std::string linesBefore
        = scalar("select group_concat(order_item_id || ':' || order_id, ',') from corvelle_quote_order_item");

    struct Case {
        const char* name;
        Value id;
        const char* number;
    };
    const Case orders[] = {
        { "number of an order not yet taken", Value(1200), "sales01_9" },
        { "number of an order whose id never came", Value(1300), "sales01_8" },
        { "id of a row not yet taken", Value(1400), "sales01_new" },
        { "a local id", Value(-1), "sales01_other" },
        { "id 0", Value(0), "sales01_other" },
        { "id as a negative text", Value("-2"), "sales01_other" },
        { "id not a number", Value("12a"), "sales01_other" },
        { "no id", Value(), "sales01_other" },
    };
    for (const auto& c : orders) {
        SCOPED_TRACE(c.name);
        Value history
            = Value::dictionary({ { "order_number", Value(c.number) }, { "customer_name", Value("Server") } });
        if (!c.id.isNull())
            history.set("order_id", c.id);
        EXPECT_FALSE(m->updateLocalHistoryOrderFromServer(history));
    }
    for (const Value& lineOrder : { Value(-1), Value(0), Value(1200), Value(1400), Value("x") }) {
        EXPECT_FALSE(m->updateLocalHistoryOrderItemFromServer(
            Value::dictionary({ { "order_id", lineOrder }, { "product_id", Value(9) } })));
    }
    EXPECT_EQ(scalar("select group_concat(order_id || ':' || order_number || ':' || customer_name || ':' || uploaded, "
                     "',') from corvelle_quote_order"),
        before);
    EXPECT_EQ(scalar("select group_concat(order_item_id || ':' || order_id, ',') from corvelle_quote_order_item"),
        linesBefore);

    // A server order of its own, with its id as a text, is stored with its line.
    ASSERT_TRUE(m->updateLocalHistoryOrderFromServer(
        Value::dictionary({ { "order_id", Value("1500") }, { "order_number", Value("sales01_5") } })));
    ASSERT_TRUE(m->updateLocalHistoryOrderItemFromServer(
        Value::dictionary({ { "order_id", Value(1500) }, { "product_id", Value(9) } })));
    EXPECT_EQ(scalar("select uploaded from corvelle_quote_order where order_id = 1500"), "1");
    EXPECT_EQ(lineIds(*m, 1500).size(), 1u);
}

TEST_F(OrderTables, SignatureIsBound)
{
    auto m = dam();
    ASSERT_EQ(m->saveQuoteOrder(order("Ann")), -1);
    ASSERT_TRUE(m->updateOrderSignatureWithOrderId(std::string("ab'c=="), -1));
    EXPECT_EQ(scalar("select signature from corvelle_quote_order"), "ab'c==");
}

// Values whose cents a truncation would lose: 0.29 x 3 is 0.8699..., 1.15 x 7 is 8.0499...
TEST_F(OrderTables, CentsSurviveASaveAndARead)
{
    auto m = dam();
    auto saved = order("Ann", { line(0.29, 0.29, 3), line(1.15, 1.15, 7) });
    saved->tax = 0.29;
    ASSERT_EQ(m->saveQuoteOrder(saved), -1);
    EXPECT_EQ(scalar("select printf('%.2f', order_total) from corvelle_quote_order where order_id = -1"), "8.92");
    EXPECT_EQ(scalar("select printf('%.2f', order_tax) from corvelle_quote_order where order_id = -1"), "0.29");

    auto orders = m->fetchQuoteOrdersCondition(0, std::nullopt);
    ASSERT_EQ(orders.size(), 1u);
    auto items = m->fetchQuoteOrderItemsWithQuoteOrder(-1).value_or(EntityList<QuoteOrderItemEntity> {});
    ASSERT_EQ(items.size(), 2u);
    std::vector<std::string> subtotals;
    for (const auto& item : items)
        subtotals.push_back(item->strSubtotal());
    std::sort(subtotals.begin(), subtotals.end());
    ASSERT_EQ(subtotals.size(), 2u);
    auto endsWith = [](const std::string& text, const std::string& tail) {
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };
    EXPECT_TRUE(endsWith(subtotals[0], "0.87")) << subtotals[0];
    EXPECT_TRUE(endsWith(subtotals[1], "8.05")) << subtotals[1];
    orders[0]->items = items;
    EXPECT_EQ(orders[0]->strPrice(), "8.92");
    EXPECT_NEAR(orders[0]->tax, 0.29, 0.001);
}

// A line's money is its charged unit price times its quantity, shown to the
// cent; a line without a price shows "-" and counts in no total. The order's
// totals are the sums of its lines' subtotals, stored as they are summed.
TEST_F(OrderTables, LineSubtotalsAndTheTotalsSummedFromThem)
{
    struct Case {
        double price;
        double finalPrice;
        int quantity;
        double subtotal;
        const char* shown;
    };
    const Case cases[] = {
        { 10, 8, 3, 24, "$24.00" },
        { 0.1, 0.1, 3, 0.30000000000000004, "$0.30" },
        { 19.99, 19.99, 3, 59.97, "$59.97" },
        { 1.005, 1.005, 1000, 1005, "$1,005.00" },
        { 0.29, 0.29, 3, 0.87, "$0.87" },
        { 1234.56, 1000.01, 1000, 1000010, "$1,000,010.00" },
        { 12.5, 10, 0, 0, "$0.00" },
        { -1, -1, 2, -2, "-" },
    };
    auto saved = order("Ann");
    saved->currency = "USD";
    double total = 0;
    double originalTotal = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.finalPrice << " x " << c.quantity);
        auto item = line(c.price, c.finalPrice, c.quantity);
        item->currency = "USD";
        EXPECT_DOUBLE_EQ(QuoteOrderItemEntity::lineSubtotal(c.finalPrice, c.quantity), c.subtotal);
        EXPECT_DOUBLE_EQ(item->subtotal(), c.subtotal);
        EXPECT_EQ(item->strSubtotal(), c.shown);
        if (c.finalPrice >= 0)
            total += c.subtotal;
        if (c.price >= 0)
            originalTotal += QuoteOrderItemEntity::lineSubtotal(c.price, c.quantity);
        saved->items.push_back(item);
    }
    EXPECT_DOUBLE_EQ(saved->total(), total);
    EXPECT_DOUBLE_EQ(saved->originalTotal(), originalTotal);

    auto m = dam();
    ASSERT_EQ(m->saveQuoteOrder(saved), -1);
    EXPECT_EQ(scalar("select printf('%.2f', order_total) from corvelle_quote_order"), stringWithFormat("%.2f", total));
    EXPECT_EQ(scalar("select printf('%.2f', order_subtotal) from corvelle_quote_order"),
        stringWithFormat("%.2f", originalTotal));
    EXPECT_EQ(scalar("select printf('%.2f', sum(order_item_subtotal)) from corvelle_quote_order_item where "
                     "order_item_subtotal >= 0"),
        stringWithFormat("%.2f", total));
}

// The list reads every order's lines and their products together; each
// order must come out as its own read of its lines gives it: the same lines
// in the same order, each with a product record carrying the line's choices,
// and no product for a line whose product is gone.
TEST_F(OrderTables, TheListGivesEachOrderTheLinesItsOwnReadGives)
{
    auto m = dam();
    ASSERT_TRUE(db()->executeUpdate(
        "insert into corvelle_product (product_id, product_sku, product_name, product_publish) values "
        "(1, 'CH-1', 'Chair', 1), (2, 'Acme_2', 'Table', 0)"));
    auto withProduct = [](std::shared_ptr<QuoteOrderItemEntity> item, int productId, const char* attributes) {
        item->product = std::make_shared<corvelle_product_Entity>();
        item->product->product_id = productId;
        item->attributes = attributes ? std::optional<std::string>(attributes) : std::nullopt;
        return item;
    };
    auto ann = order("Ann",
        { withProduct(line(10, 8), 1, "colour:red"), withProduct(line(5, 5), 2, nullptr),
            withProduct(line(3, 3), 1, "colour:blue") });
    auto bob = order("Bob's", { withProduct(line(7, 7), 42, nullptr) });
    auto cy = order("Cy");
    for (const auto& o : { ann, bob, cy })
        ASSERT_NE(m->saveQuoteOrder(o), 0);
    // A line saved later joins an order listed earlier.
    ann->items.push_back(withProduct(line(1, 1), 2, "size:L"));
    ASSERT_NE(m->saveQuoteOrder(ann), 0);
    m->setQuoteOrdersToUploaded(bob->serial);

    struct Case {
        int type;
        std::optional<std::string> search;
        std::vector<std::string> customers;
    };
    const Case cases[] = {
        { 0, std::nullopt, { "Ann", "Bob's", "Cy" } },
        { 1, std::nullopt, { "Bob's" } },
        { 2, std::nullopt, { "Ann", "Cy" } },
        { 0, std::string("bob'"), { "Bob's" } },
        { 2, std::string("AN"), { "Ann" } },
        { 0, std::string("nobody"), {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        SCOPED_TRACE(c.search.value_or("(no search)"));
        auto listed = m->fetchQuoteOrdersCondition(c.type, c.search);
        std::vector<std::string> customers;
        for (const auto& o : listed)
            customers.push_back(o->customerName.value_or(""));
        std::sort(customers.begin(), customers.end());
        EXPECT_EQ(customers, c.customers);
        for (const auto& o : listed) {
            SCOPED_TRACE(o->customerName.value_or(""));
            auto own = m->fetchQuoteOrderItemsWithQuoteOrder(o->serial).value_or(EntityList<QuoteOrderItemEntity> {});
            ASSERT_EQ(o->items.size(), own.size());
            for (size_t i = 0; i < own.size(); ++i) {
                const auto& got = *o->items[i];
                EXPECT_EQ(got.serial, own[i]->serial);
                EXPECT_EQ(got.orderID, o->serial);
                EXPECT_EQ(got.price, own[i]->price);
                EXPECT_EQ(got.attributes, own[i]->attributes);
                ASSERT_EQ(static_cast<bool>(got.product), static_cast<bool>(own[i]->product));
                if (!got.product)
                    continue;
                EXPECT_EQ(got.product->product_id, own[i]->product->product_id);
                EXPECT_EQ(got.product->product_sku, own[i]->product->product_sku);
                EXPECT_EQ(got.product->product_name, own[i]->product->product_name);
                EXPECT_EQ(got.product->attributes, got.attributes);
            }
        }
    }
    auto all = m->fetchQuoteOrdersCondition(0, std::nullopt);
    auto listedAnn = std::find_if(all.begin(), all.end(), [](const auto& o) { return o->customerName == "Ann"; });
    ASSERT_NE(listedAnn, all.end());
    ASSERT_EQ((*listedAnn)->items.size(), 4u);
    auto linePriced = [&](double price) {
        for (const auto& item : (*listedAnn)->items)
            if (item->price == price)
                return item;
        return std::shared_ptr<QuoteOrderItemEntity>();
    };
    // Two lines of one product hold two records: a choice made on one stays off the other.
    ASSERT_TRUE(linePriced(10) && linePriced(3) && linePriced(5));
    ASSERT_TRUE(linePriced(10)->product && linePriced(3)->product && linePriced(5)->product);
    EXPECT_NE(linePriced(10)->product, linePriced(3)->product);
    EXPECT_EQ(linePriced(10)->product->attributes, std::optional<std::string>("colour:red"));
    EXPECT_EQ(linePriced(3)->product->attributes, std::optional<std::string>("colour:blue"));
    EXPECT_EQ(linePriced(5)->product->product_sku, std::optional<std::string>(""))
        << "a placeholder SKU reads as blank";
    EXPECT_FALSE(db()->hasOpenTransaction());
}

// Lines of one product with the same choices share one product record, in
// one order or across orders; other choices, or none (NULL as the server's
// history may leave it, "" as the device saves it), get records of their
// own, each carrying its choices.
TEST_F(OrderTables, TheListsLinesShareOneProductRecordPerProductAndChoices)
{
    auto m = dam();
    ASSERT_TRUE(db()->executeUpdate(
        "insert into corvelle_product (product_id, product_sku, product_name, product_publish) values "
        "(1, 'CH-1', 'Chair', 1), (2, 'TB-2', 'Table', 1)"));
    struct Line {
        const char* customer;
        int product;
        std::optional<std::string> attributes;
    };
    const Line lines[] = {
        { "Ann", 1, "colour:red" },
        { "Ann", 1, "colour:red" },
        { "Bob", 1, "colour:red" },
        { "Ann", 1, "colour:blue" },
        { "Bob", 1, "" },
        { "Ann", 1, std::nullopt },
        { "Bob", 1, std::nullopt },
        { "Bob", 2, "colour:red" },
        { "Ann", 2, "" },
        { "Bob", 42, "colour:red" },
    };
    auto ann = order("Ann");
    auto bob = order("Bob");
    for (size_t i = 0; i < std::size(lines); ++i) {
        // The price tells the lines apart.
        auto item = line(static_cast<double>(i + 1), static_cast<double>(i + 1));
        item->product = std::make_shared<corvelle_product_Entity>();
        item->product->product_id = lines[i].product;
        item->attributes = lines[i].attributes;
        (std::string(lines[i].customer) == "Ann" ? ann : bob)->items.push_back(item);
    }
    ASSERT_NE(m->saveQuoteOrder(ann), 0);
    ASSERT_NE(m->saveQuoteOrder(bob), 0);
    for (size_t i = 0; i < std::size(lines); ++i) {
        if (!lines[i].attributes) {
            ASSERT_TRUE(db()->executeUpdate(
                "update corvelle_quote_order_item set product_attribute = NULL where product_item_price = ?",
                static_cast<double>(i + 1)));
        }
    }

    std::vector<std::shared_ptr<QuoteOrderItemEntity>> read(std::size(lines));
    for (const auto& o : m->fetchQuoteOrdersCondition(0, std::nullopt))
        for (const auto& item : o->items)
            read.at(static_cast<size_t>(item->price) - 1) = item;
    for (size_t i = 0; i < std::size(lines); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(read[i]);
        EXPECT_EQ(read[i]->attributes, lines[i].attributes);
        if (lines[i].product == 42) {
            EXPECT_FALSE(read[i]->product) << "its product is gone";
            continue;
        }
        ASSERT_TRUE(read[i]->product);
        EXPECT_EQ(read[i]->product->product_id, lines[i].product);
        EXPECT_EQ(read[i]->product->product_sku, lines[i].product == 1 ? "CH-1" : "TB-2");
        EXPECT_EQ(read[i]->product->attributes, lines[i].attributes);
        for (size_t j = 0; j < i; ++j) {
            SCOPED_TRACE(j);
            const bool same = lines[i].product == lines[j].product && lines[i].attributes == lines[j].attributes;
            EXPECT_EQ(read[i]->product == read[j]->product, same);
        }
    }
}

// The file keeps a write-ahead log: a list read holds one state of the
// orders from its first statement to its last, while another connection
// writes (and is not kept waiting by the reader); the write shows afterwards.
TEST_F(OrderTables, AListReadHoldsOneStateWhileAnotherConnectionWrites)
{
    auto m = dam();
    EXPECT_EQ(scalar("PRAGMA journal_mode"), "wal");
    ASSERT_NE(m->saveQuoteOrder(order("Ann", { line(1, 1) })), 0);
    SQLDatabase writer(DataAccessManager::dataFilePath());
    ASSERT_TRUE(writer.openWithFlags(SQLITE_OPEN_READWRITE));
    // A busy file answers false after a few tries rather than waiting for ever.
    writer.setBusyRetryTimeout(3);
    long before = -1;
    long during = -1;
    bool wrote = false;
    db()->readInOneTransaction([&](SQLDatabase& connection) {
        before = connection.longForQuery("select count(*) from corvelle_quote_order");
        wrote = writer.executeUpdate(
                    "insert into corvelle_quote_order (order_id, customer_name, uploaded) values (-50, 'Zed', 0)")
            && writer.executeUpdate("insert into corvelle_quote_order_item (order_item_id, order_id, "
                                    "product_item_price) values (-50, -50, 9)");
        during = connection.longForQuery("select count(*) from corvelle_quote_order");
    });
    EXPECT_TRUE(wrote) << "the reader kept the writer out";
    EXPECT_EQ(before, 1);
    EXPECT_EQ(during, before) << "the read saw two states of the file";
    EXPECT_FALSE(db()->hasOpenTransaction());
    auto listed = m->fetchQuoteOrdersCondition(0, std::nullopt);
    ASSERT_EQ(listed.size(), 2u);
    for (const auto& o : listed)
        EXPECT_EQ(o->items.size(), 1u) << o->customerName.value_or("");
    writer.close();
    // Inside a caller's transaction the reads join it and leave it open.
    ASSERT_TRUE(db()->beginTransaction());
    db()->readInOneTransaction(
        [](SQLDatabase& connection) { connection.longForQuery("select count(*) from corvelle_quote_order"); });
    EXPECT_TRUE(db()->hasOpenTransaction());
    ASSERT_TRUE(db()->commit());
}

// An afternoon time tells a 24-hour clock from a 12-hour one.
TEST_F(OrderTables, ANewOrderIsStampedOnTheTwentyFourHourClock)
{
    const char* oldTZ = std::getenv("TZ");
    std::string saved = oldTZ ? oldTZ : "";
    setenv("TZ", "UTC", 1);
    {
        ScopedManualClock clock(1'800'000'000.0 + 7 * 3600 + 4 * 60 + 5);  // 2027-01-15 15:04:05 UTC
        QuoteOrderEntity fresh;
        EXPECT_EQ(fresh.number, "sales01_270115150405");
        EXPECT_EQ(fresh.cdate.value_or(""), "01/15/2027 15:04:05");
        EXPECT_EQ(fresh.mdateShow(), "15:04 01/15/27");
    }
    if (oldTZ)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
}

// Saves that succeed and saves that fail both end with no transaction open:
// checked through the connection's own state and through a second connection,
// which sees only what was committed.
TEST_F(OrderTables, OrderSavesLeaveNoTransactionOpen)
{
    auto m = dam();
    auto committed = [&](const std::string& sql) {
        SQLDatabase reader(DataAccessManager::dataFilePath());
        EXPECT_TRUE(reader.openWithFlags(SQLITE_OPEN_READONLY));
        return reader.longForQuery(sql);
    };
    auto noneOpen = [&](const char* step) {
        EXPECT_FALSE(db()->hasOpenTransaction()) << step;
        EXPECT_NE(sqlite3_get_autocommit(db()->sqliteHandle()), 0) << step;
    };
    ASSERT_EQ(m->saveQuoteOrder(order("Ann", { line(1, 1), line(2, 2) })), -1);
    noneOpen("a saved order");
    EXPECT_EQ(committed("select count(*) from corvelle_quote_order_item where order_id = -1"), 2);

    ASSERT_TRUE(db()->executeUpdate(
        "create temp trigger refuse before insert on corvelle_quote_order_item when new.product_item_price = 3 "
        "begin select raise(abort, 'no'); end"));
    // A refused line: neither the order nor its other lines are kept, and the
    // order comes back with the ids it came with.
    auto bob = order("Bob", { line(4, 4), line(3, 3) });
    EXPECT_EQ(m->saveQuoteOrder(bob), 0);
    noneOpen("a refused line");
    EXPECT_EQ(committed("select count(*) from corvelle_quote_order where customer_name = 'Bob'"), 0);
    EXPECT_EQ(committed("select count(*) from corvelle_quote_order_item where product_item_price = 4"), 0);
    EXPECT_EQ(bob->serial, 0);
    EXPECT_EQ(bob->items[0]->serial, 0);
    EXPECT_EQ(bob->items[0]->orderID, 0);
    // Inside a caller's transaction the failed order is undone alone; the
    // caller's own work and transaction stay.
    ASSERT_TRUE(db()->beginTransaction());
    ASSERT_TRUE(db()->executeUpdate("update corvelle_quote_order set customer_name = 'Ann B' where order_id = -1"));
    EXPECT_EQ(m->saveQuoteOrder(order("Bob", { line(4, 4), line(3, 3) })), 0);
    EXPECT_TRUE(db()->hasOpenTransaction());
    EXPECT_EQ(db()->longForQuery("select count(*) from corvelle_quote_order where customer_name = 'Bob'"), 0);
    ASSERT_TRUE(db()->commit());
    EXPECT_EQ(committed("select count(*) from corvelle_quote_order where customer_name = 'Ann B'"), 1);
    EXPECT_EQ(committed("select count(*) from corvelle_quote_order_item"),
        m->fetchQuoteOrderItemsWithQuoteOrder(-1)->size()
            + m->fetchQuoteOrderItemsWithQuoteOrder(-2).value_or(EntityList<QuoteOrderItemEntity> {}).size());

    Value history = Value::dictionary({ { "order_id", Value(1200) }, { "order_number", Value("sales01_9") },
        { "customer_name", Value("Ann") }, { "orderItemList", Value::array() } });
    ASSERT_TRUE(m->updateLocalHistoryOrderFromServer(history));
    noneOpen("a history order");
    EXPECT_EQ(committed("select count(*) from corvelle_quote_order where order_id = 1200"), 1);
    EXPECT_FALSE(m->updateLocalHistoryOrderFromServer(Value::dictionary({ { "order_id", Value::array() } })));
    noneOpen("a refused history order");
}

TEST_F(CustomerTables, LocalIdsAndTheCustomerList)
{
    auto m = dam();
    auto customer = [](int id, const char* name, int publish) {
        auto c = std::make_shared<corvelle_customer_Entity>();
        c->customer_id = id;
        c->customer_name = name;
        c->customer_publish = publish;
        return c;
    };
    EXPECT_EQ(m->getLastLocalCustomerId(), 0);
    ASSERT_TRUE(m->saveToDatabaseCustomer(EntityList<corvelle_customer_Entity> {
        customer(-1, "Ann", 1), customer(-5, "Old", 0), customer(7, "Bo \"B\"", 1) }));
    EXPECT_EQ(m->getLastLocalCustomerId(), -5) << "an unpublished local customer still holds its id";
    ASSERT_TRUE(m->updateCustomerTableHiddenWithCustomerIdWithHidden(7, 1));
    EXPECT_EQ(m->getAllCustomers(false).size(), 1u);
    auto all = m->getAllCustomers(true);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[7].attribute.size(), 1u);
    EXPECT_EQ(all[7].attribute[0]->fieldName, "");
    EXPECT_EQ(m->customerModel()->getCustomerByCustomerName(std::string("Bo \"B\""))->customer_id, 7);
    EXPECT_EQ(m->customerModel()->getCustomerByCustomerName(std::string("bo \"b\"")), nullptr);
    ASSERT_TRUE(m->saveToDatabaseCustomer(EntityList<corvelle_customer_Entity> { customer(7, "Bo", 1) }));
    EXPECT_EQ(m->getAllCustomers(false).size(), 2u) << "saving a hidden customer shows it again";

    auto address = std::make_shared<corvelle_customer_address_Entity>();
    address->indexId = -1;
    address->pID = -1;
    address->customerId = -1;
    EXPECT_FALSE(m->saveToDatabaseCustomerAddress(EntityList<corvelle_customer_address_Entity> {}));
    EXPECT_TRUE(m->saveToDatabaseCustomerContact(EntityList<corvelle_customer_contact_entity> {}));
    ASSERT_TRUE(m->saveToDatabaseCustomerAddress(EntityList<corvelle_customer_address_Entity> { address }));
    ASSERT_TRUE(m->updateAddressToDefaultIndexId(-1, -1));
    ASSERT_TRUE(m->updateCustomerTable(EntityList<corvelle_customer_Entity> { [] {
        auto c = std::make_shared<corvelle_customer_Entity>();
        c->pid = -1;
        c->customer_id = 900;
        return c;
    }() }));
    address->indexId = 55;
    address->customerId = 900;
    ASSERT_TRUE(m->updateCustomerAddressTable(EntityList<corvelle_customer_address_Entity> { address }));
    auto addresses = m->getCustomerAddress(900);
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_EQ(addresses[0]->indexId, 55);
    EXPECT_TRUE(addresses[0]->isDefault);
}

TEST_F(CustomerTables, AFailedFieldSaveKeepsTheOldFields)
{
    auto m = dam();
    auto field = [](int id, const char* name) {
        auto f = std::make_shared<corvelle_fields_customer_attribute_Entity>();
        f->field_id = id;
        f->field_name = name;
        f->published = 1;
        return f;
    };
    ASSERT_TRUE(m->saveToDatabaseFieldsCustomerAttribute(
        EntityList<corvelle_fields_customer_attribute_Entity> { field(1, "Phone") }));
    EXPECT_FALSE(m->saveToDatabaseFieldsCustomerAttribute(EntityList<corvelle_fields_customer_attribute_Entity> {}));
    // A field the database refuses, after the delete: the delete is undone too.
    ASSERT_TRUE(db()->executeUpdate(
        "create temp trigger refuse before insert on corvelle_fields_customer_attribute when new.field_id = 3 "
        "begin select raise(abort, 'no'); end"));
    EXPECT_FALSE(m->saveToDatabaseFieldsCustomerAttribute(
        EntityList<corvelle_fields_customer_attribute_Entity> { field(2, "City"), field(3, "Zip") }));
    EXPECT_FALSE(db()->hasOpenTransaction());
    auto fields = m->getAllAttributes();
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0]->fieldName, "Phone");
}

TEST_F(ConfigurationAndSignIns, ModuleSwitchesAndSettings)
{
    auto config = ConfigManager::sharedInstance();
    auto row = [](const char* type, const char* desc) {
        auto r = std::make_shared<ConfigEntity>();
        r->clientid = "Acme";
        r->configType = type;
        r->desc = desc ? std::optional<std::string>(desc) : std::nullopt;
        return r;
    };
    EXPECT_TRUE(config->syncConfigData(EntityList<ConfigEntity> {
        row("configuration", "1,1,0,1,1"), row("modify_price", "256"), row("order_method", "3") }));
    EXPECT_TRUE(config->syncConfigData(EntityList<ConfigEntity> { row("configuration", "1,1,0,1,1") }));
    EXPECT_EQ(scalar("select count(*) from Corvelle_component_config"), "3");
    struct Case {
        int position;
        bool shown;
    };
    for (const auto& c : { Case { 0, true }, Case { 2, false }, Case { 4, true }, Case { 5, false }, Case { 6, false },
             Case { 7, true } })
        EXPECT_EQ(config->isOnShow(c.position), c.shown) << c.position;
    EXPECT_EQ(config->orderMethodType(), 3);

    struct PriceCase {
        const char* desc;
        bool modifiable;
    };
    for (const auto& c : { PriceCase { "256", true }, PriceCase { "1", true }, PriceCase { "0", false },
             PriceCase { "  ", false }, PriceCase { "", false } }) {
        ASSERT_TRUE(config->syncConfigData(EntityList<ConfigEntity> { row("modify_price", c.desc) }));
        EXPECT_EQ(config->couldModifyPrice(), c.modifiable) << c.desc;
    }
    EXPECT_TRUE(config->isShowAllCustomer());
    config->setIsShowAllCustomer(false);
    EXPECT_FALSE(config->isShowAllCustomer());

    // A row the database refuses: the save says so, and nothing of it is kept.
    ASSERT_TRUE(db()->executeUpdate(
        "create temp trigger refuse before insert on Corvelle_component_config when new.cfg_type = 'order_method' "
        "begin select raise(abort, 'no'); end"));
    EXPECT_FALSE(
        config->syncConfigData(EntityList<ConfigEntity> { row("modify_price", "1"), row("order_method", "2") }));
    EXPECT_FALSE(config->couldModifyPrice());
    EXPECT_EQ(config->orderMethodType(), 3);
    EXPECT_FALSE(config->syncConfigData(std::nullopt));
}

TEST_F(ConfigurationAndSignIns, OfflineCheckAnswersTheFirstFailingStatus)
{
    auto m = dam();
    auto info = [](const char* client, const char* device, const char* user, const char* password) {
        auto i = std::make_shared<LoginInfo>();
        i->clientId = client;
        i->deviceId = device;
        i->accountId = user;
        i->passWord = password;
        return i;
    };
    ASSERT_TRUE(m->saveUserInfo(info("Acme", "dev1", "Sales01", "pw")));
    ASSERT_TRUE(m->saveUserInfo(info("Acme", "dev1", "Sales01", "pw2")));
    EXPECT_EQ(scalar("select count(*) || password from corvelle_login_user"), "1pw2");
    struct Case {
        std::shared_ptr<LoginInfo> typed;
        const char* status;
    };
    const Case cases[] = {
        { info("Other", "dev1", "Sales01", "pw2"), "210" },
        { info("ACME", "dev2", "Sales01", "pw2"), "201" },
        { info("acme", " ", "Sales01", "pw2"), "201" },
        { info("acme", "dev1", "nobody", "pw2"), "202" },
        { info("acme", "dev1", "Sales01", "wrong"), "206" },
        { info("acme", "dev1", "sales01", "pw2"), "206" },
        { info("acme", "dev1", "Sales01", "pw2"), "200" },
        { info("x' or '1'='1", "dev1", "Sales01", "pw2"), "210" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(m->checkLocalUserInfo(c.typed), c.status)
            << c.typed->clientId.value_or("") << "/" << c.typed->deviceId.value_or("");
    EXPECT_EQ(m->getUserInfo(std::string("SALES01"))->passWord, "pw2");
    EXPECT_EQ(m->getUserInfo(std::string("  ")), nullptr);
}

}  // namespace
