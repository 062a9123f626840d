#pragma once

// One prepared statement, kept in a connection's cache under its SQL text so
// that each distinct text is prepared once per connection.

#include <memory>
#include <string>

struct sqlite3_stmt;

// Always owned through a shared pointer (the cache's, a result set's).
class SQLStatement : public std::enable_shared_from_this<SQLStatement> {
public:
    SQLStatement() = default;
    SQLStatement(sqlite3_stmt* handle, std::string text);
    SQLStatement(const SQLStatement&) = delete;
    SQLStatement& operator=(const SQLStatement&) = delete;
    ~SQLStatement();

    // Finalizes the handle and empties it.
    void close();
    // Resets the handle, when there is one, so the statement runs again from the start.
    void reset();

    std::string description() const;

    sqlite3_stmt* statement = nullptr;
    std::string query;
    // The handle's parameters, counted once: a run of a kept statement binds them all.
    int parameterCount = 0;
    long useCount = 0;
    // Set while a result set is reading rows from it: a second use of the same
    // text must not rebind a statement whose rows are still being read.
    bool inUse = false;
};
