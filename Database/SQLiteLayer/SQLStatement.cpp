#include "Database/SQLiteLayer/SQLStatement.h"

#include "Platform/Foundation/Format.h"

#include <sqlite3.h>

SQLStatement::SQLStatement(sqlite3_stmt* handle, std::string text)
    : statement(handle)
    , query(std::move(text))
    , parameterCount(handle ? sqlite3_bind_parameter_count(handle) : 0)
{
}

SQLStatement::~SQLStatement() { close(); }

void SQLStatement::close()
{
    if (statement) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
}

void SQLStatement::reset()
{
    if (statement)
        sqlite3_reset(statement);
}

std::string SQLStatement::description() const
{
    return stringWithFormat("%@ %ld hit(s) for query %@",
        stringWithFormat("<SQLStatement: %p>", static_cast<const void*>(this)), useCount, query);
}
