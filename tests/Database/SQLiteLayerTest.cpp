#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Database/SQLiteLayer/SQLResultSet.h"
#include "Platform/Foundation/NSLog.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

namespace {

class SQLiteLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        NSLogSetCapture([this](const std::string& line) { log.push_back(line); });
        db = std::make_shared<SQLDatabase>(std::nullopt);
        ASSERT_TRUE(db->open());
        db->setShouldCacheStatements(true);
        ASSERT_TRUE(db->executeUpdate("create table t (a, b)"));
    }
    void TearDown() override
    {
        db.reset();
        SQLDatabase::releaseDataBase();
        NSLogSetCapture(nullptr);
    }
    bool logged(const std::string& fragment) const
    {
        for (const auto& line : log)
            if (line.find(fragment) != std::string::npos)
                return true;
        return false;
    }
    std::shared_ptr<SQLDatabase> db;
    std::vector<std::string> log;
};

TEST_F(SQLiteLayer, SharedConnectionKeepsTheFirstPath)
{
    auto first = SQLDatabase::databaseWithPath(std::string("/tmp/first.sqlite"));
    auto second = SQLDatabase::databaseWithPath(std::string("/tmp/second.sqlite"));
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->databasePath(), std::optional<std::string>("/tmp/first.sqlite"));
    EXPECT_EQ(SQLDatabase::sharedDataBase(), first);
    SQLDatabase::releaseDataBase();
    EXPECT_EQ(SQLDatabase::sharedDataBase(), nullptr);
    EXPECT_TRUE(db->open());  // already open: true without reopening
}

TEST_F(SQLiteLayer, BindsEachKindOfValue)
{
    struct Case {
        Value value;
        const char* storedType;
        const char* storedText;
    };
    const Case cases[] = {
        { Value(), "null", "<null>" },
        { Value(true), "integer", "1" },
        { Value::integer(7, Value::NumberKind::Char), "integer", "1" },
        { Value(42), "integer", "42" },
        { Value(-5L), "integer", "-5" },
        { Value(1LL << 40), "integer", "1099511627776" },
        { Value(18446744073709551615ULL), "integer", "-1" },
        { Value(1.5f), "real", "1.5" },
        { Value(2.25), "real", "2.25" },
        { Value(7u), "text", "7" },
        { Value(Date { 86400 }), "real", "86400.0" },
        { Value(std::string("it's")), "text", "it's" },
        { Value(Data { 1, 2, 3 }), "blob", "\x01\x02\x03" },
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(db->executeUpdate("delete from t"));
        ASSERT_TRUE(db->executeUpdate("insert into t (a) values (?)", c.value)) << c.value.description();
        auto rs = db->executeQuery("select typeof(a) as kind, a from t");
        ASSERT_TRUE(rs && rs->next());
        EXPECT_EQ(rs->stringForColumn("kind"), c.storedType) << c.value.description();
        EXPECT_EQ(rs->stringForColumn("a").value_or("<null>"), c.storedText) << c.value.description();
        rs->close();
    }
}

// Plain C++ arguments are bound where they lie rather than through a Value;
// each must still store exactly as its Value would.
TEST_F(SQLiteLayer, PlainArgumentsStoreAsTheirValuesWould)
{
    auto stored = [&](const auto& argument) {
        EXPECT_TRUE(db->executeUpdate("delete from t"));
        EXPECT_TRUE(db->executeUpdate("insert into t (a) values (?)", argument));
        return db->stringForQuery("select typeof(a) || ':' || quote(a) from t").value_or("<none>");
    };
    auto same = [&](const auto& argument, const char* label) {
        EXPECT_EQ(stored(argument), stored(sqlValue(argument))) << label;
    };
    same(true, "bool");
    same(42, "int");
    same(-5L, "long");
    same(1LL << 40, "long long");
    same(1.1f, "float");
    same(2.25, "double");
    same(7u, "unsigned");
    same(Date { 86400.5 }, "date");
    same(std::optional<Date>(), "absent date");
    same(std::optional<Date>(Date { 3 }), "date present");
    same(std::string("it's"), "text");
    same(std::string(), "empty text");
    same(std::optional<std::string>(), "absent text");
    same(std::optional<std::string>("x"), "text present");
    same(nullptr, "null");
    same("literal", "literal");
}

// The statement stays cached after an update whose texts were bound in place;
// running it again with fewer arguments must bind NULL, never the gone text.
TEST_F(SQLiteLayer, ACachedUpdateNeverReadsAnEarlierCallsTexts)
{
    {
        const std::string gone(200, 'x');
        ASSERT_TRUE(db->executeUpdate("insert into t values (?, ?)", 1, gone));
    }
    ASSERT_TRUE(db->executeUpdate("insert into t values (?, ?)", 2));
    EXPECT_EQ(db->intForQuery("select count(*) from t where a = 2 and b is null"), 1);
    EXPECT_EQ(db->intForQuery("select length(b) from t where a = 1"), 200);
}

// Cached statements are found by their text: a buffer that later holds
// another text at the same place runs that other text.
TEST_F(SQLiteLayer, ACachedTextIsFoundByItsContentNotWhereItLies)
{
    std::string sql = "insert into t (a) values (1)";
    ASSERT_TRUE(db->executeUpdate(sql));
    ASSERT_TRUE(db->executeUpdate(sql));
    sql[sql.size() - 2] = '2';
    ASSERT_TRUE(db->executeUpdate(sql));
    db->clearCachedStatements();
    ASSERT_TRUE(db->executeUpdate(sql));
    EXPECT_EQ(db->stringForQuery("select group_concat(a) from (select a from t order by rowid)"), "1,1,2,2");
}

// A traced update logs its text and every value it binds, the NULL given to
// a parameter its arguments do not reach included, and still stores them.
TEST_F(SQLiteLayer, ATracedUpdateLogsEachBoundValue)
{
    ASSERT_TRUE(db->executeUpdate("create table u (a, b, c, d)"));
    db->setTraceExecution(true);
    ASSERT_TRUE(db->executeUpdate("insert into u values (?, ?, ?, ?)", 7, std::optional<std::string>("red"), 2.5));
    db->setTraceExecution(false);
    EXPECT_TRUE(logged("executeUpdate: insert into u values (?, ?, ?, ?)"));
    std::vector<std::string> bound;
    for (const auto& line : log)
        if (auto at = line.find("obj: "); at != std::string::npos)
            bound.push_back(line.substr(at + 5));
    ASSERT_EQ(bound.size(), 4u);
    EXPECT_EQ(bound[0], "7");
    EXPECT_EQ(bound[1], "red");
    EXPECT_EQ(bound[2], "2.5");
    EXPECT_EQ(
        db->stringForQuery("select a || ',' || b || ',' || c || ',' || ifnull(d, 'null') from u"), "7,red,2.5,null");
}

TEST_F(SQLiteLayer, OrderedValuesBeyondTheParametersAreIgnoredAndMissingOnesAreNull)
{
    ASSERT_TRUE(db->executeUpdate("insert into t values (?, ?)", 1, 2, 3));
    ASSERT_TRUE(db->executeUpdate("insert into t values (?, ?)", 4));
    EXPECT_EQ(db->intForQuery("select count(*) from t where b is null"), 1);
    EXPECT_EQ(db->intForQuery("select b from t where a = 1"), 2);
}

TEST_F(SQLiteLayer, AnUpdateThatReturnsARowFailsWithItsLogLine)
{
    EXPECT_FALSE(db->executeUpdate("select 1"));
    EXPECT_TRUE(logged("Unknown error calling sqlite3_step (100:"));
    EXPECT_FALSE(db->executeUpdate("insert into missing values (1)"));
    EXPECT_TRUE(logged("DB Query: insert into missing values (1)"));
}

TEST_F(SQLiteLayer, CachedQueriesRunAgainFromTheStartAndNestedUsesDoNotInterfere)
{
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(db->executeUpdate("insert into t values (?, ?)", i, i * 10));
    const char* sql = "select a from t where a >= ? order by a";
    auto first = db->executeQuery(sql, 1);
    ASSERT_TRUE(first->next());
    // The same text while the first cursor is still reading.
    auto nested = db->executeQuery(sql, 3);
    ASSERT_TRUE(nested && nested->next());
    EXPECT_EQ(nested->intForColumn("a"), 3);
    EXPECT_FALSE(nested->next());
    EXPECT_TRUE(first->next());
    EXPECT_EQ(first->intForColumn("a"), 2);
    first->close();
    auto again = db->executeQuery(sql, 1);
    ASSERT_TRUE(again->next());
    EXPECT_EQ(again->intForColumn("a"), 1);
}

TEST_F(SQLiteLayer, TransactionsAndSavepoints)
{
    ASSERT_TRUE(db->beginTransaction());
    EXPECT_FALSE(db->beginTransaction());
    EXPECT_TRUE(db->inTransaction());
    ASSERT_TRUE(db->executeUpdate("insert into t values (1, 1)"));
    ASSERT_TRUE(db->rollback());
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(db->intForQuery("select count(*) from t"), 0);

    auto error = db->inSavePoint([&](bool& rollback) {
        db->executeUpdate("insert into t values (2, 2)");
        rollback = true;
    });
    EXPECT_FALSE(error);
    EXPECT_EQ(db->intForQuery("select count(*) from t"), 0);
    EXPECT_TRUE(db->beginTransaction()) << "the savepoint must not leave a transaction open";
    db->commit();
}

TEST_F(SQLiteLayer, ClosingClosesOpenResultSets)
{
    ASSERT_TRUE(db->executeUpdate("insert into t values (1, 1)"));
    auto rs = db->executeQuery("select * from t");
    EXPECT_TRUE(db->hasOpenResultSets());
    EXPECT_TRUE(db->close());
    EXPECT_FALSE(rs->next());
    EXPECT_FALSE(db->executeUpdate("insert into t values (2, 2)"));
    EXPECT_TRUE(logged("is not open."));
}

TEST_F(SQLiteLayer, FormatFormsBindTheirArguments)
{
    ASSERT_TRUE(db->executeUpdateWithFormat("insert into t values (%d, %@)", 5, Value("x'y")));
    ASSERT_TRUE(db->executeUpdateWithFormat("insert into t values (%ld, %s)", 6L, "z"));
    EXPECT_EQ(db->intForQuery("select count(*) from t where b = 'x''y'"), 1);
    auto rs = db->executeQueryWithFormat("select b from t where a = %d and b like '%%'", 6);
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->stringForColumn("b"), "z");
}

TEST_F(SQLiteLayer, NamedValuesBindByNameAndMustMatchTheParameters)
{
    ValueDictionary values(std::initializer_list<ValueDictionary::Entry> { { "a", Value(1) }, { "b", Value("one") } });
    EXPECT_TRUE(db->executeUpdateWithParameterDictionary("insert into t values (:a, :b)", values));
    ValueDictionary tooMany(
        std::initializer_list<ValueDictionary::Entry> { { "a", Value(2) }, { "b", Value("two") }, { "c", Value(3) } });
    EXPECT_FALSE(db->executeUpdateWithParameterDictionary("insert into t values (:a, :b)", tooMany));
    EXPECT_TRUE(logged("Could not find index for c"));
    EXPECT_EQ(db->intForQuery("select count(*) from t"), 1);
}

// A name that matches no parameter leaves that parameter to NULL, whatever an
// earlier run of the cached statement bound there: a text bound in place (and
// gone since) or another call's named value.
TEST_F(SQLiteLayer, NamedValuesNeverReuseWhatAnEarlierRunBound)
{
    const std::string sql = "insert into t values (:a, :b)";
    const std::function<void()> earlierRuns[] = {
        [&] {
            const std::string gone(200, 'x');
            ASSERT_TRUE(db->executeUpdate(sql, 1, gone));
        },
        [&] {
            ValueDictionary named(
                std::initializer_list<ValueDictionary::Entry> { { "a", Value(1) }, { "b", Value("earlier") } });
            ASSERT_TRUE(db->executeUpdateWithParameterDictionary(sql, named));
        },
    };
    for (const auto& earlier : earlierRuns) {
        ASSERT_TRUE(db->executeUpdate("delete from t"));
        earlier();
        ValueDictionary misnamed(
            std::initializer_list<ValueDictionary::Entry> { { "a", Value(2) }, { "c", Value("unused") } });
        EXPECT_TRUE(db->executeUpdateWithParameterDictionary(sql, misnamed));
        EXPECT_EQ(db->stringForQuery("select typeof(b) from t where a = 2"), "null");
    }
}

TEST_F(SQLiteLayer, ResultSetGetters)
{
    ASSERT_TRUE(db->executeUpdate("insert into t values (?, ?)", Data {}, Date { 1234.5 }));
    auto rs = db->executeQuery("select a as useName, b from t");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->columnIndexForName("USENAME"), 0);
    auto blob = rs->dataForColumn("usename");
    ASSERT_TRUE(blob);
    EXPECT_TRUE(blob->empty());
    EXPECT_EQ(rs->dateForColumn("b"), Date { 1234.5 });
    EXPECT_EQ(rs->intForColumn("nothing"), 0);
    EXPECT_TRUE(logged("Warning: I could not find the column named 'nothing'."));
    auto dict = rs->resultDictionary();
    ASSERT_TRUE(dict);
    EXPECT_EQ((*dict)["b"].doubleValue(), 1234.5);
    EXPECT_FALSE(rs->next());
    EXPECT_FALSE(db->hasOpenResultSets());
}

TEST_F(SQLiteLayer, AdditionsAnswerSchemaQuestions)
{
    EXPECT_TRUE(db->tableExists("T"));
    EXPECT_FALSE(db->tableExists("u"));
    EXPECT_TRUE(db->columnExistsColumnName("t", "B"));
    EXPECT_FALSE(db->columnExistsColumnName("t", "c"));
    SQLError error;
    EXPECT_TRUE(db->validateSQLError("select a from t", &error));
    EXPECT_FALSE(db->validateSQLError("select c from t", &error));
    EXPECT_NE(error.description.find("no such column"), std::string::npos);
    EXPECT_FALSE(db->stringForQuery("select a from t"));
}

}  // namespace

// A reader whose table another connection holds locked, on a connection
// whose reset answers the lock's own code (not the plain "locked"), waits for
// the lock to go and reads every row, the ones written meanwhile included.
TEST(SQLResultSetLock, AReaderWaitsOutALockedTableAndLosesNoRow)
{
    TemporaryHome home;
    const std::string path = home.scratch() + "/shared.sqlite";
    std::mutex lock;
    std::condition_variable changed;
    bool readerWaits = false;
    std::vector<std::string> log;
    NSLogSetCapture([&](const std::string& line) {
        std::lock_guard guard(lock);
        log.push_back(line);
        if (line.find("Unexpected result from sqlite3_reset") != std::string::npos)
            readerWaits = true;
        changed.notify_all();
    });
    {
        auto writer = std::make_shared<SQLDatabase>(path);
        auto reader = std::make_shared<SQLDatabase>(path);
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_SHAREDCACHE;
        ASSERT_TRUE(writer->openWithFlags(flags));
        ASSERT_TRUE(reader->openWithFlags(flags));
        sqlite3_extended_result_codes(reader->sqliteHandle(), 1);
        // Bounded, so that a reader that never sees the lock go ends the test.
        reader->setBusyRetryTimeout(2000000);
        ASSERT_TRUE(writer->executeUpdate("create table t (a)"));
        ASSERT_TRUE(writer->executeUpdate("insert into t values (1), (2), (3)"));
        // The reader's statement is prepared before the lock is taken, so
        // that the lock meets the stepping and not the preparing.
        reader->setShouldCacheStatements(true);
        const char* query = "select a from t order by a";
        ASSERT_EQ(reader->intForQuery(query), 1);
        ASSERT_TRUE(writer->beginTransaction());
        ASSERT_TRUE(writer->executeUpdate("insert into t values (4)"));

        std::thread committer([&] {
            std::unique_lock guard(lock);
            changed.wait_for(guard, std::chrono::seconds(30), [&] { return readerWaits; });
            guard.unlock();
            writer->commit();
        });
        std::vector<int> rows;
        auto rs = reader->executeQuery(query);
        while (rs && rs->next())
            rows.push_back(rs->intForColumn("a"));
        committer.join();
        EXPECT_EQ(rows, (std::vector<int> { 1, 2, 3, 4 }));
        rs.reset();
        reader->close();
        writer->close();
    }
    NSLogSetCapture(nullptr);
    EXPECT_TRUE(readerWaits);
    for (const auto& line : log) {
        EXPECT_EQ(line.find("error calling sqlite3_step"), std::string::npos) << line;
        EXPECT_EQ(line.find("Database busy"), std::string::npos) << line;
    }
}

// A change whose table another connection holds locked, on a connection whose
// reset answers the lock's own code (not the plain "locked"), waits for the
// lock to go and is made; it is neither given up nor reported made when not.
TEST(SQLDatabaseLock, AChangeWaitsOutALockedTableAndIsMade)
{
    TemporaryHome home;
    const std::string path = home.scratch() + "/shared.sqlite";
    std::mutex lock;
    std::condition_variable changed;
    bool changeWaits = false;
    std::vector<std::string> log;
    NSLogSetCapture([&](const std::string& line) {
        std::lock_guard guard(lock);
        log.push_back(line);
        if (line.find("Unexpected result from sqlite3_reset") != std::string::npos)
            changeWaits = true;
        changed.notify_all();
    });
    {
        auto holder = std::make_shared<SQLDatabase>(path);
        auto changer = std::make_shared<SQLDatabase>(path);
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_SHAREDCACHE;
        ASSERT_TRUE(holder->openWithFlags(flags));
        ASSERT_TRUE(changer->openWithFlags(flags));
        sqlite3_extended_result_codes(changer->sqliteHandle(), 1);
        // Bounded, so that a change that never sees the lock go ends the test.
        changer->setBusyRetryTimeout(2000000);
        ASSERT_TRUE(holder->executeUpdate("create table t (a)"));
        // The change is prepared before the lock is taken, so that the lock
        // meets the stepping and not the preparing.
        changer->setShouldCacheStatements(true);
        const char* change = "insert into t values (?)";
        ASSERT_TRUE(changer->executeUpdate(change, 1));
        ASSERT_TRUE(holder->beginTransaction());
        ASSERT_TRUE(holder->executeUpdate("insert into t values (2)"));

        std::thread committer([&] {
            std::unique_lock guard(lock);
            changed.wait_for(guard, std::chrono::seconds(30), [&] { return changeWaits; });
            guard.unlock();
            holder->commit();
        });
        const bool made = changer->executeUpdate(change, 3);
        committer.join();
        EXPECT_TRUE(made);
        std::vector<int> rows;
        auto rs = holder->executeQuery("select a from t order by a");
        while (rs && rs->next())
            rows.push_back(rs->intForColumn("a"));
        rs.reset();
        EXPECT_EQ(rows, (std::vector<int> { 1, 2, 3 }));
        changer->close();
        holder->close();
    }
    NSLogSetCapture(nullptr);
    EXPECT_TRUE(changeWaits);
    for (const auto& line : log) {
        EXPECT_EQ(line.find("rror calling sqlite3_step"), std::string::npos) << line;
        EXPECT_EQ(line.find("Database busy"), std::string::npos) << line;
    }
}

// A connection with a retry limit that meets a file another connection holds
// gives up after its tries wherever it meets the lock (preparing, stepping a
// change or a read, checking a text), answers failure and says where; nothing
// it tried reaches the file.
TEST(SQLBusyWait, EveryWaitIsGivenUpAtTheRetryLimit)
{
    TemporaryHome home;
    const std::string path = home.scratch() + "/held.sqlite";
    std::vector<std::string> log;
    NSLogSetCapture([&](const std::string& line) { log.push_back(line); });
    SQLDatabase holder(path);
    ASSERT_TRUE(holder.open());
    ASSERT_TRUE(holder.executeUpdate("create table t (a)"));
    ASSERT_TRUE(holder.executeUpdate("insert into t values (1)"));

    struct Case {
        const char* name;
        // The schema is read before the file is held: the lock then meets the step, not the prepare.
        bool schemaRead;
        std::function<bool(SQLDatabase&)> run;
        const char* where;
    };
    const Case cases[] = {
        { "preparing a change", false, [](SQLDatabase& db) { return db.executeUpdate("insert into t values (?)", 9); },
            "orVAList:]:726" },
        { "preparing a read", false, [](SQLDatabase& db) { return db.executeQuery("select a from t") != nullptr; },
            "orVAList:]:547" },
        { "checking a text", false, [](SQLDatabase& db) { return db.validateSQLError("select a from t", nullptr); },
            "validateSQL:error:]:135" },
        { "stepping a change", true, [](SQLDatabase& db) { return db.executeUpdate("insert into t values (?)", 9); },
            "orVAList:]:842" },
        { "stepping a read", true,
            [](SQLDatabase& db) {
                auto rs = db.executeQuery("select a from t");
                return rs && rs->next();
            },
            "[SQLResultSet next]:184" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        SQLDatabase waiter(path);
        ASSERT_TRUE(waiter.open());
        waiter.setBusyRetryTimeout(3);
        if (c.schemaRead) {
            ASSERT_EQ(waiter.intForQuery("select count(*) from t"), 1);
        }
        ASSERT_TRUE(holder.beginTransaction());
        EXPECT_FALSE(c.run(waiter));
        bool saidWhere = false;
        bool saidBusy = false;
        for (const auto& line : log) {
            saidWhere = saidWhere || line.find(c.where) != std::string::npos;
            saidBusy = saidBusy || line == "Database busy";
        }
        EXPECT_TRUE(saidWhere);
        EXPECT_TRUE(saidBusy);
        ASSERT_TRUE(holder.rollback());
        EXPECT_EQ(holder.intForQuery("select count(*) from t"), 1);
        EXPECT_TRUE(waiter.close());
    }
    NSLogSetCapture(nullptr);
}
