#pragma once

// Rows to records and records to rows, over a record's column table
// (RecordColumns.h): what every table model used to write out by hand.

#include "Database/RecordColumns.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Database/SQLiteLayer/SQLResultSet.h"

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace RecordColumns {

// Sets every stored column of `record` from the cursor's current row. A
// column the row lacks reads as a NULL would.
template <typename Record> void readRow(SQLResultSet& rs, Record& record)
{
    forEach<Record>([&](const auto& c) {
        if (!c.isStored())
            return;
        auto& value = record.*c.member;
        using Member = std::remove_reference_t<decltype(value)>;
        if constexpr (std::is_same_v<Member, bool>)
            value = rs.boolForColumn(c.name);
        else if constexpr (std::is_same_v<Member, int>)
            value = rs.intForColumn(c.name);
        else if constexpr (std::is_same_v<Member, double>)
            value = rs.doubleForColumn(c.name);
        else if constexpr (std::is_same_v<Member, std::optional<std::string>>)
            value = rs.stringForColumn(c.name);
        else if constexpr (std::is_same_v<Member, std::string>)
            value = rs.stringForColumn(c.name).value_or(std::string());
        else if (c.has(NullDateIsZero))
            value = Date { rs.doubleForColumn(c.name) };
        else
            value = rs.dateForColumn(c.name);
    });
}

// Every row of the cursor as a new record, in order.
template <typename Record> std::vector<std::shared_ptr<Record>> readRows(const std::shared_ptr<SQLResultSet>& rs)
{
    std::vector<std::shared_ptr<Record>> records;
    if (!rs)
        return records;
    while (rs->next()) {
        auto record = std::make_shared<Record>();
        readRow(*rs, *record);
        records.push_back(std::move(record));
    }
    return records;
}

// Inserts or replaces the record's row with its saved columns; answers
// whether the statement succeeded. The values are bound where they lie.
template <typename Record> bool saveRow(SQLDatabase& db, const Record& record)
{
    return [&]<size_t... I>(std::index_sequence<I...>)
    {
        return db.executeUpdate(insertStatement<Record>(),
            savedValue(std::get<savedPositions<Record>[I]>(Table<Record>::columns), record)...);
    }
    (std::make_index_sequence<savedPositions<Record>.size()> {});
}

}  // namespace RecordColumns
