#include "Database/QuoteOrderModel.h"

#include "Database/Formats.h"
#include "Database/ConfigManager.h"
#include "Database/ModelSupport.h"
#include "Database/ProductModel.h"
#include "Database/RecordText.h"
#include "Database/SessionRecord.h"
#include "Network/Protocol/QDJsonWriter.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"

#include <charconv>
#include <climits>
#include <unordered_map>

using namespace ModelSupport;

namespace {

constexpr const char* kCreateItemTable
    = "CREATE TABLE if not exists corvelle_quote_order_item (order_item_id integer  PRIMARY KEY AUTOINCREMENT DEFAULT "
      "NULL,order_id integer DEFAULT NULL,"
      "customer_info_id Varchar(32) DEFAULT NULL,vendor_id integer DEFAULT NULL,product_id integer DEFAULT "
      "NULL,order_item_sku Varchar(64) DEFAULT NULL,"
      "order_item_name Varchar(64) DEFAULT NULL,product_quantity integer DEFAULT NULL,product_item_price double "
      "DEFAULT NULL,product_final_price double DEFAULT NULL,"
      "order_item_currency Varchar(16) DEFAULT NULL,order_item_subtotal double,order_status Varchar(1) DEFAULT "
      "NULL,cdate Varchar(100) DEFAULT NULL,"
      "mdate Varchar(100) DEFAULT NULL,product_attribute TEXT DEFAULT NULL, discount_rat double)";
constexpr const char* kItemColumns
    = "order_item_id,order_id,customer_info_id,vendor_id,product_id,order_item_sku,order_item_name,product_quantity,"
      "product_item_price,"
      "product_final_price,order_item_currency,order_item_subtotal,order_status,cdate,mdate,product_attribute";

// cdate as a sortable date text: "MM/dd/yyyy HH:mm:ss" becomes
// "yyyy-MM-dd HH:mm:ss"; a date already in that form stays as it is.
constexpr const char* kCdateAsDate = "(case when substr(cdate,3,1) = '/' then substr(cdate,7,4) || '-' || "
                                     "substr(cdate,1,2) || '-' || substr(cdate,4,2) || "
                                     "substr(cdate,11) else cdate end)";

// The submitted orders of the signed-in account: the number starts with the
// account id and "_", compared exactly (no wildcards).
constexpr const char* kAccountOrders = "uploaded = 1 AND substr(order_number, 1, length(?1)) = ?1";

Value accountPrefix()
{
    const auto account = CurrentSession::record().acountID;
    return account ? Value(*account + "_") : Value();
}

std::string textOrEmpty(const std::optional<std::string>& text) { return text.value_or(std::string()); }

std::optional<Date> parseOrderDate(const std::string& text)
{
    if (auto date = NSDateFormatter("MM/dd/yyyy HH:mm:ss").dateFromString(text))
        return date;
    return NSDateFormatter("yyyy-MM-dd HH:mm:ss").dateFromString(text);
}

bool isCustomerOnShow() { return ConfigManager::sharedInstance()->isOnShow(2); }

Value dictionaryValue(const Value& dict, std::string_view key)
{
    const Value* v = dict.find(key);
    return v ? *v : Value(std::string());
}

// A server order id: a whole number above 0, sent as a number or a text.
// Local orders have ids of 0 and below, so nothing else may stand for one.
std::optional<int> positiveServerId(const Value* value)
{
    if (!value)
        return std::nullopt;
    long long id = 0;
    if (value->isInteger()) {
        id = value->longLongValue();
    } else if (value->isReal()) {
        const double d = value->doubleValue();
        if (!(d >= 1 && d <= INT_MAX) || d != static_cast<double>(static_cast<long long>(d)))
            return std::nullopt;
        id = static_cast<long long>(d);
    } else if (value->isString()) {
        const std::string text = value->stringValue();
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
        if (text.empty() || error != std::errc() || end != text.data() + text.size())
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (id < 1 || id > INT_MAX)
        return std::nullopt;
    return static_cast<int>(id);
}

// A line row; its product id goes to `productId`, for the caller to fetch.
std::shared_ptr<QuoteOrderItemEntity> readLine(
    SQLResultSet& rs, const RecordColumns::RowReader<QuoteOrderItemEntity>& reader, int& productId)
{
    auto item = std::make_shared<QuoteOrderItemEntity>();
    // Saved from the line's product, which the caller fetches by it.
    constexpr size_t product = RecordColumns::positionOf<QuoteOrderItemEntity>("product_id");
    reader.read(rs, *item);
    productId = rs.intForColumnIndex(reader.place(product));
    return item;
}

// The product records of one read's lines. A line's product carries the
// line's choices; lines of one product with the same choices share a single
// record rather than each copying it, which was most of what a list of
// thousands of lines allocated. A screen that changes a line's product gives
// the line a copy of its own first.
struct LineProducts {
    // As read; it carries no choices.
    std::shared_ptr<corvelle_product_Entity> read;
    std::unordered_map<std::string, std::shared_ptr<corvelle_product_Entity>> chosen;

    std::shared_ptr<corvelle_product_Entity> withChoices(const std::optional<std::string>& attributes)
    {
        if (!attributes)
            return read;
        auto& record = chosen[*attributes];
        if (!record) {
            record = std::make_shared<corvelle_product_Entity>(*read);
            record->attributes = attributes;
        }
        return record;
    }
};

// The key the server's history sends a rate under; the rate is read as a
// number, the other values are stored as they were sent.
constexpr std::string_view kRateKey = "discountRate";

double rateOf(const Value& dict)
{
    const Value* v = dict.find(kRateKey);
    if (v && (v->isNumber() || v->isString()))
        return v->doubleValue();
    return 0;
}

// A history object as the values of the record's save, in its order;
// `unsent` stands for the one column the server does not send.
template <typename Record> ValueArray historyValues(const Value& object, const Value& unsent)
{
    ValueArray values;
    RecordColumns::forEach<Record>([&](const auto& c) {
        if (!c.isSaved())
            return;
        if (!c.isSent())
            values.push_back(unsent);
        else if (c.key == kRateKey)
            values.push_back(Value(rateOf(object)));
        else
            values.push_back(dictionaryValue(object, c.key));
    });
    return values;
}

// A stored column as the submission sends it: whole numbers, flags and reals
// as they are, texts empty rather than absent.
template <typename C> Value sentValue(SQLResultSet& rs, int at, const C&)
{
    if constexpr (C::kind == RecordColumns::Kind::Integer)
        return Value(rs.intForColumnIndex(at));
    else if constexpr (C::kind == RecordColumns::Kind::Flag)
        return Value(rs.boolForColumnIndex(at));
    else if constexpr (C::kind == RecordColumns::Kind::Real)
        return Value(rs.doubleForColumnIndex(at));
    else {
        static_assert(C::kind == RecordColumns::Kind::Text, "the order tables keep no dates");
        return Value(textOrEmpty(rs.stringForColumnIndex(at)));
    }
}

}  // namespace

// ---- Upgrade ----

bool QuoteOrderModel::updateVersion()
{
    BaseDataModel::updateVersion();
    alterQuoteOrderItemTable();
    updateOrderCustomer();
    alterQuoteOrderTableAddDiscountRat();
    alterQuoteOrderTableAddSignature();
    alterQuoteOrderTableAddSnapshotColumns();
    createCustomerView();
    moveHistoryCustomerInfo();
    convertOrderToLocal();
    return true;
}

bool QuoteOrderModel::alterQuoteOrderItemTable()
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    // The lines' rates are copied too, so a rebuild never drops them; a failed
    // step rolls the whole rebuild back.
    const bool hadRate = db->columnExistsColumnName("corvelle_quote_order_item", "discount_rat");
    const std::string copy = std::string("INSERT INTO corvelle_quote_order_item SELECT ") + kItemColumns
        + (hadRate ? ",discount_rat" : ",NULL") + " FROM temp_corvelle_quote_order_item";
    return db->inBatch([&](SQLDatabase& connection) {
        return connection.executeUpdate(
                   "ALTER TABLE corvelle_quote_order_item RENAME TO temp_corvelle_quote_order_item;")
            && connection.executeUpdate(kCreateItemTable) && connection.executeUpdate(copy)
            && connection.executeUpdate("DROP TABLE temp_corvelle_quote_order_item")
            // The old table's index went with it; lines are read by order.
            && connection.executeUpdate("CREATE INDEX IF NOT EXISTS corvelle_quote_order_item_order_index ON "
                                        "corvelle_quote_order_item (order_id)");
    });
}

bool QuoteOrderModel::updateOrderCustomer()
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    // An order whose customer is gone keeps the name it was saved with.
    return db->executeUpdate(
        "update corvelle_quote_order set customer_name = (select corvelle_customer.customer_name from "
        "corvelle_customer  where "
        "corvelle_quote_order .customer_id = corvelle_customer.customer_id)where  customer_id <> 0 and exists (select "
        "1 from "
        "corvelle_customer where corvelle_customer.customer_id = corvelle_quote_order.customer_id)");
}

bool QuoteOrderModel::alterQuoteOrderTableAddDiscountRat()
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    const bool order = db->executeUpdate("ALTER TABLE corvelle_quote_order ADD discount_rat double ");
    const bool item = db->executeUpdate("ALTER TABLE corvelle_quote_order_item ADD discount_rat double ");
    return order && item;
}

bool QuoteOrderModel::alterQuoteOrderTableAddSignature()
{
    auto db = database();
    return db && db->goodConnection() && db->executeUpdate("ALTER TABLE corvelle_quote_order ADD signature TEXT ");
}

bool QuoteOrderModel::alterQuoteOrderTableAddSnapshotColumns()
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    bool ok = true;
    for (const char* sql : { "ALTER TABLE corvelle_quote_order ADD address Varchar(255) ",
             "ALTER TABLE corvelle_quote_order ADD city  Varchar(32) ",
             "ALTER TABLE corvelle_quote_order ADD state  Varchar(32) ",
             "ALTER TABLE corvelle_quote_order ADD zip_code  Varchar(32) ",
             "ALTER TABLE corvelle_quote_order ADD phone  Varchar(32) ",
             "ALTER TABLE corvelle_quote_order ADD bankAccount  Varchar(32) " })
        ok = db->executeUpdate(sql) && ok;
    return ok;
}

bool QuoteOrderModel::createCustomerView()
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    auto column = [](const char* field, const char* name) {
        return stringWithFormat("(select attribute_value from corvelle_fields_customer_attribute "
                                "t2,corvelle_customer_attribute t3 where t3.attribute_fields_id = "
                                "t2.field_id and t1.customer_id = t3.customer_id and t2.field_name = '%@') as %@",
            field, name);
    };
    const std::string sql = "CREATE VIEW 'customerView' AS select  t1.customer_id, " + column("Address", "address")
        + "," + column("City", "city") + "," + column("State/Province/Region", "state") + ","
        + column("Zip Code", "zip_code") + "," + column("Phone", "phone") + "," + column("Bank Account", "bankAccount")
        + " from corvelle_customer t1";
    return db->executeUpdate(sql);
}

bool QuoteOrderModel::moveHistoryCustomerInfo()
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    std::string sets;
    for (const char* column : { "address", "city", "state", "zip_code", "phone", "bankAccount" }) {
        if (!sets.empty())
            sets += ",";
        // The step runs at every version change: it fills only what the order
        // lacks and never puts an empty customer value over a stored one.
        sets += stringWithFormat("%@ = coalesce(nullif(%@, ''), nullif((select t2.%@ from customerView t2 where "
                                 "corvelle_quote_order.customer_id = t2.customer_id), ''), %@)",
            column, column, column, column);
    }
    // An order whose customer is gone keeps the details it was saved with.
    return db->executeUpdate("update corvelle_quote_order set " + sets
        + " where exists (select 1 from customerView t2 where corvelle_quote_order.customer_id = t2.customer_id)");
}

bool QuoteOrderModel::convertOrderToLocal()
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    if (!db->executeUpdate("update corvelle_quote_order set order_id = (0 - order_id) where order_id > 0"))
        return false;
    return db->executeUpdate("update corvelle_quote_order_item set order_id = (0 - abs(order_id)) , order_item_id = (0 "
                             "- abs(order_item_id))where order_item_id > 0 or "
                             "order_id > 0");
}

// ---- Reading ----

EntityList<QuoteOrderEntity> QuoteOrderModel::fetchQuoteOrdersCondition(
    int type, const std::optional<std::string>& condition)
{
    EntityList<QuoteOrderEntity> orders;
    auto db = database();
    if (!db)
        return orders;
    std::string where = "WHERE 1 = 1 ";
    if (type == 2)
        where += "and uploaded = 0 ";
    else if (type == 1)
        where += "and uploaded = 1 ";
    const bool search = !RecordText::isBlank(condition);
    if (search)
        where += "and (lower(customer_name) like '%' || ?1 || '%' escape '\\' or lower(order_number) like '%' || ?1 || "
                 "'%' escape '\\')";
    const std::optional<std::string> pattern = search ? likeText(NSString::lowercaseString(*condition)) : std::nullopt;
    auto query = [&](SQLDatabase& connection, const std::string& sql) {
        return search ? connection.executeQuery(sql, pattern) : connection.executeQuery(sql);
    };
    // The orders, all their lines and the lines' products in three statements
    // of one transaction: a list of thousands of orders costs three reads, not
    // one per order and one per line, and never mixes two states of the file.
    db->readInOneTransaction([&](SQLDatabase& connection) {
        auto rs
            = query(connection, "SELECT * FROM corvelle_quote_order " + where + "order by " + kCdateAsDate + " desc");
        if (!rs)
            return;
        std::unordered_map<int, std::shared_ptr<QuoteOrderEntity>> byId;
        // A new record makes a fresh number and reads the device's identifier
        // and the time, all of which the row replaces: each order copies one
        // blank record instead of making its own, and the blank holds none of
        // those texts, so the copy makes none that the row then throws away.
        QuoteOrderEntity blank;
        blank.number.reset();
        blank.ipAddress.reset();
        blank.cdate.reset();
        blank.mdate.reset();
        const RecordColumns::RowReader<QuoteOrderEntity> reader(*rs);
        while (rs->next()) {
            auto order = std::make_shared<QuoteOrderEntity>(blank);
            reader.read(*rs, *order);
            order->vendor = nullptr;
            order->unsaved = false;
            // Order 0 has never been saved and owns no lines.
            if (order->serial != 0)
                byId.emplace(order->serial, order);
            orders.push_back(std::move(order));
        }
        rs->close();
        if (byId.empty())
            return;
        const std::string listed = "SELECT order_id FROM corvelle_quote_order " + where;
        std::unordered_map<int, LineProducts> products;
        if (auto productRows = query(connection,
                "SELECT * FROM corvelle_product WHERE product_id IN (SELECT product_id FROM corvelle_quote_order_item "
                "WHERE order_id IN ("
                    + listed + "))")) {
            while (productRows->next()) {
                auto product = readProduct(*productRows);
                const int id = product->product_id;
                products.emplace(id, LineProducts { std::move(product), {} });
            }
            productRows->close();
        }
        // Each order's lines in the order its own read of them gives.
        auto lines = query(connection,
            "SELECT * FROM corvelle_quote_order_item WHERE order_id IN (" + listed
                + ") ORDER BY order_id, order_item_id");
        if (!lines)
            return;
        const RecordColumns::RowReader<QuoteOrderItemEntity> lineReader(*lines);
        while (lines->next()) {
            int productId = 0;
            auto item = readLine(*lines, lineReader, productId);
            auto owner = byId.find(item->orderID);
            if (owner == byId.end())
                continue;
            if (auto found = products.find(productId); found != products.end())
                item->product = found->second.withChoices(item->attributes);
            owner->second->items.push_back(std::move(item));
        }
        lines->close();
    });
    return orders;
}

std::optional<EntityList<QuoteOrderItemEntity>> QuoteOrderModel::fetchQuoteOrderItemsWithQuoteOrder(int orderId)
{
    if (orderId == 0)
        return std::nullopt;
    EntityList<QuoteOrderItemEntity> items;
    auto db = database();
    auto rs = db ? db->executeQuery("SELECT * FROM corvelle_quote_order_item WHERE order_id = ?", orderId) : nullptr;
    if (!rs)
        return items;
    std::vector<int> productIds;
    const RecordColumns::RowReader<QuoteOrderItemEntity> reader(*rs);
    while (rs->next()) {
        int productId = 0;
        items.push_back(readLine(*rs, reader, productId));
        productIds.push_back(productId);
    }
    ProductModel products;
    for (size_t i = 0; i < items.size(); ++i) {
        items[i]->product = products.getAllProductByProductId(productIds[i]);
        if (items[i]->product)
            items[i]->product->attributes = items[i]->attributes;
    }
    return items;
}

// ---- Saving ----

int QuoteOrderModel::retriveMaxOrderID()
{
    auto db = database();
    return db ? db->intForQuery("SELECT MAX(abs(order_id)) FROM corvelle_quote_order") : 0;
}

int QuoteOrderModel::retriveMaxOrderItemID()
{
    auto db = database();
    return db ? db->intForQuery("SELECT MAX(abs(order_item_id)) FROM corvelle_quote_order_item") : 0;
}

int QuoteOrderModel::saveQuoteOrder(const std::shared_ptr<QuoteOrderEntity>& order)
{
    auto db = database();
    if (!order || !db)
        return 0;
    // The order and its lines are stored whole or not at all; a failed save
    // also takes back the ids it gave, so the caller's order is as it came.
    const int serialBefore = order->serial;
    std::vector<std::pair<int, int>> linesBefore;
    for (const auto& item : order->items)
        linesBefore.emplace_back(item ? item->serial : 0, item ? item->orderID : 0);
    auto store = [this, &order](SQLDatabase& connection) {
        if (order->serial == 0)
            order->serial = -(retriveMaxOrderID() + 1);
        const bool stored = RecordColumns::saveRow(connection, *order);
        if (!stored)
            return false;
        for (const auto& item : order->items) {
            if (!item)
                continue;
            // The lines of this order belong to it, whatever id they carried before.
            item->orderID = order->serial;
            if (!saveQuoteOrderItem(item))
                return false;
        }
        return true;
    };
    const bool saved = db->inBatch(store);
    if (saved)
        return order->serial;
    order->serial = serialBefore;
    for (size_t k = 0; k < order->items.size(); ++k) {
        if (auto& item = order->items[k]) {
            item->serial = linesBefore[k].first;
            item->orderID = linesBefore[k].second;
        }
    }
    return 0;
}

bool QuoteOrderModel::replaceQuoteOrder(const std::shared_ptr<QuoteOrderEntity>& order)
{
    auto db = database();
    if (!order || !db)
        return false;
    // A batch that fails after the save handed out ids must take them back too.
    const int serialBefore = order->serial;
    std::vector<std::pair<int, int>> linesBefore;
    for (const auto& item : order->items)
        linesBefore.emplace_back(item ? item->serial : 0, item ? item->orderID : 0);
    const bool replaced = db->inBatch([this, &order](SQLDatabase&) {
        if (order->serial != 0 && !removeQuoteOrderItemsByQuoteOrderID(order->serial))
            return false;
        return saveQuoteOrder(order) != 0;
    });
    if (replaced)
        return true;
    order->serial = serialBefore;
    for (size_t k = 0; k < order->items.size(); ++k) {
        if (auto& item = order->items[k]) {
            item->serial = linesBefore[k].first;
            item->orderID = linesBefore[k].second;
        }
    }
    return false;
}

bool QuoteOrderModel::saveQuoteOrderItem(const std::shared_ptr<QuoteOrderItemEntity>& item)
{
    if (!item)
        return true;
    auto db = database();
    if (!db)
        return false;
    if (item->serial == 0) {
        if (item->orderID == 0)
            item->orderID = -retriveMaxOrderID();
        item->serial = -(retriveMaxOrderItemID() + 1);
    } else {
        // Line ids are keys of the whole table: an id that a line of another
        // order holds is replaced by a fresh one, so no order loses a line.
        auto rs
            = db->executeQuery("SELECT order_id FROM corvelle_quote_order_item WHERE order_item_id = ?", item->serial);
        bool takenByOther = false;
        if (rs) {
            while (rs->next())
                takenByOther = rs->intForColumn("order_id") != item->orderID;
        }
        if (takenByOther)
            item->serial = -(retriveMaxOrderItemID() + 1);
    }
    return RecordColumns::saveRow(*db, *item);
}

bool QuoteOrderModel::removeQuoteOrder(int orderId)
{
    auto db = database();
    // An order never goes without its lines, nor its lines without it.
    return db && db->inBatch([orderId](SQLDatabase& connection) {
        return connection.executeUpdate("DELETE FROM corvelle_quote_order WHERE order_id = ?", orderId)
            && connection.executeUpdate("DELETE FROM corvelle_quote_order_item WHERE order_id = ?", orderId);
    });
}

bool QuoteOrderModel::removeQuoteOrderItem(const std::shared_ptr<QuoteOrderItemEntity>& item)
{
    auto db = database();
    return item && db
        && db->executeUpdate("DELETE FROM corvelle_quote_order_item WHERE order_item_id = ?", item->serial);
}

bool QuoteOrderModel::removeQuoteOrderItemsByQuoteOrderID(int orderId)
{
    auto db = database();
    return db && db->executeUpdate("DELETE FROM corvelle_quote_order_item WHERE order_id = ?", orderId);
}

bool QuoteOrderModel::updateOrderSignatureWithOrderId(const std::optional<std::string>& signature, int orderId)
{
    auto db = database();
    return db
        && db->executeUpdate("update corvelle_quote_order set signature = ? WHERE order_id = ?", signature, orderId);
}

bool QuoteOrderModel::updateOrderTable(const OptionalEntityList<corvelle_customer_Entity>& customers)
{
    const OptionalEntityList<corvelle_customer_Entity> list
        = customers ? customers : EntityList<corvelle_customer_Entity> {};
    return saveInTransaction(list, [](SQLDatabase& db, const corvelle_customer_Entity& c) {
        return db.executeUpdate(
            "UPDATE corvelle_quote_order SET customer_id = ? where customer_id = ?", c.customer_id, c.pid);
    });
}

// ---- Submission ----

Value QuoteOrderModel::fetchUnsubmittedQuoteOrdersDic(int orderId)
{
    Value result = Value::dictionary();
    ValueArray orders;
    auto db = database();
    std::string sql = "SELECT * FROM corvelle_quote_order WHERE uploaded = 0 ";
    if (orderId != 0)
        sql += "and order_id = ?";
    if (isCustomerOnShow())
        sql += " and length(trim(customer_name)) > 0";
    auto rs = !db ? nullptr : orderId != 0 ? db->executeQuery(sql, orderId) : db->executeQuery(sql);
    std::vector<int> ids;
    if (rs) {
        const int vendorId = CurrentSession::record().vendorId;
        const RecordColumns::RowReader<QuoteOrderEntity> reader(*rs);
        while (rs->next()) {
            Value order = Value::dictionary();
            // The server has always been sent the customer's name before its own id.
            order.set("order_id", Value());
            order.set("customer_id", Value());
            order.set("customer_name", Value());
            size_t position = 0;
            RecordColumns::forEach<QuoteOrderEntity>([&](const auto& c) {
                const int at = reader.place(position++);
                order.set(c.name == "discount_rat" ? "discount_rats" : c.name, sentValue(*rs, at, c));
            });
            const int id = order["order_id"].intValue();
            const int customerId = order["customer_id"].intValue();
            // Local customers are sent as none; the vendor is the signed-in account's.
            order.set("customer_id", Value(customerId < 0 ? 0 : customerId));
            order.set("vendor_id", Value(vendorId));
            for (const char* column : { "order_shipping", "order_shipping_tax" })
                order.set(column, Value(static_cast<float>(order[column].doubleValue())));
            orders.push_back(std::move(order));
            ids.push_back(id);
        }
    }
    for (size_t i = 0; i < orders.size(); ++i)
        orders[i].set("order_item",
            fetchQuoteOrderItemsDicWithQuoteOrder(ids[i]).value_or(
                Value::dictionary({ { "order_items", Value::array() } })));
    result.set("order", Value(std::move(orders)));
    return result;
}

std::optional<Value> QuoteOrderModel::fetchQuoteOrderItemsDicWithQuoteOrder(int orderId)
{
    if (orderId == 0)
        return std::nullopt;
    ValueArray lines;
    auto db = database();
    auto rs = db ? db->executeQuery("SELECT * FROM corvelle_quote_order_item WHERE order_id = ?", orderId) : nullptr;
    if (rs) {
        const RecordColumns::RowReader<QuoteOrderItemEntity> reader(*rs);
        while (rs->next()) {
            // The server has always been sent a line's whole numbers, then its
            // texts, then its reals.
            Value line = Value::dictionary();
            for (auto kind : { RecordColumns::Kind::Integer, RecordColumns::Kind::Text, RecordColumns::Kind::Real }) {
                size_t position = 0;
                RecordColumns::forEach<QuoteOrderItemEntity>([&](const auto& c) {
                    const int at = reader.place(position++);
                    if (c.kind == kind)
                        line.set(c.name, sentValue(*rs, at, c));
                });
            }
            lines.push_back(std::move(line));
        }
    }
    Value result = Value::dictionary();
    result.set("order_items", Value(std::move(lines)));
    return result;
}

std::optional<std::string> QuoteOrderModel::fetchQuoteOrdersDicString(int orderId)
{
    QDJsonWriter writer;
    auto text = writer.stringWithObject(fetchUnsubmittedQuoteOrdersDic(orderId));
    if (!text)
        return std::nullopt;
    NSLog("%@", *text);
    return text;
}

void QuoteOrderModel::setQuoteOrdersToUploaded(int orderId)
{
    auto db = database();
    if (!db)
        return;
    if (orderId != 0)
        db->executeUpdate("UPDATE corvelle_quote_order SET uploaded = 1 where order_id = ?", orderId);
    else if (isCustomerOnShow())
        db->executeUpdate("UPDATE corvelle_quote_order SET uploaded = 1 where length(trim(customer_name)) > 0");
    else
        db->executeUpdate("UPDATE corvelle_quote_order SET uploaded = 1 ");
}

void QuoteOrderModel::setQuoteOrdersUploadedWithOrderNumber(const std::optional<std::string>& orderNumber)
{
    auto db = database();
    if (!db || !orderNumber || orderNumber->empty())
        return;
    db->executeUpdate("UPDATE corvelle_quote_order SET uploaded = 1 where order_number = ?", orderNumber);
}

void QuoteOrderModel::updateOrderIdWithCmsOrderID(int localOrderId, int serverOrderId)
{
    auto db = database();
    if (db
        && db->executeUpdate(
            "UPDATE corvelle_quote_order SET order_id = ? where order_id = ?", serverOrderId, localOrderId))
        updateOrderItemIdWithCmsOrderID(localOrderId, serverOrderId);
}

bool QuoteOrderModel::updateOrderItemIdWithCmsOrderID(int localOrderId, int serverOrderId)
{
    auto db = database();
    return db
        && db->executeUpdate(
            "UPDATE corvelle_quote_order_item SET order_id = ? where order_id = ?", serverOrderId, localOrderId);
}

int QuoteOrderModel::getLocalOrderIdWithOrderNumber(const std::optional<std::string>& orderNumber)
{
    auto db = database();
    auto rs = db ? db->executeQuery("SELECT order_id FROM corvelle_quote_order WHERE order_number = ?", orderNumber)
                 : nullptr;
    int id = 0;
    if (rs) {
        while (rs->next())
            id = rs->intForColumn("order_id");
    }
    return id;
}

int QuoteOrderModel::getOrderIDWithOrderNumber(const std::optional<std::string>& orderNumber)
{
    return getLocalOrderIdWithOrderNumber(orderNumber);
}

// ---- History ----

bool QuoteOrderModel::updateLocalHistoryOrderFromServer(const Value& order)
{
    if (!order.isDictionary())
        return false;
    auto db = database();
    const std::optional<int> serverId = positiveServerId(order.find("order_id"));
    if (!db || !serverId) {
        NSLog("History order refused: its id is not a server order id");
        return false;
    }
    // Only orders the server has taken may be replaced: an order not yet
    // uploaded, or one whose server id never came back, holds the
    // salesperson's own work, which history must not overwrite.
    auto isServersCopy = [&](const char* where, const Value& key) {
        auto rs
            = db->executeQuery(std::string("SELECT order_id, uploaded FROM corvelle_quote_order WHERE ") + where, key);
        bool servers = true;
        while (rs && rs->next())
            servers = servers && rs->intForColumn("order_id") > 0 && rs->boolForColumn("uploaded");
        return servers;
    };
    const Value& number = order["order_number"];
    if (!isServersCopy("order_id = ?", Value(*serverId))
        || (number.isString() && !isServersCopy("order_number = ?", number))) {
        NSLog("History order %d kept as it is on the device", *serverId);
        return false;
    }
    const int localId = getLocalOrderIdWithOrderNumber(
        number.isString() ? std::optional<std::string>(number.stringValue()) : std::nullopt);
    // The old copy goes only with the new one taking its place.
    return db->inBatch(
        [&](SQLDatabase&) { return (localId == 0 || removeQuoteOrder(localId)) && saveQuoteOrderWithDic(order); });
}

bool QuoteOrderModel::updateLocalHistoryOrderItemFromServer(const Value& item)
{
    if (!item.isDictionary())
        return false;
    auto db = database();
    const std::optional<int> orderId = positiveServerId(item.find("order_id"));
    // A line joins its order by the server's id; one that would join a local
    // order, or an order history did not store, is not taken.
    if (!db || !orderId
        || db->intForQuery("SELECT count(*) FROM corvelle_quote_order WHERE order_id = ? AND uploaded = 1", *orderId)
            == 0) {
        NSLog("History line refused: it belongs to no stored server order");
        return false;
    }
    return saveQuoteOrderItemWithDic(item);
}

bool QuoteOrderModel::saveQuoteOrderWithDic(const Value& order)
{
    auto db = database();
    if (!order.isDictionary() || !db)
        return false;
    // History orders are stored as submitted, whatever the server says.
    return db->executeUpdateWithArgumentsInArray(
        RecordColumns::insertStatement<QuoteOrderEntity>(), historyValues<QuoteOrderEntity>(order, Value(true)));
}

bool QuoteOrderModel::saveQuoteOrderItemWithDic(const Value& item)
{
    auto db = database();
    if (!item.isDictionary() || !db)
        return false;
    // The device's line ids are its own: a history line takes a fresh one.
    return db->executeUpdateWithArgumentsInArray(RecordColumns::insertStatement<QuoteOrderItemEntity>(),
        historyValues<QuoteOrderItemEntity>(item, Value(-(retriveMaxOrderItemID() + 1))));
}

// ---- Statistics ----

namespace {

// The cdate of the account's first submitted order in date order: absent
// when none matches, an empty text when the query cannot run.
std::optional<std::string> submittedOrderTime(const std::shared_ptr<SQLDatabase>& db, const char* direction)
{
    auto rs = db
        ? db->executeQuery(std::string("SELECT cdate AS startDate FROM corvelle_quote_order WHERE ") + kAccountOrders
                + " AND cdate IS NOT NULL ORDER BY " + kCdateAsDate + " " + direction + " LIMIT 1",
            accountPrefix())
        : nullptr;
    if (!rs)
        return std::string();
    std::optional<std::string> date;
    while (rs->next())
        date = rs->stringForColumn("startDate");
    return date;
}

}  // namespace

std::optional<std::string> QuoteOrderModel::retriveEarliestSubmittedOrderTime()
{
    return submittedOrderTime(database(), "ASC");
}

std::optional<std::string> QuoteOrderModel::retriveLatestSubmittedOrderTime()
{
    return submittedOrderTime(database(), "DESC");
}

double QuoteOrderModel::timeDurationOfAllSubmittedOrder()
{
    auto earliest = retriveEarliestSubmittedOrderTime();
    auto latest = retriveLatestSubmittedOrderTime();
    if (!earliest || !latest)
        return 0;
    auto from = parseOrderDate(*earliest);
    auto to = parseOrderDate(*latest);
    if (!from || !to)
        return 0;
    return to->secondsSince1970 - from->secondsSince1970;
}

int QuoteOrderModel::numberOfAllSubmittedlOrder()
{
    auto db = database();
    return db ? db->intForQuery(
               std::string("SELECT COUNT(*) FROM corvelle_quote_order WHERE ") + kAccountOrders, accountPrefix())
              : 0;
}
