#include "Database/SQLiteLayer/SQLDatabaseQueue.h"

#include "Platform/Foundation/NSLog.h"

#include <atomic>

std::shared_ptr<SQLDatabaseQueue> SQLDatabaseQueue::databaseQueueWithPath(std::string path)
{
    auto database = SQLDatabase::databaseWithPath(path);
    if (!database->open()) {
        NSLog("Could not create database queue for path %@", path);
        return nullptr;
    }
    return std::make_shared<SQLDatabaseQueue>(Passkey {}, std::move(path), std::move(database));
}

SQLDatabaseQueue::SQLDatabaseQueue(Passkey, std::string path, std::shared_ptr<SQLDatabase> database)
    : m_path(std::move(path))
    , m_db(std::move(database))
{
    m_queue = dispatch_queue_create(stringWithFormat("sqlitelayer.%@", description()).c_str());
}

SQLDatabaseQueue::~SQLDatabaseQueue() = default;

std::string SQLDatabaseQueue::description() const
{
    return stringWithFormat("<SQLDatabaseQueue: %p>", static_cast<const void*>(this));
}

std::shared_ptr<SQLDatabase> SQLDatabaseQueue::database()
{
    auto self = weak_from_this().lock();
    std::shared_ptr<SQLDatabase> result;
    // On the queue (at once when already there), so that it never races a close.
    dispatch_sync(m_queue, [&] {
        if (!m_db) {
            m_db = SQLDatabase::databaseWithPath(m_path);
            if (!m_db->open()) {
                NSLog("SQLDatabaseQueue could not reopen database for path %@", m_path);
                m_db.reset();
            }
        }
        result = m_db;
    });
    return result;
}

void SQLDatabaseQueue::inDatabase(const DatabaseBlock& block)
{
    auto self = weak_from_this().lock();
    dispatch_sync(m_queue, [&] {
        auto database = this->database();
        if (!database)
            return;
        if (block)
            block(database);
        if (database->hasOpenResultSets())
            NSLog("Warning: there is at least one open result set around after performing [SQLDatabaseQueue "
                  "inDatabase:]");
    });
}

void SQLDatabaseQueue::beginTransactionWithBlock(bool useDeferred, const TransactionBlock& block)
{
    auto self = weak_from_this().lock();
    dispatch_sync(m_queue, [&] {
        auto database = this->database();
        if (!database)
            return;
        database->inTransactionOfItsOwn(useDeferred, [&](bool& shouldRollback) {
            if (block)
                block(database, shouldRollback);
        });
    });
}

std::optional<SQLError> SQLDatabaseQueue::inSavePoint(const TransactionBlock& block)
{
    static std::atomic<long> savePointIndex { 0 };
    auto self = weak_from_this().lock();
    std::optional<SQLError> result;
    dispatch_sync(m_queue, [&] {
        const std::string name = stringWithFormat("savePoint%ld", savePointIndex.fetch_add(1));
        auto database = this->database();
        if (!database) {
            result = SQLError { "SQLDatabase", 1,
                stringWithFormat("SQLDatabaseQueue could not reopen database for path %@", m_path) };
            return;
        }
        result = database->inSavePointNamed(name, [&](bool& shouldRollback) {
            if (block)
                block(database, shouldRollback);
        });
    });
    return result;
}

void SQLDatabaseQueue::close()
{
    auto self = weak_from_this().lock();
    dispatch_sync(m_queue, [&] {
        if (m_db)
            m_db->close();
        m_db.reset();
    });
}

std::string SQLDatabaseQueue::path()
{
    std::string copy;
    dispatch_sync(m_queue, [&] { copy = m_path; });
    return copy;
}

void SQLDatabaseQueue::setPath(std::string path)
{
    auto self = weak_from_this().lock();
    dispatch_sync(m_queue, [&] { m_path = std::move(path); });
}
