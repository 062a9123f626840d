#pragma once

// Runs every piece of database work on one serial queue; the caller waits for
// each block. The connection is the process-wide one, shared with the
// data-access object, so closing the queue closes it for every user.

#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Platform/Foundation/Dispatch.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class SQLDatabaseQueue : public std::enable_shared_from_this<SQLDatabaseQueue> {
public:
    using DatabaseBlock = std::function<void(const std::shared_ptr<SQLDatabase>&)>;
    using TransactionBlock = std::function<void(const std::shared_ptr<SQLDatabase>&, bool& rollback)>;

    // Nothing when the database cannot be opened.
    static std::shared_ptr<SQLDatabaseQueue> databaseQueueWithPath(std::string path);
    SQLDatabaseQueue(const SQLDatabaseQueue&) = delete;
    SQLDatabaseQueue& operator=(const SQLDatabaseQueue&) = delete;
    ~SQLDatabaseQueue();

    // The kept connection, reopened after close; nothing when it cannot be opened.
    std::shared_ptr<SQLDatabase> database();

    // Without a connection the blocks do not run.
    void inDatabase(const DatabaseBlock& block);
    void beginTransactionWithBlock(bool useDeferred, const TransactionBlock& block);
    void inDeferredTransaction(const TransactionBlock& block) { beginTransactionWithBlock(true, block); }
    void inTransaction(const TransactionBlock& block) { beginTransactionWithBlock(false, block); }
    std::optional<SQLError> inSavePoint(const TransactionBlock& block);
    void close();

    std::string path();
    void setPath(std::string path);
    std::string description() const;

private:
    struct Passkey { };

public:
    SQLDatabaseQueue(Passkey, std::string path, std::shared_ptr<SQLDatabase> database);

private:
    std::string m_path;
    dispatch_queue_t m_queue;
    std::shared_ptr<SQLDatabase> m_db;
};
