#pragma once

// The cursor over the rows of one query. The caller owns it and steps it with
// next(); reading past the last row, a stepping error, close() or the end of
// the object closes it, which resets its statement so that a cached statement
// can run again from the start. Getters never fail: unknown column names log
// a warning and read position -1, NULL columns read 0 or nothing.

#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

class SQLDatabase;
class SQLStatement;

class SQLResultSet {
public:
    static std::shared_ptr<SQLResultSet> resultSetWithStatementUsingParentDatabase(
        std::shared_ptr<SQLStatement> statement, SQLDatabase* parent);

    SQLResultSet(std::shared_ptr<SQLStatement> statement, SQLDatabase* parent);
    SQLResultSet(const SQLResultSet&) = delete;
    SQLResultSet& operator=(const SQLResultSet&) = delete;
    ~SQLResultSet();

    bool next();
    void close();
    bool hasAnotherRow() const;

    int columnCount() const;
    std::string columnNameForIndex(int index) const;
    int columnIndexForName(std::string_view name);

    int intForColumnIndex(int index) const;
    int intForColumn(std::string_view name) { return intForColumnIndex(columnIndexForName(name)); }
    long longForColumnIndex(int index) const;
    long longForColumn(std::string_view name) { return longForColumnIndex(columnIndexForName(name)); }
    long long longLongIntForColumnIndex(int index) const;
    long long longLongIntForColumn(std::string_view name)
    {
        return longLongIntForColumnIndex(columnIndexForName(name));
    }
    unsigned long long unsignedLongLongIntForColumnIndex(int index) const;
    unsigned long long unsignedLongLongIntForColumn(std::string_view name)
    {
        return unsignedLongLongIntForColumnIndex(columnIndexForName(name));
    }
    bool boolForColumnIndex(int index) const;
    bool boolForColumn(std::string_view name) { return boolForColumnIndex(columnIndexForName(name)); }
    double doubleForColumnIndex(int index) const;
    double doubleForColumn(std::string_view name) { return doubleForColumnIndex(columnIndexForName(name)); }
    std::optional<std::string> stringForColumnIndex(int index) const;
    std::optional<std::string> stringForColumn(std::string_view name)
    {
        return stringForColumnIndex(columnIndexForName(name));
    }
    std::optional<Date> dateForColumnIndex(int index) const;
    std::optional<Date> dateForColumn(std::string_view name) { return dateForColumnIndex(columnIndexForName(name)); }
    std::optional<Data> dataForColumnIndex(int index) const;
    std::optional<Data> dataForColumn(std::string_view name) { return dataForColumnIndex(columnIndexForName(name)); }
    // Valid until the cursor moves or closes.
    std::optional<std::span<const uint8_t>> dataNoCopyForColumnIndex(int index) const;
    std::optional<std::span<const uint8_t>> dataNoCopyForColumn(std::string_view name)
    {
        return dataNoCopyForColumnIndex(columnIndexForName(name));
    }
    const char* UTF8StringForColumnIndex(int index) const;
    const char* UTF8StringForColumnName(std::string_view name)
    {
        return UTF8StringForColumnIndex(columnIndexForName(name));
    }
    bool columnIndexIsNull(int index) const;
    bool columnIsNull(std::string_view name) { return columnIndexIsNull(columnIndexForName(name)); }
    Value objectForColumnIndex(int index) const;
    Value objectForColumnName(std::string_view name) { return objectForColumnIndex(columnIndexForName(name)); }

    std::optional<ValueDictionary> resultDictionary() const;
    std::optional<ValueDictionary> resultDict();
    // Hands every non-NULL column of the row, as text, to a keyed setter.
    void kvcMagic(const std::function<void(const std::string& key, const std::string& text)>& setValueForKey) const;

    const std::string& query() const { return m_query; }
    void setQuery(std::string query) { m_query = std::move(query); }
    const std::shared_ptr<SQLStatement>& statement() const { return m_statement; }
    void setStatement(std::shared_ptr<SQLStatement> statement) { m_statement = std::move(statement); }
    const std::unordered_map<std::string, int>& columnNameToIndexMap() const { return m_columnNameToIndexMap; }
    void setColumnNameToIndexMap(std::unordered_map<std::string, int> map)
    {
        m_columnNameToIndexMap = std::move(map);
        m_columnNamesSetup = true;
    }
    void setParentDB(SQLDatabase* parent) { m_parentDB = parent; }
    SQLDatabase* parentDB() const { return m_parentDB; }

private:
    void setupColumnNames();
    struct sqlite3_stmt* handle() const;

    // Non-owning: the connection clears it before it closes or ends.
    SQLDatabase* m_parentDB = nullptr;
    std::shared_ptr<SQLStatement> m_statement;
    std::string m_query;
    std::unordered_map<std::string, int> m_columnNameToIndexMap;
    std::string m_lookupKey;
    bool m_columnNamesSetup = false;
};
