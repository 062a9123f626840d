#pragma once

// The only code that talks to SQLite. One SQLDatabase wraps one connection;
// the process keeps a single shared connection in a class-level slot
// (databaseWithPath / sharedDataBase / releaseDataBase), which every table
// model uses.
//
// Statements are prepared once per SQL text when caching is on, bound from
// ordered values, named values or the variadic forms, and retried while the
// database answers busy or locked. Queries hand out SQLResultSet cursors that
// the caller owns; the connection keeps a non-owning list of them so that
// closing the connection closes them too. Failures are values (nothing,
// false, 0) plus free-text log lines; nothing throws.
//
// The system uses the connection from the main thread, but nothing stops a
// second thread from reaching the shared slot: each statement holds the
// connection's lock while it is prepared, bound and run, and a batch
// (inBatch) holds it from its first statement to its commit, so another
// thread's work waits instead of failing or landing inside the batch.

#include "Database/SQLiteLayer/SQLBindings.h"
#include "Database/SQLiteLayer/SQLError.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Value.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_value;

class SQLResultSet;
class SQLStatement;

// The connection's lock: one thread holds it at a time, and the thread that
// holds it takes it again freely (each statement of a batch, a result set
// closing inside one). The holder is checked first, so taking it again, which
// every statement of a batch does, costs a comparison rather than a call.
class SQLConnectionLock {
public:
    void lock()
    {
        const std::thread::id self = std::this_thread::get_id();
        // Only this thread ever stores its own id here, so a relaxed read is exact.
        if (m_holder.load(std::memory_order_relaxed) == self) {
            ++m_depth;
            return;
        }
        m_mutex.lock();
        m_holder.store(self, std::memory_order_relaxed);
        m_depth = 1;
    }
    void unlock()
    {
        if (--m_depth > 0)
            return;
        m_holder.store(std::thread::id(), std::memory_order_relaxed);
        m_mutex.unlock();
    }

private:
    std::mutex m_mutex;
    std::atomic<std::thread::id> m_holder {};
    unsigned m_depth = 0;
};

class SQLDatabase {
public:
    using FunctionBlock = std::function<void(sqlite3_context*, int, sqlite3_value**)>;

    // The process-wide connection: created by the first call, whatever path
    // later calls give, until releaseDataBase.
    static std::shared_ptr<SQLDatabase> databaseWithPath(std::optional<std::string> path);
    static std::shared_ptr<SQLDatabase> sharedDataBase();
    static void releaseDataBase();
    static void resetSQLiteLayer();
    static std::string sqliteLibVersion();
    static bool isSQLiteThreadSafe();

    // initWithPath: an absent path is an in-memory database.
    explicit SQLDatabase(std::optional<std::string> path);
    SQLDatabase(const SQLDatabase&) = delete;
    SQLDatabase& operator=(const SQLDatabase&) = delete;
    ~SQLDatabase();

    bool open();
    bool openWithFlags(int flags);
    bool close();
    bool goodConnection();
    bool databaseExists();
    const std::optional<std::string>& databasePath() const { return m_databasePath; }
    sqlite3* sqliteHandle() const { return m_db; }
    bool rekey(const Data& key);
    bool setKey(const Data& key);
    std::string description() const;

    // Queries. The variadic form reads as many values as the statement has parameters.
    template <typename... Args> std::shared_ptr<SQLResultSet> executeQuery(std::string_view sql, const Args&... args)
    {
        const Value values[] = { sqlValue(args)..., Value() };
        return executeQueryWithArgumentsInArrayOrDictionaryOrVAList(
            sql, nullptr, nullptr, std::span<const Value>(values, sizeof...(Args)));
    }
    std::shared_ptr<SQLResultSet> executeQueryWithArgumentsInArray(std::string_view sql, const ValueArray& arguments);
    std::shared_ptr<SQLResultSet> executeQueryWithParameterDictionary(
        std::string_view sql, const ValueDictionary& arguments);
    template <typename... Args>
    std::shared_ptr<SQLResultSet> executeQueryWithFormat(std::string_view format, const Args&... args)
    {
        std::string sql;
        ValueArray values;
        extractSQLArgumentsListIntoStringArguments(format, { FormatArg(args)... }, sql, values);
        return executeQueryWithArgumentsInArray(sql, values);
    }
    std::shared_ptr<SQLResultSet> executeQueryWithArgumentsInArrayOrDictionaryOrVAList(std::string_view sql,
        const ValueArray* arrayArgs, const ValueDictionary* dictionaryArgs, std::span<const Value> vaList);

    // Updates: true on success. The variadic forms bind their arguments
    // where they lie (SQLBindings); the others bind copies of their values.
    template <typename... Args> bool executeUpdate(std::string_view sql, const Args&... args)
    {
        return updateBinding(sql, nullptr, args...);
    }
    bool executeUpdateWithArgumentsInArray(std::string_view sql, const ValueArray& arguments);
    bool executeUpdateWithParameterDictionary(std::string_view sql, const ValueDictionary& arguments);
    template <typename... Args> bool executeUpdateWithFormat(std::string_view format, const Args&... args)
    {
        std::string sql;
        ValueArray values;
        extractSQLArgumentsListIntoStringArguments(format, { FormatArg(args)... }, sql, values);
        return executeUpdateWithArgumentsInArray(sql, values);
    }
    template <typename... Args>
    bool updateWithErrorAndBindings(std::string_view sql, SQLError* error, const Args&... args)
    {
        return updateBinding(sql, error, args...);
    }
    bool executeUpdateErrorWithArgumentsInArrayOrDictionaryOrVAList(std::string_view sql, SQLError* error,
        const ValueArray* arrayArgs, const ValueDictionary* dictionaryArgs, std::span<const Value> vaList);

    // Turns a format with %@, %d, %s ... into SQL with "?" and the ordered values.
    static void extractSQLArgumentsListIntoStringArguments(
        std::string_view format, std::initializer_list<FormatArg> arguments, std::string& sql, ValueArray& values);

    int64_t lastInsertRowId();
    int changes();
    std::string lastErrorMessage();
    int lastErrorCode();
    bool hadError();
    SQLError lastError();

    // Transactions and savepoints.
    bool beginTransaction();
    bool beginDeferredTransaction();
    bool commit();
    bool rollback();
    bool inTransaction() const { return m_inTransaction; }
    // Whether SQLite holds a transaction open right now; it ends one by itself
    // on some failures (disk full, I/O errors), which the flag above cannot see.
    bool hasOpenTransaction() const;
    // Runs `body` as one all-or-nothing batch: in a transaction of its own, or
    // in a savepoint when the caller already holds a transaction (which the
    // batch then never commits). `body` answers false at its first failed
    // statement; the batch then undoes everything it did and answers false.
    bool inBatch(const std::function<bool(SQLDatabase&)>& body);
    // Runs `body`'s reads in one transaction of their own (or in the caller's,
    // when one is open): a screen's rows then come from one state of the file,
    // which is locked once for all of them rather than once per statement.
    void readInOneTransaction(const std::function<void(SQLDatabase&)>& body);
    bool startSavePointWithNameError(std::string_view name, SQLError* error);
    bool releaseSavePointWithNameError(std::string_view name, SQLError* error);
    bool rollbackToSavePointWithNameError(std::string_view name, SQLError* error);
    std::optional<SQLError> inSavePoint(const std::function<void(bool& rollback)>& block);
    // Runs `block` in a transaction it begins (deferred or not), committed
    // unless the block asks for a rollback. When none can begin nothing runs:
    // the work must not run outside one, nor end a transaction someone else
    // holds on a shared connection.
    void inTransactionOfItsOwn(bool deferred, const std::function<void(bool& rollback)>& block);
    // The same under a name the caller chose (the pool and the queue keep their own counters).
    std::optional<SQLError> inSavePointNamed(const std::string& name, const std::function<void(bool& rollback)>& block);

    // Statement cache and result sets.
    bool shouldCacheStatements() const { return m_shouldCacheStatements; }
    void setShouldCacheStatements(bool value);
    std::shared_ptr<SQLStatement> cachedStatementForQuery(std::string_view query);
    void setCachedStatementForQuery(const std::shared_ptr<SQLStatement>& statement, std::string_view query);
    void clearCachedStatements();
    size_t cachedStatementCount() const { return m_cachedStatements.size(); }
    bool hasOpenResultSets() const { return !m_openResultSets.empty(); }
    void closeOpenResultSets();
    void resultSetDidClose(SQLResultSet* resultSet);

    // SQL functions implemented by callbacks; they live as long as the connection.
    void makeFunctionNamedMaximumArgumentsWithBlock(std::string_view name, int arguments, FunctionBlock block);

    // Options.
    bool logsErrors() const { return m_logsErrors; }
    void setLogsErrors(bool v) { m_logsErrors = v; }
    bool crashOnErrors() const { return m_crashOnErrors; }
    void setCrashOnErrors(bool v) { m_crashOnErrors = v; }
    bool traceExecution() const { return m_traceExecution; }
    void setTraceExecution(bool v) { m_traceExecution = v; }
    bool checkedOut() const { return m_checkedOut; }
    void setCheckedOut(bool v) { m_checkedOut = v; }
    int busyRetryTimeout() const { return m_busyRetryTimeout; }
    void setBusyRetryTimeout(int v) { m_busyRetryTimeout = v; }
    bool isExecutingStatement() const { return m_isExecutingStatement; }

    // Additions (SQLDatabaseAdditions.cpp): single values, schema questions, validation.
    template <typename... Args> std::optional<std::string> stringForQuery(std::string_view sql, const Args&... args);
    template <typename... Args> int intForQuery(std::string_view sql, const Args&... args);
    template <typename... Args> long longForQuery(std::string_view sql, const Args&... args);
    template <typename... Args> bool boolForQuery(std::string_view sql, const Args&... args);
    template <typename... Args> double doubleForQuery(std::string_view sql, const Args&... args);
    template <typename... Args> std::optional<Data> dataForQuery(std::string_view sql, const Args&... args);
    template <typename... Args> std::optional<Date> dateForQuery(std::string_view sql, const Args&... args);
    bool tableExists(std::string_view name);
    std::shared_ptr<SQLResultSet> getSchema();
    std::shared_ptr<SQLResultSet> getTableSchema(std::string_view tableName);
    bool columnExistsColumnName(std::string_view tableName, std::string_view columnName);
    bool validateSQLError(std::string_view sql, SQLError* error);
    // What makes an open file unusable as a database (not a database, a
    // schema that cannot be read or has no tables, a file cut short), or
    // nothing when its schema reads whole.
    std::optional<std::string> schemaDamage();

    void warnInUse();

private:
    struct Prepared;
    // Points into the cache, and is forgotten whenever the cache changes.
    struct RecentStatement {
        const char* text = nullptr;
        size_t size = 0;
        SQLStatement* statement = nullptr;
    };
    // Finds cached statements by their SQL text without copying it.
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view> {}(text); }
    };
    using BindArguments = void (*)(const void* arguments, SQLBindings& bindings);

    template <typename... Args> bool updateBinding(std::string_view sql, SQLError* error, const Args&... args)
    {
        const auto arguments = std::forward_as_tuple(args...);
        const BindArguments bindAll = [](const void* packed, SQLBindings& bindings) {
            std::apply(
                [&bindings](const auto&... each) {
                    int index = 0;
                    (bindings.bind(++index, each), ...);
                    bindings.finish(index);
                },
                *static_cast<const decltype(arguments)*>(packed));
        };
        return executeUpdateBoundBy(sql, error, bindAll, &arguments);
    }
    bool executeUpdateBoundBy(std::string_view sql, SQLError* error, BindArguments bindAll, const void* arguments);
    bool stepUpdate(Prepared& prepared, std::string_view sql, SQLError* error);
    [[gnu::noinline]] bool finishUpdate(Prepared& prepared, std::string_view sql, SQLError* error, int firstStep);
    void forgetRecentStatements();
    SQLStatement* findCachedStatement(std::string_view query);
    void dropFailedHandle();
    bool prepare(std::string_view sql, bool forUpdate, Prepared& out);
    [[gnu::noinline]] bool prepareInFull(std::string_view sql, bool forUpdate, Prepared& out);
    bool bind(Prepared& prepared, const ValueArray* arrayArgs, const ValueDictionary* dictionaryArgs,
        std::span<const Value> vaList, bool forUpdate, std::string_view sql);
    void bindObjectToColumnInStatement(const Value& value, int index, struct sqlite3_stmt* statement);
    template <typename T, typename Read> T singleValue(std::shared_ptr<SQLResultSet> rs, T none, Read read);

    sqlite3* m_db = nullptr;
    std::optional<std::string> m_databasePath;
    bool m_logsErrors = false;
    bool m_crashOnErrors = false;
    bool m_traceExecution = false;
    bool m_checkedOut = false;
    int m_busyRetryTimeout = 0;
    bool m_shouldCacheStatements = false;
    bool m_isExecutingStatement = false;
    bool m_inTransaction = false;
    SQLConnectionLock m_lock;
    std::unordered_map<std::string, std::shared_ptr<SQLStatement>, TextHash, std::equal_to<>> m_cachedStatements;
    // The last statements found, by where their text lies: a call site that
    // runs one text row after row finds it without hashing the text again.
    std::array<RecentStatement, 8> m_recentStatements;
    size_t m_nextRecent = 0;
    std::unordered_map<SQLResultSet*, std::weak_ptr<SQLResultSet>> m_openResultSets;
    std::vector<std::unique_ptr<FunctionBlock>> m_openFunctions;

    friend class SQLResultSet;
};

#include "Database/SQLiteLayer/SQLResultSet.h"

template <typename T, typename Read> T SQLDatabase::singleValue(std::shared_ptr<SQLResultSet> rs, T none, Read read)
{
    if (!rs || !rs->next())
        return none;
    T value = read(*rs);
    rs->close();
    return value;
}

template <typename... Args>
std::optional<std::string> SQLDatabase::stringForQuery(std::string_view sql, const Args&... args)
{
    return singleValue<std::optional<std::string>>(
        executeQuery(sql, args...), std::nullopt, [](SQLResultSet& rs) { return rs.stringForColumnIndex(0); });
}

template <typename... Args> int SQLDatabase::intForQuery(std::string_view sql, const Args&... args)
{
    return singleValue<int>(executeQuery(sql, args...), 0, [](SQLResultSet& rs) { return rs.intForColumnIndex(0); });
}

template <typename... Args> long SQLDatabase::longForQuery(std::string_view sql, const Args&... args)
{
    return singleValue<long>(executeQuery(sql, args...), 0, [](SQLResultSet& rs) { return rs.longForColumnIndex(0); });
}

template <typename... Args> bool SQLDatabase::boolForQuery(std::string_view sql, const Args&... args)
{
    return singleValue<bool>(
        executeQuery(sql, args...), false, [](SQLResultSet& rs) { return rs.boolForColumnIndex(0); });
}

template <typename... Args> double SQLDatabase::doubleForQuery(std::string_view sql, const Args&... args)
{
    return singleValue<double>(
        executeQuery(sql, args...), 0.0, [](SQLResultSet& rs) { return rs.doubleForColumnIndex(0); });
}

template <typename... Args> std::optional<Data> SQLDatabase::dataForQuery(std::string_view sql, const Args&... args)
{
    return singleValue<std::optional<Data>>(
        executeQuery(sql, args...), std::nullopt, [](SQLResultSet& rs) { return rs.dataForColumnIndex(0); });
}

template <typename... Args> std::optional<Date> SQLDatabase::dateForQuery(std::string_view sql, const Args&... args)
{
    return singleValue<std::optional<Date>>(
        executeQuery(sql, args...), std::nullopt, [](SQLResultSet& rs) { return rs.dateForColumnIndex(0); });
}
