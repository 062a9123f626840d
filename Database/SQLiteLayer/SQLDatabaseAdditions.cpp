// Schema questions and statement validation: the additions to SQLDatabase.

#include "Database/SQLiteLayer/SQLDatabase.h"

#include "Database/SQLiteLayer/SQLResultSet.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

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
    auto rs = executeQuery("select [sql] from sqlite_master where [type] = 'table' and lower(name) = ?", NSString::lowercaseASCII(name));
    const bool found = rs && rs->next();
    if (rs)
        rs->close();
    return found;
}

std::shared_ptr<SQLResultSet> SQLDatabase::getSchema()
{
    return executeQuery("SELECT type, name, tbl_name, rootpage, sql FROM (SELECT * FROM sqlite_master UNION ALL SELECT * FROM sqlite_temp_master) "
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
    int busyAnswers = 0;
    int rc = 0;
    while (true) {
        rc = sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
            break;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        if (m_busyRetryTimeout > 0 && ++busyAnswers >= m_busyRetryTimeout + 2) {
            NSLog("%s:%d Database busy (%@)", "-[SQLDatabase validateSQL:error:]", 135, m_databasePath.value_or(std::string()));
            NSLog("Database busy");
        }
    }
    const bool ok = rc == SQLITE_OK;
    if (!ok && error)
        *error = SQLError { "NSCocoaErrorDomain", lastErrorCode(), lastErrorMessage() };
    sqlite3_finalize(stmt);
    return ok;
}
