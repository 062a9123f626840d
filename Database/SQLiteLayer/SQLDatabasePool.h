#pragma once

// Hands connections out to several threads and takes them back, keeping the
// idle and handed-out lists on a serial lock queue. Connections come from
// SQLDatabase::databaseWithPath, which always gives the one process-wide
// connection, so a pool never holds more than one distinct connection.
//
// The blocks given to inDatabase and the transaction forms run on the
// caller's thread; only the list changes go through the lock queue, so a
// block may use the pool again but must not run on its lock queue.
//
// Since there is only the one connection, it is lent to one thread at a
// time: a second thread asking for it waits until the first has given it
// back, while the thread that holds it may take it again (nested use) and
// gives it back as often as it took it.

#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Database/SQLiteLayer/SQLDatabasePoolDelegate.h"
#include "Platform/Foundation/Dispatch.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <optional>
#include <string>
#include <vector>

class SQLDatabasePool : public std::enable_shared_from_this<SQLDatabasePool> {
public:
    using DatabaseBlock = std::function<void(const std::shared_ptr<SQLDatabase>&)>;
    using TransactionBlock = std::function<void(const std::shared_ptr<SQLDatabase>&, bool& rollback)>;

    static std::shared_ptr<SQLDatabasePool> databasePoolWithPath(std::string path);
    explicit SQLDatabasePool(std::string path);
    SQLDatabasePool(const SQLDatabasePool&) = delete;
    SQLDatabasePool& operator=(const SQLDatabasePool&) = delete;
    ~SQLDatabasePool();

    void executeLocked(const std::function<void()>& block);

    // A connection taken out of the pool, or nothing (limit reached, open failed, refused by the delegate).
    std::shared_ptr<SQLDatabase> db();
    // A connection given back once more than it was taken is logged as
    // "Database already in pool" and otherwise ignored.
    void pushDatabaseBackInPool(const std::shared_ptr<SQLDatabase>& database);

    unsigned long countOfCheckedInDatabases();
    unsigned long countOfCheckedOutDatabases();
    unsigned long countOfOpenDatabases();
    void releaseAllDatabases();

    // Without a connection the blocks do not run.
    void inDatabase(const DatabaseBlock& block);
    void beginTransactionWithBlock(bool useDeferred, const TransactionBlock& block);
    void inDeferredTransaction(const TransactionBlock& block) { beginTransactionWithBlock(true, block); }
    void inTransaction(const TransactionBlock& block) { beginTransactionWithBlock(false, block); }
    // The savepoint's error, or the absence of a connection, as a value.
    std::optional<SQLError> inSavePoint(const TransactionBlock& block);

    std::string path();
    void setPath(std::string path);
    std::shared_ptr<SQLDatabasePoolDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<SQLDatabasePoolDelegate>& delegate) { m_delegate = delegate; }
    unsigned long maximumNumberOfDatabasesToCreate() const { return m_maximumNumberOfDatabasesToCreate; }
    void setMaximumNumberOfDatabasesToCreate(unsigned long value) { m_maximumNumberOfDatabasesToCreate = value; }

    std::string description() const;

private:
    static bool contains(
        const std::vector<std::shared_ptr<SQLDatabase>>& list, const std::shared_ptr<SQLDatabase>& database);

    std::string m_path;
    dispatch_queue_t m_lockQueue;
    std::vector<std::shared_ptr<SQLDatabase>> m_databaseInPool;
    std::vector<std::shared_ptr<SQLDatabase>> m_databaseOutPool;
    std::weak_ptr<SQLDatabasePoolDelegate> m_delegate;
    unsigned long m_maximumNumberOfDatabasesToCreate = 0;

    // Who holds the lent connection, and how many times over.
    std::mutex m_lendLock;
    std::condition_variable m_returned;
    std::thread::id m_holder;
    unsigned long m_holdCount = 0;
};
