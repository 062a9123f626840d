#include "Database/UnsentWork.h"

#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Database/SQLiteLayer/SQLResultSet.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <optional>
#include <set>
#include <vector>

namespace {

// The unsent rows, table by table, as conditions on the carried database
// (attached as "old" while they are copied). Lines go with their orders and
// the customers' details with their customers.
struct UnsentTable {
    const char* table;
    const char* where;
};
constexpr const char* kUnsentOrder = "IFNULL(uploaded, 0) = 0";
const UnsentTable kUnsentTables[] = {
    { "corvelle_quote_order", kUnsentOrder },
    { "corvelle_quote_order_item",
        "order_id IN (SELECT order_id FROM old.corvelle_quote_order WHERE IFNULL(uploaded, 0) = 0)" },
    { "corvelle_customer", "customer_id < 0" },
    { "corvelle_customer_address", "customer_id < 0" },
    { "corvelle_customer_attribute", "customer_id < 0" },
    { "corvelle_customer_contact", "customer_id < 0" },
};

// One count, or nothing when the database cannot answer it.
std::optional<long long> count(SQLDatabase& db, const std::string& sql)
{
    auto rs = db.executeQuery(sql);
    if (!rs)
        return std::nullopt;
    std::optional<long long> n;
    if (rs->next())
        n = rs->longLongIntForColumnIndex(0);
    rs->close();
    return n;
}

bool hasTable(SQLDatabase& db, const std::string& schema, const std::string& table)
{
    auto n = count(
        db, "SELECT count(*) FROM " + schema + ".sqlite_master WHERE type = 'table' AND name = '" + table + "'");
    return n && *n > 0;
}

std::vector<std::string> columns(SQLDatabase& db, const std::string& schema, const std::string& table)
{
    std::vector<std::string> names;
    auto rs = db.executeQuery("PRAGMA " + schema + ".table_info(" + table + ")");
    if (!rs)
        return names;
    while (rs->next()) {
        if (auto name = rs->stringForColumn("name"))
            names.push_back(*name);
    }
    rs->close();
    return names;
}

// Copies one table's unsent rows, by the columns both databases have, and
// checks that every one of them arrived.
bool copyUnsentRows(SQLDatabase& db, const UnsentTable& part)
{
    const std::string table = part.table;
    if (!hasTable(db, "old", table))
        return true;
    // A fresh database without the table would drop the rows.
    if (!hasTable(db, "main", table))
        return false;
    const std::vector<std::string> fresh = columns(db, "main", table);
    const std::set<std::string> freshSet(fresh.begin(), fresh.end());
    std::string list;
    for (const std::string& name : columns(db, "old", table)) {
        if (!freshSet.contains(name))
            continue;
        if (!list.empty())
            list += ",";
        list += "\"" + name + "\"";
    }
    if (list.empty())
        return false;
    const std::string where = " WHERE " + std::string(part.where);
    if (!db.executeUpdate(
            "INSERT OR REPLACE INTO main." + table + " (" + list + ") SELECT " + list + " FROM old." + table + where))
        return false;
    auto carried = count(db, "SELECT count(*) FROM old." + table + where);
    auto arrived = count(db, "SELECT count(*) FROM main." + table + where);
    return carried && arrived && *carried == *arrived;
}

}  // namespace

namespace UnsentWork {

Found inDatabase(const std::string& databasePath)
{
    if (!NSFileManager::defaultManager().fileExistsAtPath(databasePath))
        return Found::None;
    SQLDatabase db(databasePath);
    // Read-write, so that a journal left by a crash is rolled back first;
    // never created: the file is there.
    if (!db.openWithFlags(SQLITE_OPEN_READWRITE))
        return Found::Unreadable;
    if (db.schemaDamage()) {
        db.close();
        return Found::Unreadable;
    }
    long long rows = 0;
    for (const UnsentTable& part : kUnsentTables) {
        // The details of customers are counted with their customers, and the lines with their orders.
        if (std::string(part.table) != "corvelle_quote_order" && std::string(part.table) != "corvelle_customer")
            continue;
        if (!hasTable(db, "main", part.table))
            continue;
        auto n = count(db, std::string("SELECT count(*) FROM ") + part.table + " WHERE " + part.where);
        if (!n) {
            db.close();
            return Found::Unreadable;
        }
        rows += *n;
    }
    db.close();
    return rows > 0 ? Found::Some : Found::None;
}

bool copyIntoFresh(const std::string& databasePath, const std::string& templatePath, const std::string& freshPath)
{
    auto& fm = NSFileManager::defaultManager();
    if (fm.fileExistsAtPath(freshPath))
        fm.removeItemAtPath(freshPath);
    std::string error;
    if (!fm.copyItemAtPathToPath(templatePath, freshPath, &error)) {
        NSLog("Copying the template database failed: %@", error);
        return false;
    }
    // It holds the stored sign-ins' passwords once in use.
    ::chmod(freshPath.c_str(), S_IRUSR | S_IWUSR);
    bool copied = false;
    {
        SQLDatabase db(freshPath);
        if (db.open() && db.executeUpdate("ATTACH DATABASE ? AS old", databasePath)) {
            copied = db.inBatch([](SQLDatabase& connection) {
                for (const UnsentTable& part : kUnsentTables) {
                    if (!copyUnsentRows(connection, part)) {
                        NSLog("The unsent rows of %@ could not be carried over: %@", std::string(part.table),
                            connection.lastErrorMessage());
                        return false;
                    }
                }
                return true;
            });
            db.executeUpdate("DETACH DATABASE old");
        }
        db.close();
    }
    if (!copied) {
        fm.removeItemAtPath(freshPath);
        for (const char* side : { "-journal", "-wal", "-shm" })
            fm.removeItemAtPath(freshPath + side);
    }
    return copied;
}

}  // namespace UnsentWork
