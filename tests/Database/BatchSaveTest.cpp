#include "DatabaseFixture.h"

#include "Database/ProductModel.h"

#include <sqlite3.h>

#include <thread>

namespace {

// Every batch save is all or nothing: the fixtures below make SQLite refuse
// part of a batch (a full disk, a read-only file, no schema, a second thread)
// and look at the tables through a second connection afterwards, where a
// transaction left open or half committed would show.
class BatchSave : public DatabaseFixture {
protected:
    static EntityList<corvelle_tag_entity> tags(int count, int firstId, size_t nameLength = 8)
    {
        EntityList<corvelle_tag_entity> list;
        for (int i = 0; i < count; ++i) {
            auto tag = std::make_shared<corvelle_tag_entity>();
            tag->tag_id = firstId + i;
            tag->tag_name = std::to_string(firstId + i) + std::string(nameLength, 't');
            list.push_back(std::move(tag));
        }
        return list;
    }
    static EntityList<corvelle_product_Entity> products(int count, int firstId, size_t nameLength = 8)
    {
        EntityList<corvelle_product_Entity> list;
        for (int i = 0; i < count; ++i) {
            auto p = std::make_shared<corvelle_product_Entity>();
            p->product_id = firstId + i;
            p->product_sku = "SKU" + std::to_string(firstId + i);
            p->product_name = std::string(nameLength, 'n');
            p->product_publish = 1;
            list.push_back(std::move(p));
        }
        return list;
    }
    // Counts through a connection of its own, which sees only what was committed.
    long committedCount(const std::string& table)
    {
        SQLDatabase reader(DataAccessManager::dataFilePath());
        EXPECT_TRUE(reader.openWithFlags(SQLITE_OPEN_READONLY));
        return reader.longForQuery("select count(*) from " + table);
    }
};

TEST_F(BatchSave, AFullDiskLeavesEveryTableWholeOrAsBefore)
{
    auto manager = dam();
    ASSERT_TRUE(manager->saveToDatabaseProductTag(tags(100, 1)));
    ASSERT_TRUE(manager->saveToDatabaseProduct(products(50, 1)));
    ASSERT_EQ(committedCount("corvelle_product_tag"), 100);

    // The file may not grow more than a few pages: a large batch runs out of room midway.
    const long pages = db()->longForQuery("PRAGMA page_count");
    ASSERT_GT(db()->longForQuery(stringWithFormat("PRAGMA max_page_count = %ld", pages + 4)), 0);

    EXPECT_FALSE(manager->saveToDatabaseProductTag(tags(5000, 1000, 200)))
        << "delete-all then insert must not lose the old tags";
    EXPECT_FALSE(manager->saveToDatabaseProduct(products(5000, 1000, 200)));
    EXPECT_FALSE(db()->hasOpenTransaction());
    EXPECT_FALSE(db()->inTransaction());
    EXPECT_EQ(committedCount("corvelle_product_tag"), 100);
    EXPECT_EQ(committedCount("corvelle_product"), 50);
    EXPECT_EQ(manager->getAllProducts().size(), 50u);

    // Room again: the same connection saves whole batches.
    db()->longForQuery("PRAGMA max_page_count = 1073741823");
    EXPECT_TRUE(manager->saveToDatabaseProductTag(tags(300, 1000, 200)));
    EXPECT_EQ(committedCount("corvelle_product_tag"), 300);
}

TEST_F(BatchSave, ReadOnlyAndSchemaLessDatabasesAnswerFalse)
{
    dam();
    ASSERT_TRUE(dam()->saveToDatabaseProductTag(tags(10, 1)));
    const std::string path = DataAccessManager::dataFilePath();

    // The shared connection opened read-only: the models take it as it is.
    signIn("Acme", "sales01");
    auto readOnly = SQLDatabase::databaseWithPath(path);
    ASSERT_TRUE(readOnly->openWithFlags(SQLITE_OPEN_READONLY));
    auto manager = dam();
    ASSERT_EQ(manager->dataModelList().size(), 17u);
    EXPECT_FALSE(manager->saveToDatabaseProductTag(tags(20, 100)));
    EXPECT_FALSE(manager->saveToDatabaseProduct(products(5, 1)));
    EXPECT_FALSE(readOnly->hasOpenTransaction());
    EXPECT_EQ(committedCount("corvelle_product_tag"), 10);

    // A database without the tables: every insert fails, so does the save.
    signIn("Acme", "sales01");
    auto empty = SQLDatabase::databaseWithPath(std::nullopt);
    ASSERT_TRUE(empty->open());
    ProductModel model;
    EXPECT_FALSE(model.saveToDatabaseProductTag(tags(3, 1)));
    EXPECT_FALSE(model.saveToDatabaseProduct(products(3, 1)));
    EXPECT_FALSE(model.saveToDatabaseProductTag(EntityList<corvelle_tag_entity> {}));
    EXPECT_FALSE(empty->hasOpenTransaction());
}

TEST_F(BatchSave, ABatchInsideACallersTransactionNeverCommitsIt)
{
    auto manager = dam();
    ASSERT_TRUE(db()->beginTransaction());
    EXPECT_TRUE(manager->saveToDatabaseProduct(products(3, 1)));
    // (A second connection cannot look now: the caller's transaction locks the file.)
    EXPECT_TRUE(db()->hasOpenTransaction()) << "the caller's transaction is still open";

    // A failing batch undoes only itself.
    auto broken = products(3, 10);
    ASSERT_TRUE(db()->executeUpdate("create temp trigger refuse before insert on corvelle_product when new.product_id "
                                    "= 12 begin select raise(abort, 'no'); end"));
    EXPECT_FALSE(manager->saveToDatabaseProduct(broken));
    EXPECT_TRUE(db()->hasOpenTransaction());
    EXPECT_EQ(db()->longForQuery("select count(*) from corvelle_product"), 3);

    ASSERT_TRUE(db()->commit());
    EXPECT_EQ(committedCount("corvelle_product"), 3);
}

TEST_F(BatchSave, AFailedRowStopsTheBatchAndNothingOfItStays)
{
    auto manager = dam();
    ASSERT_TRUE(manager->saveToDatabaseProductTag(tags(5, 1)));
    ASSERT_TRUE(db()->executeUpdate("create temp trigger refuse before insert on corvelle_product_tag when new.tag_id "
                                    "= 57 begin select raise(abort, 'no'); end"));
    EXPECT_FALSE(manager->saveToDatabaseProductTag(tags(20, 50)));
    EXPECT_FALSE(db()->hasOpenTransaction());
    EXPECT_EQ(committedCount("corvelle_product_tag"), 5);
    EXPECT_TRUE(manager->saveToDatabaseProductTag(tags(5, 60)));
    EXPECT_EQ(committedCount("corvelle_product_tag"), 5);
    EXPECT_EQ(db()->longForQuery("select min(tag_id) from corvelle_product_tag"), 60);
}

TEST_F(BatchSave, TwoThreadsSavingAtOnceLoseNoRows)
{
    auto manager = dam();
    constexpr int kRounds = 20;
    constexpr int kRows = 50;
    std::atomic<int> failures { 0 };
    auto worker = [&](int base) {
        for (int round = 0; round < kRounds; ++round) {
            if (!manager->saveToDatabaseProduct(products(kRows, base + round * kRows)))
                ++failures;
        }
    };
    std::thread first(worker, 1);
    std::thread second(worker, 100000);
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_FALSE(db()->hasOpenTransaction());
    EXPECT_EQ(committedCount("corvelle_product"), 2 * kRounds * kRows);
    EXPECT_FALSE(logged("currently in use"));
}

}  // namespace
