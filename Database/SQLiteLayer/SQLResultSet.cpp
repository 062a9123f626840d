#include "Database/SQLiteLayer/SQLResultSet.h"

#include "Database/SQLiteLayer/SQLBusyWait.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Database/SQLiteLayer/SQLStatement.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

namespace {

}  // namespace

std::shared_ptr<SQLResultSet> SQLResultSet::resultSetWithStatementUsingParentDatabase(
    std::shared_ptr<SQLStatement> statement, SQLDatabase* parent)
{
    return std::make_shared<SQLResultSet>(std::move(statement), parent);
}

SQLResultSet::SQLResultSet(std::shared_ptr<SQLStatement> statement, SQLDatabase* parent)
    : m_parentDB(parent)
    , m_statement(std::move(statement))
{
    if (m_statement)
        m_statement->inUse = true;
}

SQLResultSet::~SQLResultSet() { close(); }

sqlite3_stmt* SQLResultSet::handle() const { return m_statement ? m_statement->statement : nullptr; }

void SQLResultSet::close()
{
    // The statement's in-use mark and the open list belong to the connection.
    std::unique_lock<SQLConnectionLock> guard;
    if (m_parentDB)
        guard = std::unique_lock<SQLConnectionLock>(m_parentDB->m_lock);
    if (m_statement) {
        m_statement->reset();
        m_statement->inUse = false;
        m_statement.reset();
    }
    if (m_parentDB) {
        SQLDatabase* parent = m_parentDB;
        m_parentDB = nullptr;
        parent->resultSetDidClose(this);
    }
}

bool SQLResultSet::next()
{
    sqlite3_stmt* stmt = handle();
    if (!stmt)
        return false;
    // Whatever a reset says, a locked table means the rows are still to
    // come: wait and step again rather than end them here.
    const int limit = m_parentDB ? m_parentDB->busyRetryTimeout() : 0;
    const SQLBusyWait stepped = sqlRetryWhileBusy(
        limit, [stmt] { return sqlite3_step(stmt); },
        [stmt](int code) { return sqlResetAfterLockedStep(stmt, code, "rs"); });
    const int rc = stepped.code;
    const bool gaveUp = stepped.gaveUp;
    if (gaveUp) {
        NSLog("%s:%d Database busy (%@)", "-[SQLResultSet next]", 184,
            m_parentDB && m_parentDB->databasePath() ? *m_parentDB->databasePath() : std::string());
        NSLog("Database busy");
    }
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE) {
        close();
        return false;
    }
    if (!gaveUp) {
        const char* message
            = m_parentDB && m_parentDB->sqliteHandle() ? sqlite3_errmsg(m_parentDB->sqliteHandle()) : "";
        if (rc == SQLITE_ERROR || rc == SQLITE_MISUSE)
            NSLog("Error calling sqlite3_step (%d: %s) rs", rc, message);
        else
            NSLog("Unknown error calling sqlite3_step (%d: %s) rs", rc, message);
    }
    close();
    return false;
}

bool SQLResultSet::hasAnotherRow() const { return m_parentDB && m_parentDB->lastErrorCode() == SQLITE_ROW; }

int SQLResultSet::columnCount() const
{
    sqlite3_stmt* stmt = handle();
    return stmt ? sqlite3_column_count(stmt) : 0;
}

std::string SQLResultSet::columnNameForIndex(int index) const
{
    sqlite3_stmt* stmt = handle();
    const char* name = stmt ? sqlite3_column_name(stmt, index) : nullptr;
    return name ? std::string(name) : std::string();
}

void SQLResultSet::setupColumnNames()
{
    const int count = columnCount();
    for (int i = 0; i < count; ++i)
        m_columnNameToIndexMap[NSString::lowercaseASCII(columnNameForIndex(i))] = i;
    m_columnNamesSetup = true;
}

int SQLResultSet::columnIndexForName(std::string_view name)
{
    if (!m_columnNamesSetup)
        setupColumnNames();
    // Rows read by name ask for every column of every row: the key is made in
    // one buffer kept for the purpose, not in a new string each time.
    m_lookupKey.assign(name);
    for (auto& c : m_lookupKey) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    auto it = m_columnNameToIndexMap.find(m_lookupKey);
    if (it != m_columnNameToIndexMap.end())
        return it->second;
    NSLog("Warning: I could not find the column named '%@'.", m_lookupKey);
    return -1;
}

int SQLResultSet::intForColumnIndex(int index) const
{
    sqlite3_stmt* stmt = handle();
    return stmt ? sqlite3_column_int(stmt, index) : 0;
}

long SQLResultSet::longForColumnIndex(int index) const
{
    sqlite3_stmt* stmt = handle();
    return stmt ? static_cast<long>(sqlite3_column_int64(stmt, index)) : 0;
}

long long SQLResultSet::longLongIntForColumnIndex(int index) const
{
    sqlite3_stmt* stmt = handle();
    return stmt ? sqlite3_column_int64(stmt, index) : 0;
}

unsigned long long SQLResultSet::unsignedLongLongIntForColumnIndex(int index) const
{
    return static_cast<unsigned long long>(longLongIntForColumnIndex(index));
}

bool SQLResultSet::boolForColumnIndex(int index) const { return intForColumnIndex(index) != 0; }

double SQLResultSet::doubleForColumnIndex(int index) const
{
    sqlite3_stmt* stmt = handle();
    return stmt ? sqlite3_column_double(stmt, index) : 0.0;
}

bool SQLResultSet::columnIndexIsNull(int index) const
{
    sqlite3_stmt* stmt = handle();
    return !stmt || sqlite3_column_type(stmt, index) == SQLITE_NULL;
}

std::optional<std::string> SQLResultSet::stringForColumnIndex(int index) const
{
    sqlite3_stmt* stmt = handle();
    if (!stmt || index < 0 || sqlite3_column_type(stmt, index) == SQLITE_NULL)
        return std::nullopt;
    const unsigned char* text = sqlite3_column_text(stmt, index);
    if (!text)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(stmt, index)));
}

std::optional<Date> SQLResultSet::dateForColumnIndex(int index) const
{
    sqlite3_stmt* stmt = handle();
    if (!stmt || index < 0 || sqlite3_column_type(stmt, index) == SQLITE_NULL)
        return std::nullopt;
    return Date { sqlite3_column_double(stmt, index) };
}

std::optional<Data> SQLResultSet::dataForColumnIndex(int index) const
{
    auto bytes = dataNoCopyForColumnIndex(index);
    if (!bytes)
        return std::nullopt;
    return Data(bytes->begin(), bytes->end());
}

std::optional<std::span<const uint8_t>> SQLResultSet::dataNoCopyForColumnIndex(int index) const
{
    sqlite3_stmt* stmt = handle();
    if (!stmt || index < 0 || sqlite3_column_type(stmt, index) == SQLITE_NULL)
        return std::nullopt;
    const void* blob = sqlite3_column_blob(stmt, index);
    const int length = sqlite3_column_bytes(stmt, index);
    if (!blob || length <= 0)
        return std::span<const uint8_t>();
    return std::span<const uint8_t>(static_cast<const uint8_t*>(blob), static_cast<size_t>(length));
}

const char* SQLResultSet::UTF8StringForColumnIndex(int index) const
{
    sqlite3_stmt* stmt = handle();
    if (!stmt || index < 0 || sqlite3_column_type(stmt, index) == SQLITE_NULL)
        return nullptr;
    return reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
}

Value SQLResultSet::objectForColumnIndex(int index) const
{
    sqlite3_stmt* stmt = handle();
    if (!stmt)
        return Value();
    switch (sqlite3_column_type(stmt, index)) {
    case SQLITE_INTEGER:
        return Value(static_cast<long long>(sqlite3_column_int64(stmt, index)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(stmt, index));
    case SQLITE_BLOB: {
        auto data = dataForColumnIndex(index);
        return data ? Value(std::move(*data)) : Value();
    }
    case SQLITE_TEXT: {
        auto text = stringForColumnIndex(index);
        return text ? Value(std::move(*text)) : Value();
    }
    default:
        return Value();
    }
}

std::optional<ValueDictionary> SQLResultSet::resultDictionary() const
{
    sqlite3_stmt* stmt = handle();
    if (!stmt || sqlite3_data_count(stmt) < 1) {
        NSLog("Warning: There seem to be no columns in this set.");
        return std::nullopt;
    }
    ValueDictionary out(std::initializer_list<ValueDictionary::Entry> {});
    const int count = columnCount();
    for (int i = 0; i < count; ++i)
        out.set(columnNameForIndex(i), objectForColumnIndex(i));
    return out;
}

std::optional<ValueDictionary> SQLResultSet::resultDict()
{
    sqlite3_stmt* stmt = handle();
    if (!stmt || sqlite3_data_count(stmt) < 1) {
        NSLog("Warning: There seem to be no columns in this set.");
        return std::nullopt;
    }
    ValueDictionary out(std::initializer_list<ValueDictionary::Entry> {});
    const int count = columnCount();
    for (int i = 0; i < count; ++i) {
        const std::string name = NSString::lowercaseASCII(columnNameForIndex(i));
        out.set(name, objectForColumnName(name));
    }
    return out;
}

void SQLResultSet::kvcMagic(const std::function<void(const std::string&, const std::string&)>& setValueForKey) const
{
    const int count = columnCount();
    for (int i = 0; i < count; ++i) {
        if (const char* text = UTF8StringForColumnIndex(i))
            setValueForKey(columnNameForIndex(i), text);
    }
}
