#include "Database/SQLiteLayer/SQLDatabasePool.h"
#include "Database/SQLiteLayer/SQLDatabaseQueue.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSLog.h"

#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

class ConnectionSharing : public ::testing::Test {
protected:
    void SetUp() override
    {
        SQLDatabase::releaseDataBase();
        temporaryHome.emplace();
        folder = temporaryHome->scratch();
        path = folder + "/pool.sqlite";
        NSLogSetCapture([this](const std::string& line) {
            std::lock_guard guard(logLock);
            log.push_back(line);
        });
    }
    void TearDown() override
    {
        SQLDatabase::releaseDataBase();
        NSLogSetCapture(nullptr);
        temporaryHome.reset();
    }
    bool logged(const std::string& fragment)
    {
        std::lock_guard guard(logLock);
        for (const auto& line : log)
            if (line.find(fragment) != std::string::npos)
                return true;
        return false;
    }
    long rows() { return SQLDatabase::sharedDataBase()->longForQuery("select count(*) from t"); }

    std::optional<TemporaryHome> temporaryHome;
    std::string folder;
    std::string path;
    std::mutex logLock;
    std::vector<std::string> log;
};

struct Refuser : SQLDatabasePoolDelegate {
    std::optional<bool> databasePoolShouldAddDatabaseToPool(
        SQLDatabasePool&, const std::shared_ptr<SQLDatabase>&) override
    {
        return false;
    }
};

TEST_F(ConnectionSharing, PoolHandsOutTheSharedConnectionAndTakesItBackOnce)
{
    auto pool = SQLDatabasePool::databasePoolWithPath(path);
    auto first = pool->db();
    ASSERT_TRUE(first);
    EXPECT_EQ(first, SQLDatabase::sharedDataBase());
    EXPECT_EQ(pool->db(), first);  // the one connection, listed once, taken twice by this thread
    EXPECT_EQ(pool->countOfCheckedOutDatabases(), 1u);
    EXPECT_EQ(pool->countOfCheckedInDatabases(), 0u);

    pool->pushDatabaseBackInPool(first);
    EXPECT_EQ(pool->countOfCheckedOutDatabases(), 1u) << "the nested take is still out";
    pool->pushDatabaseBackInPool(first);
    EXPECT_EQ(pool->countOfCheckedInDatabases(), 1u);
    EXPECT_EQ(pool->countOfCheckedOutDatabases(), 0u);
    EXPECT_EQ(pool->countOfOpenDatabases(), 1u);
    // A push too many is logged, never thrown.
    pool->pushDatabaseBackInPool(first);
    EXPECT_TRUE(logged("Database already in pool"));
    EXPECT_EQ(pool->countOfOpenDatabases(), 1u);
    pool->pushDatabaseBackInPool(nullptr);
    pool->releaseAllDatabases();
    EXPECT_EQ(pool->countOfOpenDatabases(), 0u);
}

TEST_F(ConnectionSharing, PoolLendsTheConnectionToOneThreadAtATime)
{
    auto pool = SQLDatabasePool::databasePoolWithPath(path);
    pool->inDatabase([](const auto& db) { ASSERT_TRUE(db->executeUpdate("create table t (a)")); });
    constexpr int kRounds = 200;
    auto worker = [&](int value) {
        for (int i = 0; i < kRounds; ++i) {
            pool->inDatabase([&](const std::shared_ptr<SQLDatabase>& db) {
                // Nested use on the same thread takes the connection again.
                pool->inDatabase([&](const std::shared_ptr<SQLDatabase>& inner) { EXPECT_EQ(inner, db); });
                EXPECT_TRUE(db->executeUpdate("insert into t values (?)", value));
            });
            pool->inTransaction([&](const std::shared_ptr<SQLDatabase>& db, bool&) {
                EXPECT_TRUE(db->executeUpdate("insert into t values (?)", value));
            });
        }
    };
    std::thread first(worker, 1);
    std::thread second(worker, 2);
    first.join();
    second.join();
    EXPECT_EQ(rows(), 4 * kRounds);
    EXPECT_EQ(pool->countOfCheckedOutDatabases(), 0u);
    EXPECT_EQ(pool->countOfCheckedInDatabases(), 1u);
    EXPECT_FALSE(logged("already in pool"));
    EXPECT_FALSE(logged("currently in use"));
}

TEST_F(ConnectionSharing, PoolRefusesPastItsLimitAndWhenTheDelegateSaysNo)
{
    auto pool = SQLDatabasePool::databasePoolWithPath(path);
    pool->setMaximumNumberOfDatabasesToCreate(1);
    ASSERT_TRUE(pool->db());
    EXPECT_EQ(pool->db(), nullptr);
    EXPECT_TRUE(logged("Maximum number of databases (1) has already been reached!"));

    // A refusal leaves the shared connection open for those already using it.
    auto other = SQLDatabasePool::databasePoolWithPath(path);
    auto refuser = std::make_shared<Refuser>();
    other->setDelegate(refuser);
    EXPECT_EQ(other->db(), nullptr);
    EXPECT_TRUE(SQLDatabase::sharedDataBase()->goodConnection());
    EXPECT_EQ(other->countOfOpenDatabases(), 0u);

    // A connection the refused call opened itself is closed again.
    SQLDatabase::releaseDataBase();
    EXPECT_EQ(other->db(), nullptr);
    EXPECT_EQ(SQLDatabase::sharedDataBase()->sqliteHandle(), nullptr);

    auto unopenable = SQLDatabasePool::databasePoolWithPath(folder + "/missing/dir/x.sqlite");
    SQLDatabase::releaseDataBase();
    EXPECT_EQ(unopenable->db(), nullptr);
    EXPECT_TRUE(logged("Could not open up the database at path " + folder + "/missing/dir/x.sqlite"));
    EXPECT_TRUE(unopenable->inSavePoint([](auto&, bool&) { ADD_FAILURE() << "no connection, no block"; }).has_value());
}

TEST_F(ConnectionSharing, PoolTransactionsCommitOrRollBackAndReturnTheConnection)
{
    auto pool = SQLDatabasePool::databasePoolWithPath(path);
    pool->inDatabase([](const auto& db) { ASSERT_TRUE(db->executeUpdate("create table t (a)")); });
    struct Case {
        const char* form;
        bool rollback;
        long rowsAfter;
    };
    const Case cases[] = {
        { "transaction", false, 1 },
        { "transaction", true, 1 },
        { "deferred", false, 2 },
        { "deferred", true, 2 },
        { "savepoint", false, 3 },
        { "savepoint", true, 3 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.form) + (c.rollback ? " rolled back" : " committed"));
        auto block = [&](const std::shared_ptr<SQLDatabase>& db, bool& rollback) {
            EXPECT_TRUE(db->executeUpdate("insert into t values (?)", 1));
            rollback = c.rollback;
        };
        if (std::string(c.form) == "transaction")
            pool->inTransaction(block);
        else if (std::string(c.form) == "deferred")
            pool->inDeferredTransaction(block);
        else
            EXPECT_FALSE(pool->inSavePoint(block).has_value());
        EXPECT_EQ(rows(), c.rowsAfter);
        EXPECT_FALSE(SQLDatabase::sharedDataBase()->inTransaction());
        EXPECT_EQ(pool->countOfCheckedOutDatabases(), 0u);
        EXPECT_EQ(pool->countOfCheckedInDatabases(), 1u);
    }
    // A rolled-back outermost savepoint ends: later work commits on its own.
    pool->inSavePoint([](const auto&, bool& rollback) { rollback = true; });
    SQLDatabase::sharedDataBase()->executeUpdate("insert into t values (9)");
    SQLDatabase other(path);
    ASSERT_TRUE(other.open());
    EXPECT_EQ(other.longForQuery("select count(*) from t"), 4);
}

TEST_F(ConnectionSharing, TransactionThatCannotBeginDoesNotRunNorEndAnother)
{
    auto pool = SQLDatabasePool::databasePoolWithPath(path);
    auto queue = SQLDatabaseQueue::databaseQueueWithPath(path);
    ASSERT_TRUE(queue);
    pool->inDatabase([](const auto& db) { db->executeUpdate("create table t (a)"); });
    auto shared = SQLDatabase::sharedDataBase();
    const std::pair<const char*, std::function<void(const SQLDatabasePool::TransactionBlock&)>> ways[] = {
        { "the pool", [&](const auto& block) { pool->inTransaction(block); } },
        { "the queue", [&](const auto& block) { queue->inDeferredTransaction(block); } },
    };
    for (const auto& [way, transaction] : ways) {
        SCOPED_TRACE(way);
        ASSERT_TRUE(shared->beginTransaction());
        shared->executeUpdate("insert into t values (1)");
        bool ran = false;
        transaction([&](const auto&, bool&) { ran = true; });
        EXPECT_FALSE(ran);
        EXPECT_TRUE(shared->inTransaction());
        ASSERT_TRUE(shared->rollback());
        EXPECT_EQ(rows(), 0);
    }
    EXPECT_EQ(pool->countOfCheckedOutDatabases(), 0u);
}

TEST_F(ConnectionSharing, QueueIsNotMadeForADatabaseThatCannotOpen)
{
    const std::string bad = folder + "/missing/dir/x.sqlite";
    EXPECT_EQ(SQLDatabaseQueue::databaseQueueWithPath(bad), nullptr);
    EXPECT_TRUE(logged("Could not create database queue for path " + bad));
    // The failed open leaves nothing that a later open could take for a connection.
    EXPECT_FALSE(SQLDatabase::sharedDataBase()->open());
}

TEST_F(ConnectionSharing, QueueWarnsOfOpenResultSetsAndReopensAfterClose)
{
    auto queue = SQLDatabaseQueue::databaseQueueWithPath(path);
    ASSERT_TRUE(queue);
    EXPECT_EQ(queue->path(), path);
    std::shared_ptr<SQLResultSet> leftOpen;
    queue->inDatabase([&](const auto& db) {
        db->executeUpdate("create table t (a)");
        db->executeUpdate("insert into t values (1)");
        leftOpen = db->executeQuery("select a from t");
    });
    EXPECT_TRUE(logged(
        "Warning: there is at least one open result set around after performing [SQLDatabaseQueue inDatabase:]"));
    leftOpen->close();

    queue->close();
    EXPECT_EQ(SQLDatabase::sharedDataBase()->sqliteHandle(), nullptr);  // closed for every user
    auto reopened = queue->database();
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->longForQuery("select count(*) from t"), 1);
}

TEST_F(ConnectionSharing, QueueSerialisesWorkFromManyThreads)
{
    auto queue = SQLDatabaseQueue::databaseQueueWithPath(path);
    ASSERT_TRUE(queue);
    queue->inDatabase([](const auto& db) { db->executeUpdate("create table t (a)"); });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                queue->inTransaction([&](const auto& db, bool& rollback) {
                    db->executeUpdate("insert into t values (?)", t * 100 + i);
                    rollback = (i % 5 == 0);
                });
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(rows(), 80);
    auto error = queue->inSavePoint([](const auto& db, bool&) { db->executeUpdate("delete from t"); });
    EXPECT_FALSE(error.has_value());
    EXPECT_EQ(rows(), 0);
}

}  // namespace
