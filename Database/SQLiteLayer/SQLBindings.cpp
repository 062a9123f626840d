#include "Database/SQLiteLayer/SQLBindings.h"

#include "Platform/Foundation/NSLog.h"

#include <sqlite3.h>

void SQLBindings::trace(const Value& v) { NSLog("obj: %@", v); }

void SQLBindings::bind(int index, const Value& v)
{
    if (m_trace) [[unlikely]]
        trace(v);
    bindValue(m_statement, index, v);
}

void SQLBindings::finish(int given)
{
    for (int index = given + 1; index <= m_count; ++index)
        bindNull(index);
}

void SQLBindings::bindValue(sqlite3_stmt* statement, int index, const Value& value)
{
    switch (value.type()) {
    case Value::Type::Null:
        sqlite3_bind_null(statement, index);
        return;
    case Value::Type::Data: {
        const Data& bytes = value.dataValue();
        // Copied: the values given to a query are gone before its rows are read.
        sqlite3_bind_blob(statement, index, bytes.empty() ? "" : static_cast<const void*>(bytes.data()),
            static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        return;
    }
    case Value::Type::Date:
        sqlite3_bind_double(statement, index, value.dateValue().secondsSince1970);
        return;
    case Value::Type::Bool:
        sqlite3_bind_int(statement, index, value.boolValue() ? 1 : 0);
        return;
    case Value::Type::Integer:
    case Value::Type::Real:
        switch (value.numberKind()) {
        case Value::NumberKind::Char:
            sqlite3_bind_int(statement, index, value.boolValue() ? 1 : 0);
            return;
        case Value::NumberKind::Int:
        case Value::NumberKind::Long:
            sqlite3_bind_int64(statement, index, value.longValue());
            return;
        case Value::NumberKind::LongLong:
            sqlite3_bind_int64(statement, index, value.longLongValue());
            return;
        case Value::NumberKind::UnsignedLongLong:
            sqlite3_bind_int64(statement, index, static_cast<sqlite3_int64>(value.unsignedLongLongValue()));
            return;
        case Value::NumberKind::Float:
            sqlite3_bind_double(statement, index, static_cast<double>(value.floatValue()));
            return;
        case Value::NumberKind::Double:
            sqlite3_bind_double(statement, index, value.doubleValue());
            return;
        default: {
            const std::string text = value.description();
            sqlite3_bind_text(statement, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            return;
        }
        }
    case Value::Type::String: {
        const std::string_view text = *value.stringView();
        sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return;
    }
    default: {
        const std::string text = value.description();
        sqlite3_bind_text(statement, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}
