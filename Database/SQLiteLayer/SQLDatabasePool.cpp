#include "Database/SQLiteLayer/SQLDatabasePool.h"

#include "Platform/Foundation/NSLog.h"

#include <algorithm>
#include <atomic>

namespace {

SQLError noConnectionError()
{
    return SQLError { "SQLDatabase", 1, "No database connection could be taken from the pool" };
}

}  // namespace

std::shared_ptr<SQLDatabasePool> SQLDatabasePool::databasePoolWithPath(std::string path)
{
    return std::make_shared<SQLDatabasePool>(std::move(path));
}

SQLDatabasePool::SQLDatabasePool(std::string path)
    : m_path(std::move(path))
{
    m_lockQueue = dispatch_queue_create(stringWithFormat("sqlitelayer.%@", description()).c_str());
}

SQLDatabasePool::~SQLDatabasePool() { m_delegate.reset(); }

std::string SQLDatabasePool::description() const
{
    return stringWithFormat("<SQLDatabasePool: %p>", static_cast<const void*>(this));
}

void SQLDatabasePool::executeLocked(const std::function<void()>& block)
{
    dispatch_sync(m_lockQueue, [&] { block(); });
}

bool SQLDatabasePool::contains(
    const std::vector<std::shared_ptr<SQLDatabase>>& list, const std::shared_ptr<SQLDatabase>& database)
{
    return std::find(list.begin(), list.end(), database) != list.end();
}

std::shared_ptr<SQLDatabase> SQLDatabasePool::db()
{
    std::unique_lock lend(m_lendLock);
    const auto me = std::this_thread::get_id();
    m_returned.wait(lend, [&] { return m_holdCount == 0 || m_holder == me; });
    std::shared_ptr<SQLDatabase> result;
    executeLocked([&] {
        if (!m_databaseInPool.empty()) {
            result = m_databaseInPool.back();
            m_databaseInPool.pop_back();
            m_databaseOutPool.push_back(result);
            return;
        }
        const unsigned long limit = m_maximumNumberOfDatabasesToCreate;
        if (limit > 0 && m_databaseInPool.size() + m_databaseOutPool.size() >= limit) {
            NSLog("Maximum number of databases (%ld) has already been reached!", static_cast<long>(limit));
            return;
        }
        auto database = SQLDatabase::databaseWithPath(m_path);
        // The connection is the process-wide one: when the delegate refuses it,
        // only a connection this call opened is closed again, so that its other
        // users keep theirs.
        const bool wasOpen = database->sqliteHandle() != nullptr;
        if (!database->open()) {
            NSLog("Could not open up the database at path %@", m_path);
            return;
        }
        if (auto delegate = m_delegate.lock()) {
            auto answer = delegate->databasePoolShouldAddDatabaseToPool(*this, database);
            if (answer && !*answer) {
                if (!wasOpen)
                    database->close();
                return;
            }
        }
        if (!contains(m_databaseOutPool, database))
            m_databaseOutPool.push_back(database);
        result = std::move(database);
    });
    if (result) {
        m_holder = me;
        ++m_holdCount;
    }
    return result;
}

void SQLDatabasePool::pushDatabaseBackInPool(const std::shared_ptr<SQLDatabase>& database)
{
    if (!database)
        return;
    std::lock_guard lend(m_lendLock);
    // Nested takes by the holding thread give it back only with the last push.
    if (m_holdCount > 1 && m_holder == std::this_thread::get_id()) {
        --m_holdCount;
        return;
    }
    bool alreadyIdle = false;
    executeLocked([&] {
        if (contains(m_databaseInPool, database)) {
            alreadyIdle = true;
            return;
        }
        m_databaseInPool.push_back(database);
        m_databaseOutPool.erase(
            std::remove(m_databaseOutPool.begin(), m_databaseOutPool.end(), database), m_databaseOutPool.end());
    });
    // A push too many is the caller's slip, not a reason to end the process.
    if (alreadyIdle) {
        NSLog("Database already in pool: The SQLDatabase being put back into the pool is already present in the pool");
        return;
    }
    m_holdCount = 0;
    m_holder = std::thread::id();
    m_returned.notify_all();
}

unsigned long SQLDatabasePool::countOfCheckedInDatabases()
{
    unsigned long count = 0;
    executeLocked([&] { count = m_databaseInPool.size(); });
    return count;
}

unsigned long SQLDatabasePool::countOfCheckedOutDatabases()
{
    unsigned long count = 0;
    executeLocked([&] { count = m_databaseOutPool.size(); });
    return count;
}

unsigned long SQLDatabasePool::countOfOpenDatabases()
{
    unsigned long count = 0;
    executeLocked([&] { count = m_databaseInPool.size() + m_databaseOutPool.size(); });
    return count;
}

void SQLDatabasePool::releaseAllDatabases()
{
    std::lock_guard lend(m_lendLock);
    executeLocked([&] {
        m_databaseInPool.clear();
        m_databaseOutPool.clear();
    });
    m_holdCount = 0;
    m_holder = std::thread::id();
    m_returned.notify_all();
}

void SQLDatabasePool::inDatabase(const DatabaseBlock& block)
{
    auto database = db();
    if (!database)
        return;
    if (block)
        block(database);
    pushDatabaseBackInPool(database);
}

void SQLDatabasePool::beginTransactionWithBlock(bool useDeferred, const TransactionBlock& block)
{
    auto database = db();
    if (!database)
        return;
    database->inTransactionOfItsOwn(useDeferred, [&](bool& shouldRollback) {
        if (block)
            block(database, shouldRollback);
    });
    pushDatabaseBackInPool(database);
}

std::optional<SQLError> SQLDatabasePool::inSavePoint(const TransactionBlock& block)
{
    static std::atomic<long> savePointIndex { 0 };
    const std::string name = stringWithFormat("savePoint%ld", savePointIndex.fetch_add(1));
    auto database = db();
    if (!database)
        return noConnectionError();
    auto result = database->inSavePointNamed(name, [&](bool& shouldRollback) {
        if (block)
            block(database, shouldRollback);
    });
    pushDatabaseBackInPool(database);
    return result;
}

std::string SQLDatabasePool::path()
{
    std::string copy;
    executeLocked([&] { copy = m_path; });
    return copy;
}

void SQLDatabasePool::setPath(std::string path)
{
    executeLocked([&] { m_path = std::move(path); });
}
