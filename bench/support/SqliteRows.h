#pragma once

// The floors' rows: what a bare SQLite loop keeps of a row when it builds a
// result as the screens' records do, each column read as the type it holds
// (numbers stay numbers, text is copied out), so that a floor neither skips
// the copying a result needs nor pays for conversions no reader makes.

#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

namespace BenchRows {

// A row as compactly as a result can hold it: every column's number in one
// array (an integer as it is, a real in its bits, for a text the offset where
// its bytes end, 0 for NULL) and the texts' bytes one after another.
struct Row {
    std::vector<sqlite3_int64> numbers;
    std::string text;
};

// The statement's current row from column `first` on.
inline Row readRow(sqlite3_stmt* statement, int first = 0)
{
    const int columns = sqlite3_column_count(statement);
    Row row;
    row.numbers.resize(static_cast<size_t>(columns > first ? columns - first : 0));
    for (int c = first; c < columns; ++c) {
        auto& number = row.numbers[static_cast<size_t>(c - first)];
        switch (sqlite3_column_type(statement, c)) {
        case SQLITE_INTEGER:
            number = sqlite3_column_int64(statement, c);
            break;
        case SQLITE_FLOAT: {
            const double real = sqlite3_column_double(statement, c);
            std::memcpy(&number, &real, sizeof number);
            break;
        }
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, c));
            if (bytes)
                row.text.append(bytes, static_cast<size_t>(sqlite3_column_bytes(statement, c)));
            number = static_cast<sqlite3_int64>(row.text.size());
            break;
        }
        default:
            break;
        }
    }
    return row;
}

// Column `name`'s place in the statement's rows, or -1.
inline int columnIndex(sqlite3_stmt* statement, const char* name)
{
    for (int c = 0; c < sqlite3_column_count(statement); ++c)
        if (std::string(sqlite3_column_name(statement, c)) == name)
            return c;
    return -1;
}

}  // namespace BenchRows
