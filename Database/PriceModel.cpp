#include "Database/PriceModel.h"

#include "Database/Formats.h"
#include "Database/ModelSupport.h"

using namespace ModelSupport;

namespace {

constexpr const char* kCreatePriceTable
    = "CREATE TABLE if not exists corvelle_product_price (price_id integer PRIMARY KEY  NOT NULL  DEFAULT (0) "
      ",product_id integer,vendor_group_id_list Varchar,"
      "vendor_state_id_list Varchar,vendor_id_list Varchar,customer_id_list Varchar,price double,currency "
      "Varchar,discount_price double,discount_identifier Varchar,"
      "discount_start_date Date DEFAULT (NULL) ,discount_end_date Date DEFAULT (NULL) ,discount_publish "
      "integer,tier_start_date Date DEFAULT (NULL) ,"
      "tier_end_date Date DEFAULT (NULL) ,tier_quantity_price Varchar DEFAULT (NULL) ,tier_publish integer, "
      "discount_rat double) ;";
constexpr const char* kCopiedColumns = "price_id,product_id,vendor_group_id_list,vendor_state_id_list,vendor_id_list,"
                                       "customer_id_list,price,currency,discount_price,"
                                       "discount_identifier,discount_start_date,discount_end_date,discount_publish,"
                                       "tier_start_date,tier_end_date,tier_quantity_price,"
                                       "tier_publish";

}  // namespace

namespace {

// The discount holds at `now` when it has begun and not yet ended, on a shown price.
void finishPrice(corvelle_product_price_Entity& price, double now)
{
    price.discount_flag = true;
    price.discontRat = Formats::shownDiscountRatFromAbsolute(price.discontRat);
    if (now < price.discount_start_date->secondsSince1970 || now > price.discount_end_date->secondsSince1970
        || price.price < 0)
        price.discount_flag = false;
}

// A price row over `price`; of several rows for one product the last read wins.
void readPrice(SQLResultSet& rs, corvelle_product_price_Entity& price)
{
    RecordColumns::readRow(rs, price);
    finishPrice(price, Formats::currentTimeInterval());
}

}  // namespace

std::shared_ptr<corvelle_product_price_Entity> PriceModel::getPriceEntityByProductId(int productId)
{
    auto price = std::make_shared<corvelle_product_price_Entity>();
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_product_price where product_id = ?", productId) : nullptr;
    if (!rs)
        return price;
    while (rs->next())
        readPrice(*rs, *price);
    return price;
}

std::unordered_map<int, std::shared_ptr<corvelle_product_price_Entity>> PriceModel::getPriceEntitiesByProductIds(
    const std::vector<int>& productIds)
{
    std::unordered_map<int, std::shared_ptr<corvelle_product_price_Entity>> prices;
    prices.reserve(productIds.size());
    for (int id : productIds)
        prices.emplace(id, std::make_shared<corvelle_product_price_Entity>());
    auto db = database();
    if (!db || productIds.empty())
        return prices;
    // A product's rows are read one by one, and of several the one with the
    // highest id stands, whatever order the statement gives them in.
    struct Standing {
        corvelle_product_price_Entity* price;
        int priceId = 0;
        bool seen = false;
    };
    std::unordered_map<int, Standing> standing;
    standing.reserve(prices.size());
    for (auto& [id, price] : prices)
        standing.emplace(id, Standing { price.get() });
    // For a large share of the table (the whole catalogue's sort) the table is
    // read straight through, passing over other products' rows: handed that
    // many ids, SQLite builds and probes an index of them, which costs more
    // than the reading itself. Otherwise the ids go in as one JSON array, one
    // statement for any number of them.
    std::shared_ptr<SQLResultSet> rs;
    if (productIds.size() * 2 >= static_cast<size_t>(db->intForQuery("select count(*) from corvelle_product_price"))) {
        rs = db->executeQuery("select * from corvelle_product_price");
    } else {
        std::string ids = "[";
        for (int id : productIds) {
            if (ids.size() > 1)
                ids += ',';
            ids += std::to_string(id);
        }
        ids += ']';
        rs = db->executeQuery(
            "select * from corvelle_product_price where product_id in (select value from json_each(?))", ids);
    }
    if (!rs)
        return prices;
    // Each column's place is found once, and every discount is judged
    // against the same moment.
    const RecordColumns::RowReader<corvelle_product_price_Entity> reader(*rs);
    const int productColumn = rs->columnIndexForName("product_id");
    const int priceColumn = rs->columnIndexForName("price_id");
    const double now = Formats::currentTimeInterval();
    while (rs->next()) {
        auto slot = standing.find(rs->intForColumnIndex(productColumn));
        if (slot == standing.end())
            continue;
        const int priceId = rs->intForColumnIndex(priceColumn);
        if (slot->second.seen && priceId < slot->second.priceId)
            continue;
        slot->second.seen = true;
        slot->second.priceId = priceId;
        reader.read(*rs, *slot->second.price);
        finishPrice(*slot->second.price, now);
    }
    return prices;
}

bool PriceModel::saveToDatabasePrice(const OptionalEntityList<corvelle_product_price_Entity>& prices)
{
    return saveInTransaction(
        prices, [](SQLDatabase& db, const corvelle_product_price_Entity& p) { return RecordColumns::saveRow(db, p); });
}

bool PriceModel::updateVersion()
{
    BaseDataModel::updateVersion();
    if (!alterProductPriceTable())
        return false;
    return alterProductPriceTableAddDiscountRat();
}

bool PriceModel::alterProductPriceTable()
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    // The rate column of the old table is copied too when it has one, so a
    // rebuild never drops the stored rates.
    const bool hadRate = db->columnExistsColumnName("corvelle_product_price", "discount_rat");
    const std::string copy = std::string("INSERT INTO corvelle_product_price SELECT ") + kCopiedColumns
        + (hadRate ? ",discount_rat" : ",NULL") + " FROM temp_corvelle_product_price";
    return db->inBatch([&](SQLDatabase& connection) {
        return connection.executeUpdate("ALTER TABLE corvelle_product_price RENAME TO temp_corvelle_product_price;")
            && connection.executeUpdate(kCreatePriceTable) && connection.executeUpdate(copy)
            && connection.executeUpdate("DROP TABLE temp_corvelle_product_price")
            // The old table's index went with it; prices are read by product on every catalogue page.
            && connection.executeUpdate("CREATE INDEX IF NOT EXISTS corvelle_product_price_product_index ON "
                                        "corvelle_product_price (product_id)");
    });
}

bool PriceModel::alterProductPriceTableAddDiscountRat()
{
    auto db = database();
    return db && db->goodConnection()
        && db->executeUpdate("ALTER TABLE corvelle_product_price ADD discount_rat double ");
}

double PriceModel::getPriceByProductId(int productId)
{
    auto db = database();
    auto rs
        = db ? db->executeQuery("select price from corvelle_product_price where product_id = ?", productId) : nullptr;
    double price = 0;
    if (rs) {
        while (rs->next())
            price = rs->doubleForColumn("price");
    }
    return price;
}

std::string PriceModel::getpriceCurrencyByProductId(int productId)
{
    auto db = database();
    auto rs = db ? db->executeQuery("select currency from corvelle_product_price where product_id = ?", productId)
                 : nullptr;
    std::string currency;
    if (rs) {
        while (rs->next())
            currency = rs->stringForColumn("currency").value_or(std::string());
    }
    return currency;
}

double PriceModel::getwholesalePriceByProductId(int productId)
{
    auto db = database();
    return db ? db->doubleForQuery("select wholesale_price from corvelle_product_price where product_id = ?", productId)
              : 0;
}

double PriceModel::getretailPriceByProductId(int productId)
{
    auto db = database();
    return db ? db->doubleForQuery("select retail_price from corvelle_product_price where product_id = ?", productId)
              : 0;
}
