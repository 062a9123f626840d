#include "Database/SQLiteLayer/SQLDatabase.h"

#include "Database/SQLiteLayer/SQLBusyWait.h"
#include "Database/SQLiteLayer/SQLResultSet.h"
#include "Database/SQLiteLayer/SQLStatement.h"
#include "Platform/Foundation/NSLog.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

std::shared_ptr<SQLDatabase>& sharedSlot()
{
    static std::shared_ptr<SQLDatabase> slot;
    return slot;
}

}  // namespace

void sqlPauseForLock() { std::this_thread::sleep_for(std::chrono::microseconds(20)); }

int sqlResetAfterLockedStep(sqlite3_stmt* stmt, int code, const char* where)
{
    if ((code & 0xff) != SQLITE_LOCKED)
        return code;
    const int resetResult = sqlite3_reset(stmt);
    if (resetResult == SQLITE_LOCKED)
        return code;
    NSLog("Unexpected result from sqlite3_reset (%d) %s", resetResult, where);
    return resetResult;
}

namespace {

constexpr const char* kQueryOperation = "-[SQLDatabase executeQuery:withArgumentsInArray:orDictionary:orVAList:]";
constexpr const char* kUpdateOperation
    = "-[SQLDatabase executeUpdate:error:withArgumentsInArray:orDictionary:orVAList:]";

void sqlBlockFunctionBridge(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    auto* block = static_cast<SQLDatabase::FunctionBlock*>(sqlite3_user_data(context));
    if (block && *block)
        (*block)(context, argc, argv);
}

// Savepoint names are ours, but a quote in one must not end the literal.
std::string quotedName(std::string_view name)
{
    std::string out;
    for (char c : name) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

[[gnu::cold, gnu::noinline]] void logCloseFailure(sqlite3* db, int closeResult, std::string_view sql)
{
    NSLog("Unknown error finalizing or resetting statement (%d: %s)", closeResult, sqlite3_errmsg(db));
    NSLog("DB Query: %@", sql);
}

}  // namespace

// The cache owns a cached statement for as long as the lock is held, so a
// run needs no share of it of its own.
struct SQLDatabase::Prepared {
    SQLStatement* cached = nullptr;
    sqlite3_stmt* handle = nullptr;
};

std::shared_ptr<SQLDatabase> SQLDatabase::databaseWithPath(std::optional<std::string> path)
{
    auto& slot = sharedSlot();
    if (!slot)
        slot = std::make_shared<SQLDatabase>(std::move(path));
    return slot;
}

std::shared_ptr<SQLDatabase> SQLDatabase::sharedDataBase() { return sharedSlot(); }

void SQLDatabase::releaseDataBase()
{
    auto& slot = sharedSlot();
    if (!slot)
        return;
    std::shared_ptr<SQLDatabase> ending = std::move(slot);
    slot.reset();
    ending->close();
}

void SQLDatabase::resetSQLiteLayer() { releaseDataBase(); }

std::string SQLDatabase::sqliteLibVersion() { return sqlite3_libversion(); }

bool SQLDatabase::isSQLiteThreadSafe() { return sqlite3_threadsafe() != 0; }

SQLDatabase::SQLDatabase(std::optional<std::string> path)
    : m_databasePath(std::move(path))
{
    if (!sqlite3_threadsafe()) {
        std::fprintf(stderr, "Assertion failed: sqlite3_threadsafe()\n");
        std::abort();
    }
}

SQLDatabase::~SQLDatabase() { close(); }

std::string SQLDatabase::description() const
{
    return stringWithFormat("<SQLDatabase: %p>", static_cast<const void*>(this));
}

bool SQLDatabase::open()
{
    if (m_db)
        return true;
    const std::string path = m_databasePath ? *m_databasePath : std::string(":memory:");
    int rc = sqlite3_open(path.c_str(), &m_db);
    if (rc != SQLITE_OK) {
        NSLog("error opening!: %d", rc);
        dropFailedHandle();
        return false;
    }
    return true;
}

bool SQLDatabase::openWithFlags(int flags)
{
    const std::string path = m_databasePath ? *m_databasePath : std::string(":memory:");
    int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        NSLog("error opening!: %d", rc);
        dropFailedHandle();
        return false;
    }
    return true;
}

// SQLite hands back a handle even when opening fails; keeping it would make
// the next open answer true for a connection that never opened.
void SQLDatabase::dropFailedHandle()
{
    if (m_db)
        sqlite3_close(m_db);
    m_db = nullptr;
}

bool SQLDatabase::close()
{
    clearCachedStatements();
    closeOpenResultSets();
    if (!m_db)
        return true;
    bool triedFinalizingOpenStatements = false;
    const SQLBusyWait closed = sqlRetryWhileBusy(
        m_busyRetryTimeout, [this] { return sqlite3_close(m_db); },
        [this, &triedFinalizingOpenStatements](int code) {
            if (!triedFinalizingOpenStatements) {
                triedFinalizingOpenStatements = true;
                sqlite3_stmt* stmt;
                while ((stmt = sqlite3_next_stmt(m_db, nullptr))) {
                    NSLog("Closing leaked statement");
                    sqlite3_finalize(stmt);
                }
            }
            return code;
        });
    if (closed.gaveUp) {
        NSLog("%s:%d", "-[SQLDatabase close]", 147);
        NSLog("Database busy, unable to close");
        return false;
    }
    if (closed.code != SQLITE_OK)
        NSLog("error closing!: %d", closed.code);
    m_db = nullptr;
    m_inTransaction = false;
    return true;
}

bool SQLDatabase::goodConnection()
{
    if (!m_db)
        return false;
    auto rs = executeQuery("select name from sqlite_master where type='table'");
    if (rs) {
        rs->close();
        return true;
    }
    return false;
}

bool SQLDatabase::databaseExists()
{
    if (!m_db) {
        NSLog("The SQLDatabase %@ is not open.", description());
        return false;
    }
    return true;
}

bool SQLDatabase::rekey(const Data&) { return false; }

bool SQLDatabase::setKey(const Data&) { return false; }

void SQLDatabase::warnInUse() { NSLog("The SQLDatabase %@ is currently in use.", description()); }

// A text run before, on an open connection that is not tracing, takes its
// kept statement here; everything else takes the full steps.
bool SQLDatabase::prepare(std::string_view sql, bool forUpdate, Prepared& out)
{
    if (m_db && !m_isExecutingStatement && !m_traceExecution && m_shouldCacheStatements) [[likely]] {
        SQLStatement* cached = findCachedStatement(sql);
        if (cached && cached->statement && !cached->inUse) [[likely]] {
            m_isExecutingStatement = true;
            out.cached = cached;
            out.handle = cached->statement;
            return true;
        }
    }
    return prepareInFull(sql, forUpdate, out);
}

// Steps 1 to 5 of preparing, shared by queries and updates.
bool SQLDatabase::prepareInFull(std::string_view sql, bool forUpdate, Prepared& out)
{
    if (!databaseExists())
        return false;
    if (m_isExecutingStatement) {
        warnInUse();
        return false;
    }
    m_isExecutingStatement = true;
    if (m_traceExecution)
        NSLog(forUpdate ? "%@ executeUpdate: %@" : "%@ executeQuery: %@", description(), sql);

    if (m_shouldCacheStatements) {
        SQLStatement* cached = findCachedStatement(sql);
        // A statement whose rows a result set still reads cannot be rebound;
        // that use gets a statement of its own.
        if (cached && cached->statement && !cached->inUse) {
            out.cached = cached;
            out.handle = cached->statement;
            return true;
        }
    }

    const SQLBusyWait prepared = sqlRetryWhileBusy(m_busyRetryTimeout,
        [&] { return sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &out.handle, nullptr); });
    if (prepared.gaveUp) {
        NSLog("%s:%d Database busy (%@)", forUpdate ? kUpdateOperation : kQueryOperation, forUpdate ? 726 : 547,
            m_databasePath.value_or(std::string()));
        NSLog("Database busy");
        sqlite3_finalize(out.handle);
        out.handle = nullptr;
        m_isExecutingStatement = false;
        return false;
    }
    if (prepared.code != SQLITE_OK) {
        if (forUpdate || m_logsErrors) {
            NSLog("DB Error: %d \"%@\"", lastErrorCode(), lastErrorMessage());
            NSLog("DB Query: %@", sql);
            NSLog("DB Path: %@", m_databasePath.value_or(std::string()));
        }
        if (forUpdate && m_logsErrors) {
            NSLog("DB Error: %d \"%@\"", lastErrorCode(), lastErrorMessage());
            NSLog("DB Query: %@", sql);
            NSLog("DB Path: %@", m_databasePath.value_or(std::string()));
        }
        sqlite3_finalize(out.handle);
        out.handle = nullptr;
        m_isExecutingStatement = false;
        return false;
    }
    return true;
}

void SQLDatabase::bindObjectToColumnInStatement(const Value& value, int index, sqlite3_stmt* statement)
{
    SQLBindings::bindValue(statement, index, value);
}

bool SQLDatabase::bind(Prepared& prepared, const ValueArray* arrayArgs, const ValueDictionary* dictionaryArgs,
    std::span<const Value> vaList, bool forUpdate, std::string_view sql)
{
    sqlite3_stmt* stmt = prepared.handle;
    const int queryCount = sqlite3_bind_parameter_count(stmt);
    if (dictionaryArgs) {
        // Names reach only the parameters they match: the others must be
        // NULL, never what an earlier run of a cached statement left bound
        // (a value of another call, or a text bound in place and gone since).
        sqlite3_clear_bindings(stmt);
        int bound = 0;
        for (const auto& [key, value] : *dictionaryArgs) {
            const std::string parameterName = stringWithFormat(":%@", key);
            const int index = sqlite3_bind_parameter_index(stmt, parameterName.c_str());
            if (index < 1) {
                NSLog("Could not find index for %@", key);
                continue;
            }
            bindObjectToColumnInStatement(value, index, stmt);
            ++bound;
        }
        if (static_cast<int>(dictionaryArgs->size()) != queryCount) {
            if (forUpdate)
                NSLog("Error: the bind count is not correct for the # of variables (%@) (executeUpdate)", sql);
            else
                NSLog("Error: the bind count is not correct for the # of variables (executeQuery)");
            if (prepared.cached)
                prepared.cached->reset();
            else
                sqlite3_finalize(stmt);
            prepared.handle = nullptr;
            m_isExecutingStatement = false;
            return false;
        }
        return true;
    }
    std::span<const Value> values = arrayArgs ? std::span<const Value>(arrayArgs->begin(), arrayArgs->end()) : vaList;
    for (int index = 1; index <= queryCount; ++index) {
        const size_t position = static_cast<size_t>(index - 1);
        // A caller that gives fewer values than parameters gets NULL for the rest,
        // never a value left bound from an earlier run of a cached statement.
        const Value& value = position < values.size() ? values[position] : nullValue();
        if (m_traceExecution)
            NSLog("obj: %@", value);
        bindObjectToColumnInStatement(value, index, stmt);
    }
    return true;
}

std::shared_ptr<SQLResultSet> SQLDatabase::executeQueryWithArgumentsInArray(
    std::string_view sql, const ValueArray& arguments)
{
    return executeQueryWithArgumentsInArrayOrDictionaryOrVAList(sql, &arguments, nullptr, {});
}

std::shared_ptr<SQLResultSet> SQLDatabase::executeQueryWithParameterDictionary(
    std::string_view sql, const ValueDictionary& arguments)
{
    return executeQueryWithArgumentsInArrayOrDictionaryOrVAList(sql, nullptr, &arguments, {});
}

std::shared_ptr<SQLResultSet> SQLDatabase::executeQueryWithArgumentsInArrayOrDictionaryOrVAList(std::string_view sql,
    const ValueArray* arrayArgs, const ValueDictionary* dictionaryArgs, std::span<const Value> vaList)
{
    std::lock_guard guard(m_lock);
    Prepared prepared;
    if (!prepare(sql, false, prepared))
        return nullptr;
    if (!bind(prepared, arrayArgs, dictionaryArgs, vaList, false, sql))
        return nullptr;

    std::shared_ptr<SQLStatement> statement = prepared.cached ? prepared.cached->shared_from_this() : nullptr;
    if (!statement) {
        statement = std::make_shared<SQLStatement>(prepared.handle, std::string(sql));
        if (m_shouldCacheStatements && !cachedStatementForQuery(sql))
            setCachedStatementForQuery(statement, sql);
    }
    auto rs = SQLResultSet::resultSetWithStatementUsingParentDatabase(statement, this);
    rs->setQuery(std::string(sql));
    m_openResultSets[rs.get()] = rs;
    statement->useCount += 1;
    m_isExecutingStatement = false;
    return rs;
}

bool SQLDatabase::executeUpdateWithArgumentsInArray(std::string_view sql, const ValueArray& arguments)
{
    return executeUpdateErrorWithArgumentsInArrayOrDictionaryOrVAList(sql, nullptr, &arguments, nullptr, {});
}

bool SQLDatabase::executeUpdateWithParameterDictionary(std::string_view sql, const ValueDictionary& arguments)
{
    return executeUpdateErrorWithArgumentsInArrayOrDictionaryOrVAList(sql, nullptr, nullptr, &arguments, {});
}

bool SQLDatabase::executeUpdateErrorWithArgumentsInArrayOrDictionaryOrVAList(std::string_view sql, SQLError* error,
    const ValueArray* arrayArgs, const ValueDictionary* dictionaryArgs, std::span<const Value> vaList)
{
    std::lock_guard guard(m_lock);
    Prepared prepared;
    if (!prepare(sql, true, prepared)) {
        if (error && m_db)
            *error = SQLError { lastErrorMessage(), lastErrorCode(), lastErrorMessage() };
        return false;
    }
    if (!bind(prepared, arrayArgs, dictionaryArgs, vaList, true, sql))
        return false;
    return stepUpdate(prepared, sql, error);
}

bool SQLDatabase::executeUpdateBoundBy(
    std::string_view sql, SQLError* error, BindArguments bindAll, const void* arguments)
{
    std::lock_guard guard(m_lock);
    Prepared prepared;
    if (!prepare(sql, true, prepared)) {
        if (error && m_db)
            *error = SQLError { lastErrorMessage(), lastErrorCode(), lastErrorMessage() };
        return false;
    }
    SQLBindings bindings(prepared.handle,
        prepared.cached ? prepared.cached->parameterCount : sqlite3_bind_parameter_count(prepared.handle),
        m_traceExecution);
    bindAll(arguments, bindings);
    return stepUpdate(prepared, sql, error);
}

// A kept statement that runs through is reset and done here; waits, errors
// and statements to keep or finalize take the full steps.
bool SQLDatabase::stepUpdate(Prepared& prepared, std::string_view sql, SQLError* error)
{
    const int rc = sqlite3_step(prepared.handle);
    if (rc == SQLITE_DONE && prepared.cached) [[likely]] {
        prepared.cached->useCount += 1;
        const int closeResult = sqlite3_reset(prepared.handle);
        if (closeResult != SQLITE_OK && closeResult != rc) [[unlikely]]
            logCloseFailure(m_db, closeResult, sql);
        m_isExecutingStatement = false;
        return true;
    }
    return finishUpdate(prepared, sql, error, rc);
}

bool SQLDatabase::finishUpdate(Prepared& prepared, std::string_view sql, SQLError* error, int firstStep)
{
    sqlite3_stmt* stmt = prepared.handle;
    // Whatever a reset says, a locked table means the change is not made:
    // wait and step again rather than give it up at the first answer.
    bool first = true;
    const SQLBusyWait stepped = sqlRetryWhileBusy(
        m_busyRetryTimeout,
        [&] {
            if (first) {
                first = false;
                return firstStep;
            }
            return sqlite3_step(stmt);
        },
        [stmt](int code) { return sqlResetAfterLockedStep(stmt, code, "eu"); });
    int rc = stepped.code;
    const bool gaveUp = stepped.gaveUp;
    if (gaveUp) {
        NSLog("%s:%d Database busy (%@)", kUpdateOperation, 842, m_databasePath.value_or(std::string()));
        NSLog("Database busy");
    }

    // A change given up on a lock is no change, whatever the reset answered.
    if (gaveUp && (rc == SQLITE_OK || rc == SQLITE_DONE))
        rc = SQLITE_BUSY;
    if (!gaveUp && rc != SQLITE_DONE && rc != SQLITE_OK) {
        if (rc == SQLITE_ERROR)
            NSLog("Error calling sqlite3_step (%d: %s) SQLITE_ERROR", rc, sqlite3_errmsg(m_db));
        else if (rc == SQLITE_MISUSE)
            NSLog("Error calling sqlite3_step (%d: %s) SQLITE_MISUSE", rc, sqlite3_errmsg(m_db));
        else
            NSLog("Unknown error calling sqlite3_step (%d: %s) eu", rc, sqlite3_errmsg(m_db));
        NSLog("DB Query: %@", sql);
        if (error)
            *error = SQLError { "SQLDatabase", rc, sqlite3_errmsg(m_db) };
    }

    // A kept statement may still point into the caller's texts, which go
    // after this call; that is safe because every later run binds every
    // parameter before it steps (the named route clears what it does not bind).
    int closeResult = 0;
    if (prepared.cached) {
        prepared.cached->useCount += 1;
        closeResult = sqlite3_reset(stmt);
    } else if (m_shouldCacheStatements && !cachedStatementForQuery(sql)) {
        auto statement = std::make_shared<SQLStatement>(stmt, std::string(sql));
        setCachedStatementForQuery(statement, sql);
        closeResult = sqlite3_reset(stmt);
    } else {
        closeResult = sqlite3_finalize(stmt);
    }
    // A failed step's code comes back again from reset; only a new failure is news.
    if (closeResult != SQLITE_OK && closeResult != rc)
        logCloseFailure(m_db, closeResult, sql);
    m_isExecutingStatement = false;
    return rc == SQLITE_DONE || rc == SQLITE_OK;
}

void SQLDatabase::extractSQLArgumentsListIntoStringArguments(
    std::string_view format, std::initializer_list<FormatArg> arguments, std::string& sql, ValueArray& values)
{
    auto next = arguments.begin();
    auto take = [&]() -> const FormatArg* { return next != arguments.end() ? &*next++ : nullptr; };
    auto asSigned = [](const FormatArg* a) -> int64_t {
        if (!a)
            return 0;
        switch (a->kind()) {
        case FormatArg::Kind::Signed:
            return a->signedValue();
        case FormatArg::Kind::Unsigned:
            return static_cast<int64_t>(a->unsignedValue());
        case FormatArg::Kind::Real:
            return static_cast<int64_t>(a->realValue());
        case FormatArg::Kind::Text:
            return std::strtoll(std::string(a->textValue()).c_str(), nullptr, 10);
        case FormatArg::Kind::Object:
            return a->objectValue() ? a->objectValue()->longLongValue() : 0;
        default:
            return 0;
        }
    };
    auto asReal = [&](const FormatArg* a) -> double {
        if (a && a->kind() == FormatArg::Kind::Real)
            return a->realValue();
        if (a && a->kind() == FormatArg::Kind::Object && a->objectValue())
            return a->objectValue()->doubleValue();
        return static_cast<double>(asSigned(a));
    };
    auto asObject = [](const FormatArg* a) -> Value {
        if (!a)
            return Value();
        switch (a->kind()) {
        case FormatArg::Kind::Object:
            return a->objectValue() ? *a->objectValue() : Value();
        case FormatArg::Kind::Text:
            return Value(std::string(a->textValue()));
        case FormatArg::Kind::Signed:
            return Value(static_cast<long long>(a->signedValue()));
        case FormatArg::Kind::Unsigned:
            return Value(static_cast<unsigned long long>(a->unsignedValue()));
        case FormatArg::Kind::Real:
            return Value(a->realValue());
        default:
            return Value();
        }
    };

    size_t i = 0;
    const size_t n = format.size();
    while (i < n) {
        char c = format[i];
        if (c != '%') {
            sql += c;
            ++i;
            continue;
        }
        // A "%" is not copied; the character after it is read as a specifier.
        ++i;
        if (i >= n)
            break;
        auto add = [&](Value v) {
            sql += '?';
            values.push_back(std::move(v));
        };
        auto rest = format.substr(i);
        auto starts = [&](std::string_view s) { return rest.substr(0, s.size()) == s; };
        if (starts("@")) {
            add(asObject(take()));
            i += 1;
        } else if (starts("c")) {
            add(Value(std::string(1, static_cast<char>(asSigned(take())))));
            i += 1;
        } else if (starts("s")) {
            const FormatArg* a = take();
            add(a && a->kind() == FormatArg::Kind::Text ? Value(std::string(a->textValue())) : asObject(a));
            i += 1;
        } else if (starts("d") || starts("D") || starts("i")) {
            add(Value(static_cast<int>(asSigned(take()))));
            i += 1;
        } else if (starts("u") || starts("U")) {
            add(Value(static_cast<unsigned>(asSigned(take()))));
            i += 1;
        } else if (starts("hi")) {
            add(Value::integer(static_cast<short>(asSigned(take())), Value::NumberKind::Int));
            i += 2;
        } else if (starts("hu")) {
            add(Value(static_cast<unsigned>(static_cast<unsigned short>(asSigned(take())))));
            i += 2;
        } else if (starts("qi") || starts("lld")) {
            add(Value(static_cast<long long>(asSigned(take()))));
            i += starts("qi") ? 2u : 3u;
        } else if (starts("qu") || starts("llu")) {
            add(Value(static_cast<unsigned long long>(asSigned(take()))));
            i += starts("qu") ? 2u : 3u;
        } else if (starts("f")) {
            add(Value(asReal(take())));
            i += 1;
        } else if (starts("g")) {
            add(Value(static_cast<float>(asReal(take()))));
            i += 1;
        } else if (starts("ld")) {
            add(Value(static_cast<long>(asSigned(take()))));
            i += 2;
        } else if (starts("lu")) {
            add(Value(static_cast<unsigned long>(asSigned(take()))));
            i += 2;
        } else {
            // Copied as it stands ("%%" gives one "%"); the next character is
            // read again from the top.
            sql += format[i];
            ++i;
        }
    }
}

int64_t SQLDatabase::lastInsertRowId()
{
    if (m_isExecutingStatement) {
        warnInUse();
        return 0;
    }
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int SQLDatabase::changes()
{
    if (m_isExecutingStatement) {
        warnInUse();
        return 0;
    }
    return m_db ? sqlite3_changes(m_db) : 0;
}

std::string SQLDatabase::lastErrorMessage() { return m_db ? sqlite3_errmsg(m_db) : "out of memory"; }

int SQLDatabase::lastErrorCode() { return m_db ? sqlite3_errcode(m_db) : SQLITE_MISUSE; }

bool SQLDatabase::hadError()
{
    const int code = lastErrorCode();
    return code > SQLITE_OK && code < SQLITE_ROW;
}

SQLError SQLDatabase::lastError() { return SQLError { "SQLDatabase", lastErrorCode(), lastErrorMessage() }; }

bool SQLDatabase::beginTransaction()
{
    bool ok = executeUpdate("begin exclusive transaction");
    if (ok)
        m_inTransaction = true;
    return ok;
}

bool SQLDatabase::beginDeferredTransaction()
{
    bool ok = executeUpdate("begin deferred transaction");
    if (ok)
        m_inTransaction = true;
    return ok;
}

bool SQLDatabase::hasOpenTransaction() const { return m_db && sqlite3_get_autocommit(m_db) == 0; }

bool SQLDatabase::inBatch(const std::function<bool(SQLDatabase&)>& body)
{
    std::lock_guard guard(m_lock);
    if (!databaseExists())
        return false;
    if (hasOpenTransaction()) {
        static std::atomic<long> batchIndex { 0 };
        const std::string name = stringWithFormat("batch%ld", batchIndex.fetch_add(1));
        if (!startSavePointWithNameError(name, nullptr))
            return false;
        if (body(*this) && releaseSavePointWithNameError(name, nullptr))
            return true;
        // SQLite may have ended the caller's transaction itself; then there is
        // no savepoint left to go back to.
        if (hasOpenTransaction()) {
            rollbackToSavePointWithNameError(name, nullptr);
            releaseSavePointWithNameError(name, nullptr);
        }
        m_inTransaction = hasOpenTransaction();
        return false;
    }
    if (!beginTransaction())
        return false;
    if (body(*this) && commit())
        return true;
    // After disk full or an I/O error SQLite has rolled back already and later
    // statements would commit one by one; never go on, and roll back whatever
    // is still open.
    if (hasOpenTransaction())
        rollback();
    m_inTransaction = hasOpenTransaction();
    return false;
}

void SQLDatabase::readInOneTransaction(const std::function<void(SQLDatabase&)>& body)
{
    std::lock_guard guard(m_lock);
    if (!databaseExists() || hasOpenTransaction()) {
        body(*this);
        return;
    }
    // Should the transaction not begin, each read still runs on its own.
    const bool began = beginDeferredTransaction();
    body(*this);
    if (began && hasOpenTransaction() && !commit())
        rollback();
    m_inTransaction = hasOpenTransaction();
}

bool SQLDatabase::commit()
{
    bool ok = executeUpdate("commit transaction");
    if (ok)
        m_inTransaction = false;
    return ok;
}

bool SQLDatabase::rollback()
{
    bool ok = executeUpdate("rollback transaction");
    if (ok)
        m_inTransaction = false;
    return ok;
}

bool SQLDatabase::startSavePointWithNameError(std::string_view name, SQLError* error)
{
    if (!executeUpdate(stringWithFormat("savepoint '%@';", quotedName(name)))) {
        if (error)
            *error = lastError();
        return false;
    }
    return true;
}

bool SQLDatabase::releaseSavePointWithNameError(std::string_view name, SQLError* error)
{
    if (!executeUpdate(stringWithFormat("release savepoint '%@';", quotedName(name)))) {
        if (error)
            *error = lastError();
        return false;
    }
    return true;
}

bool SQLDatabase::rollbackToSavePointWithNameError(std::string_view name, SQLError* error)
{
    if (!executeUpdate(stringWithFormat("rollback transaction to savepoint '%@';", quotedName(name)))) {
        if (error)
            *error = lastError();
        return false;
    }
    return true;
}

void SQLDatabase::inTransactionOfItsOwn(bool deferred, const std::function<void(bool&)>& block)
{
    if (!(deferred ? beginDeferredTransaction() : beginTransaction()))
        return;
    bool shouldRollback = false;
    if (block)
        block(shouldRollback);
    if (shouldRollback)
        rollback();
    else
        commit();
}

std::optional<SQLError> SQLDatabase::inSavePoint(const std::function<void(bool&)>& block)
{
    static std::atomic<long> savePointIndex { 0 };
    return inSavePointNamed(stringWithFormat("dbSavePoint%ld", savePointIndex.fetch_add(1)), block);
}

std::optional<SQLError> SQLDatabase::inSavePointNamed(const std::string& name, const std::function<void(bool&)>& block)
{
    SQLError error;
    if (!startSavePointWithNameError(name, &error))
        return error;
    bool shouldRollback = false;
    if (block)
        block(shouldRollback);
    if (shouldRollback) {
        if (!rollbackToSavePointWithNameError(name, &error))
            return error;
        // Rolling back to a savepoint keeps it open; release it so it ends here.
        releaseSavePointWithNameError(name, nullptr);
        return std::nullopt;
    }
    if (!releaseSavePointWithNameError(name, &error))
        return error;
    return std::nullopt;
}

void SQLDatabase::setShouldCacheStatements(bool value)
{
    m_shouldCacheStatements = value;
    if (!value) {
        forgetRecentStatements();
        m_cachedStatements.clear();
    }
}

std::shared_ptr<SQLStatement> SQLDatabase::cachedStatementForQuery(std::string_view query)
{
    SQLStatement* found = findCachedStatement(query);
    return found ? found->shared_from_this() : nullptr;
}

SQLStatement* SQLDatabase::findCachedStatement(std::string_view query)
{
    // Where the text lies only finds the entry; the text itself must match,
    // since a caller's buffer may hold another text at the same place later.
    for (const auto& recent : m_recentStatements) {
        if (recent.text == query.data() && recent.size == query.size() && recent.statement
            && recent.statement->query == query)
            return recent.statement;
    }
    auto it = m_cachedStatements.find(query);
    if (it == m_cachedStatements.end())
        return nullptr;
    m_recentStatements[m_nextRecent] = RecentStatement { query.data(), query.size(), it->second.get() };
    m_nextRecent = (m_nextRecent + 1) % m_recentStatements.size();
    return it->second.get();
}

void SQLDatabase::setCachedStatementForQuery(const std::shared_ptr<SQLStatement>& statement, std::string_view query)
{
    forgetRecentStatements();
    std::string text(query);
    statement->query = text;
    m_cachedStatements[std::move(text)] = statement;
}

void SQLDatabase::forgetRecentStatements()
{
    m_recentStatements.fill(RecentStatement {});
    m_nextRecent = 0;
}

void SQLDatabase::clearCachedStatements()
{
    forgetRecentStatements();
    for (auto& [query, statement] : m_cachedStatements)
        statement->close();
    m_cachedStatements.clear();
}

void SQLDatabase::closeOpenResultSets()
{
    auto copy = m_openResultSets;
    for (auto& [raw, weak] : copy) {
        if (auto rs = weak.lock()) {
            rs->setParentDB(nullptr);
            rs->close();
        }
        m_openResultSets.erase(raw);
    }
}

void SQLDatabase::resultSetDidClose(SQLResultSet* resultSet) { m_openResultSets.erase(resultSet); }

void SQLDatabase::makeFunctionNamedMaximumArgumentsWithBlock(std::string_view name, int arguments, FunctionBlock block)
{
    m_openFunctions.push_back(std::make_unique<FunctionBlock>(std::move(block)));
    if (!m_db)
        return;
    const std::string functionName(name);
    sqlite3_create_function(m_db, functionName.c_str(), arguments, SQLITE_UTF8, m_openFunctions.back().get(),
        &sqlBlockFunctionBridge, nullptr, nullptr);
}
