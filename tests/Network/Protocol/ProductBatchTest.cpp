// A large product table reply is stored a batch at a time while it is read,
// inside one transaction: it must store exactly what the reply read whole
// stores, and a reply that turns bad after several batches must leave the
// tables, the marks and the pictures as they were.

#include "SessionRoad.h"

#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Database/SQLiteLayer/SQLResultSet.h"
#include "Network/Protocol/SyncCommands.h"
#include "Network/Protocol/SyncTables.h"
#include "Network/Protocol/TableReplyText.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Network/Protocol/QDJsonWriter.h"
#include "support/ClockFixture.h"

#include <algorithm>
#include <map>

namespace {

// Enough products for several batches and a part batch at the end.
constexpr int kProducts = 2 * int(RequestSyncAllTable::kProductBatch) + 1000;

const char* const kProductGroupTables[] = { "corvelle_product", "corvelle_product_attribute",
    "corvelle_fields_product_attribute", "corvelle_product_category_xref", "corvelle_product_price",
    "corvelle_product_related", "corvelle_image", "corvelle_category", "corvelle_product_related_file",
    "corvelle_product_tag", "corvelle_product_related_tag" };

std::string text(int n) { return std::to_string(n); }

Value object(std::initializer_list<std::pair<std::string, Value>> members) { return Value::dictionary(members); }

// Product 1 keeps the picture the fake server serves ("chair.png"); the
// others' pictures are unpublished, so the run fetches none of them.
Value catalogue(int products)
{
    Value list = Value::array();
    for (int id = 1; id <= products; ++id) {
        const bool chair = id == 1;
        list.append(object({ { "productID", text(id) }, { "productName", "Product " + text(id) },
            { "productSKU", "SKU-" + text(id) }, { "productStock", text(id % 50) }, { "publish", "1" },
            { "productParentList", Value::array({ Value(10 + id % 3) }) }, { "priceID", text(id) },
            { "price", text(10 + id % 990) }, { "currency", id % 2 ? "USD" : "CNY" },
            { "relatedSKUList", "SKU-" + text(id % 7 + 1) },
            { "attributes",
                Value::array({ object({ { "attributeId", text(id * 2) }, { "attributeFieldsId", "1" },
                                   { "attributeValue", id % 2 ? "Oak" : "Pine" } }),
                    object({ { "attributeId", text(id * 2 + 1) }, { "attributeFieldsId", "2" },
                        { "attributeValue", text(40 + id % 60) + " cm" } }) }) },
            { "images",
                Value::array({ object({ { "imageID", text(id) }, { "keyID", text(id) }, { "keyType", "product" },
                    { "thumbAddress", chair ? "chair_t.png" : "p" + text(id) + "_t.png" },
                    { "fullAddress", chair ? "chair.png" : "p" + text(id) + ".png" }, { "isDefault", "1" },
                    { "imagePublish", chair ? "1" : "0" } }) }) } }));
    }
    Value categories = Value::array();
    for (int id = 10; id <= 12; ++id) {
        categories.append(object({ { "categoryID", text(id) }, { "categoryName", "Group " + text(id) },
            { "categoryPublish", "1" }, { "categoryParentID", "0" } }));
    }
    Value fields = Value::array({ object({ { "attributeFieldsId", "1" }, { "attributeName", "Material" },
                                      { "display", "1" }, { "published", "1" } }),
        object({ { "attributeFieldsId", "2" }, { "attributeName", "Width" }, { "display", "1" },
            { "published", "1" } }) });
    Value relatedFiles
        = Value::array({ object({ { "productId", "1" }, { "productSku", "SKU-1" }, { "fileId", "5" } }) });
    Value tags = Value::array(
        { object({ { "id", "1" }, { "tagName", "New" } }), object({ { "id", "2" }, { "tagName", "Popular" } }) });
    Value tagLinks = Value::array();
    for (int id = 1; id <= 40; ++id)
        tagLinks.append(object({ { "tagId", text(1 + id % 2) }, { "productId", text(id) } }));
    return Value::array({ list, categories, fields, relatedFiles, tags, tagLinks });
}

// Every row of the product group's tables, each table's rows sorted.
std::map<std::string, std::vector<std::string>> productRows()
{
    std::map<std::string, std::vector<std::string>> rows;
    auto db = SQLDatabase::sharedDataBase();
    for (const char* table : kProductGroupTables) {
        auto& list = rows[table];
        auto rs = db->executeQuery(std::string("select * from ") + table);
        if (!rs)
            continue;
        while (rs->next()) {
            std::string row;
            for (int i = 0; i < rs->columnCount(); ++i)
                row += rs->stringForColumnIndex(i).value_or("(null)") + "|";
            list.push_back(std::move(row));
        }
        rs->close();
        std::sort(list.begin(), list.end());
    }
    return rows;
}

std::string stringDefault(const std::string& key)
{
    return NSUserDefaults::standardUserDefaults()->stringForKey(key).value_or("");
}

// Whether the text of a reply is one the engine reads an element at a time.
bool readsInPieces(const std::string& reply)
{
    TableReplyText::Sink ignore = [](size_t, const Value&) {};
    return TableReplyText::read(reply, SyncTables::kProductTables, ignore, ignore).has_value();
}

}  // namespace

TEST_F(SessionRoad, AProductReplyStoredInBatchesStoresTheRowsOfTheReplyReadWhole)
{
    ScopedManualClock clock;
    const Value content = catalogue(kProducts);
    const std::string plain = FakeCompanyServer::replyText(content, "200");
    ASSERT_TRUE(readsInPieces(plain));
    server.setContent(FakeCompanyServer::kSyncProduct, content);
    ASSERT_TRUE(signIn());
    ASSERT_TRUE(synchronise());
    EXPECT_EQ(stringDefault("ACME-ProductSynced"), "synced");
    const auto batched = productRows();
    EXPECT_EQ(batched.at("corvelle_product").size(), size_t(kProducts));
    EXPECT_EQ(batched.at("corvelle_product_attribute").size(), size_t(2 * kProducts));
    EXPECT_EQ(batched.at("corvelle_image").size(), size_t(kProducts));
    EXPECT_EQ(batched.at("corvelle_product_related_tag").size(), 40u);
    EXPECT_EQ(DataAccessManager::sharedDataModel()->getAllProducts().size(), size_t(kProducts));
    EXPECT_TRUE(exists("acme/ProductImages/chair.png"));

    // The same reply with a number beside its content is read as a whole tree.
    Value whole = Value::dictionary({ { "content", content }, { "count", Value(kProducts) },
        { "results", Value::array({ object({ { "detail", "" }, { "message", "" }, { "status", "200" } }) }) } });
    const std::string tree = QDJsonWriter().stringWithObject(whole).value_or("");
    ASSERT_FALSE(readsInPieces(tree));
    auto db = SQLDatabase::sharedDataBase();
    for (const char* table : kProductGroupTables)
        ASSERT_TRUE(db->executeUpdate(std::string("delete from ") + table)) << table;
    // Numbered rows start again from 1, as in a fresh database.
    ASSERT_TRUE(db->executeUpdate("delete from sqlite_sequence"));
    NSUserDefaults::standardUserDefaults()->removeObjectForKey("ACME-ProductSynced");
    server.setRawReply(FakeCompanyServer::kSyncProduct, tree);
    ASSERT_TRUE(synchronise());
    EXPECT_EQ(stringDefault("ACME-ProductSynced"), "synced");
    EXPECT_EQ(productRows(), batched);
}

TEST_F(SessionRoad, AProductReplyThatTurnsBadAfterSeveralBatchesStoresNothingAndMarksNothing)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    ASSERT_TRUE(synchronise());
    const auto before = productRows();
    ASSERT_EQ(before.at("corvelle_product").size(), 2u);
    ASSERT_TRUE(exists("acme/ProductImages/chair.png"));

    const Value good = catalogue(kProducts);
    // The tag links, the last table, as an object: the content's shape is
    // known to be wrong only after every product was read.
    Value misshapen = good;
    misshapen.mutableArray()[5] = Value::dictionary();
    enum class Bad { RefusedAtTheEnd, CutInTheMiddle, WrongShapeAtTheEnd };
    const struct {
        const char* what;
        Bad bad;
    } cases[] = {
        { "a refused status after the content", Bad::RefusedAtTheEnd },
        { "cut after half of the reply", Bad::CutInTheMiddle },
        { "the last table of the wrong shape", Bad::WrongShapeAtTheEnd },
    };
    const char* product = FakeCompanyServer::kSyncProduct;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        server.setContent(product, c.bad == Bad::WrongShapeAtTheEnd ? misshapen : good);
        if (c.bad == Bad::RefusedAtTheEnd)
            server.setStatus(product, "113");
        if (c.bad == Bad::CutInTheMiddle)
            server.setFault(product, FakeCompanyServer::Fault::CutBody);
        NSUserDefaults::standardUserDefaults()->removeObjectForKey("ACME-ProductSynced");
        NSUserDefaults::standardUserDefaults()->removeObjectForKey("ACME-lastsync");
        EXPECT_FALSE(synchronise());
        ASSERT_FALSE(syncDelegate->events.empty());
        EXPECT_EQ(syncDelegate->events.back().rfind("break:", 0), 0u) << syncDelegate->events.back();
        EXPECT_FALSE(syncDelegate->has("finished"));
        EXPECT_EQ(productRows(), before);
        EXPECT_EQ(stringDefault("ACME-ProductSynced"), "");
        EXPECT_EQ(stringDefault("ACME-lastsync"), "");
        // The reply changed the chair's picture record, but it never stood:
        // the picture stays.
        EXPECT_TRUE(exists("acme/ProductImages/chair.png"));
        EXPECT_TRUE(exists("acme/ProductImages/chair_t.png"));
        EXPECT_FALSE(SQLDatabase::sharedDataBase()->inTransaction());
        server.setStatus(product, std::nullopt);
        server.setFault(product, FakeCompanyServer::Fault::None);
    }

    // The same reply without its fault is stored whole.
    server.setContent(product, good);
    ASSERT_TRUE(synchronise());
    EXPECT_EQ(stringDefault("ACME-ProductSynced"), "synced");
    EXPECT_EQ(productRows().at("corvelle_product").size(), size_t(kProducts));
}
