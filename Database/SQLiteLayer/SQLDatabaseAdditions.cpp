// Schema questions and statement validation: the additions to SQLDatabase.

#include "Database/SQLiteLayer/SQLDatabase.h"

#include "Database/SQLiteLayer/SQLBusyWait.h"
#include "Database/SQLiteLayer/SQLResultSet.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <cctype>

namespace {

std::string quotedLiteral(std::string_view text)
{
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

}  // namespace

bool SQLDatabase::tableExists(std::string_view name)
{
    auto rs = executeQuery(
        "select [sql] from sqlite_master where [type] = 'table' and lower(name) = ?", NSString::lowercaseASCII(name));
    const bool found = rs && rs->next();
    if (rs)
        rs->close();
    return found;
}

std::shared_ptr<SQLResultSet> SQLDatabase::getSchema()
{
    return executeQuery("SELECT type, name, tbl_name, rootpage, sql FROM (SELECT * FROM sqlite_master UNION ALL SELECT "
                        "* FROM sqlite_temp_master) "
                        "WHERE type != 'meta' AND name NOT LIKE 'sqlite_%' ORDER BY tbl_name, type DESC, name");
}

std::shared_ptr<SQLResultSet> SQLDatabase::getTableSchema(std::string_view tableName)
{
    // The name sits inside a quoted literal; a quote in it must not end it.
    return executeQuery(stringWithFormat("PRAGMA table_info('%@')", quotedLiteral(tableName)));
}

bool SQLDatabase::columnExistsColumnName(std::string_view tableName, std::string_view columnName)
{
    const std::string table = NSString::lowercaseASCII(tableName);
    const std::string column = NSString::lowercaseASCII(columnName);
    auto rs = getTableSchema(table);
    if (!rs)
        return false;
    while (rs->next()) {
        if (NSString::lowercaseASCII(rs->stringForColumn("name").value_or(std::string())) == column) {
            rs->close();
            return true;
        }
    }
    return false;
}

bool SQLDatabase::validateSQLError(std::string_view sql, SQLError* error)
{
    if (!m_db)
        return false;
    sqlite3_stmt* stmt = nullptr;
    const SQLBusyWait prepared = sqlRetryWhileBusy(m_busyRetryTimeout,
        [&] { return sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr); });
    // A check that waits for ever on a held file would hang its caller; given
    // up, it answers that the text could not be checked.
    if (prepared.gaveUp) {
        NSLog("%s:%d Database busy (%@)", "-[SQLDatabase validateSQL:error:]", 135,
            m_databasePath.value_or(std::string()));
        NSLog("Database busy");
    }
    const int rc = prepared.code;
    const bool ok = rc == SQLITE_OK;
    if (!ok && error)
        *error = SQLError { "NSCocoaErrorDomain", lastErrorCode(), lastErrorMessage() };
    sqlite3_finalize(stmt);
    return ok;
}

std::optional<std::string> SQLDatabase::schemaDamage()
{
    std::lock_guard guard(m_lock);
    if (!m_db)
        return std::string("not open");
    // SQLite opens any file lazily: garbage shows at the first read of the
    // schema, a cut file only where a page lies past its end.
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "select name, rootpage from sqlite_master", -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        std::string problem = sqlite3_errmsg(m_db);
        sqlite3_finalize(stmt);
        return problem;
    }
    long tables = 0;
    long highestRoot = 0;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        ++tables;
        highestRoot = std::max<long>(highestRoot, sqlite3_column_int64(stmt, 1));
    }
    const std::string stepMessage = sqlite3_errmsg(m_db);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        return stepMessage;
    if (tables == 0)
        return std::string("no tables");

    auto pragma = [this](const char* sql) -> long {
        sqlite3_stmt* s = nullptr;
        long value = -1;
        if (sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
            value = static_cast<long>(sqlite3_column_int64(s, 0));
        sqlite3_finalize(s);
        return value;
    };
    const long pageCount = pragma("PRAGMA page_count");
    const long pageSize = pragma("PRAGMA page_size");
    if (pageCount < 0 || pageSize <= 0)
        return std::string("unreadable page count");
    if (highestRoot > pageCount)
        return std::string("a table lies past the end of the file");
    if (m_databasePath) {
        // The header's page count against the bytes on disk: a cut file is shorter.
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(*m_databasePath, ec);
        if (!ec && static_cast<unsigned long long>(pageCount) * static_cast<unsigned long long>(pageSize) > bytes)
            return std::string("the file is shorter than its header says");
    }
    return std::nullopt;
}
