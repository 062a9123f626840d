#pragma once

// Rows to records and records to rows, over a record's column table
// (RecordColumns.h): what every table model used to write out by hand.

#include "Database/RecordColumns.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Database/SQLiteLayer/SQLResultSet.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace RecordColumns {

// Sets one stored column of `record` from the cursor's current row, the
// column standing at `index` (-1 when the row lacks it: read as a NULL).
template <typename Column, typename Record>
void readColumn(SQLResultSet& rs, int index, const Column& c, Record& record)
{
    using Member = typename Column::Type;
    if constexpr (std::is_same_v<Member, bool>)
        assign(c, record, rs.boolForColumnIndex(index));
    else if constexpr (std::is_same_v<Member, int>)
        assign(c, record, rs.intForColumnIndex(index));
    else if constexpr (std::is_same_v<Member, char>)
        assign(c, record, static_cast<char>(rs.intForColumnIndex(index)));
    else if constexpr (std::is_same_v<Member, double>)
        assign(c, record, rs.doubleForColumnIndex(index));
    else if constexpr (std::is_same_v<Member, std::optional<std::string>>) {
        auto text = rs.stringForColumnIndex(index);
        if (!text && c.has(ReadsNullAsEmpty))
            text = std::string();
        assign(c, record, std::move(text));
    } else if constexpr (std::is_same_v<Member, std::string>)
        assign(c, record, rs.stringForColumnIndex(index).value_or(std::string()));
    else if (c.has(NullDateIsZero))
        assign(c, record, std::optional<Date>(Date { rs.doubleForColumnIndex(index) }));
    else
        assign(c, record, rs.dateForColumnIndex(index));
}

// Sets every stored column of `record` from the cursor's current row. A
// column the row lacks reads as a NULL would.
template <typename Record> void readRow(SQLResultSet& rs, Record& record)
{
    forEach<Record>([&](const auto& c) {
        if (c.isRead())
            readColumn(rs, rs.columnIndexForName(c.name), c, record);
    });
}

// Reads rows of one cursor into records with each column's place found once,
// for reads of many rows; otherwise as readRow.
template <typename Record> class RowReader {
public:
    explicit RowReader(SQLResultSet& rs)
    {
        size_t k = 0;
        forEach<Record>([&](const auto& c) { m_index[k++] = c.isStored() ? rs.columnIndexForName(c.name) : -1; });
    }

    void read(SQLResultSet& rs, Record& record) const
    {
        size_t k = 0;
        forEach<Record>([&](const auto& c) {
            const int index = m_index[k++];
            if (c.isRead())
                readColumn(rs, index, c, record);
        });
    }

    // Where the column at `position` of the table stands in the rows; -1
    // when they lack it. For stored columns the record does not read back.
    int place(size_t position) const { return m_index[position]; }

private:
    std::array<int, std::tuple_size_v<std::remove_const_t<decltype(Table<Record>::columns)>>> m_index {};
};

// Every row of the cursor as a new record, in order.
template <typename Record> std::vector<std::shared_ptr<Record>> readRows(const std::shared_ptr<SQLResultSet>& rs)
{
    std::vector<std::shared_ptr<Record>> records;
    if (!rs)
        return records;
    const RowReader<Record> reader(*rs);
    while (rs->next()) {
        auto record = std::make_shared<Record>();
        reader.read(*rs, *record);
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
        return db.executeUpdate(insertStatement<Record>(), savedValue<Record, savedPositions<Record>[I]>(record)...);
    }
    (std::make_index_sequence<savedPositions<Record>.size()> {});
}

}  // namespace RecordColumns
