#pragma once

// Asked by a pool before it adds a connection it has just opened.

#include <memory>
#include <optional>

class SQLDatabase;
class SQLDatabasePool;

class SQLDatabasePoolDelegate {
public:
    virtual ~SQLDatabasePoolDelegate() = default;
    // std::nullopt: not answered, the connection is added.
    virtual std::optional<bool> databasePoolShouldAddDatabaseToPool(
        SQLDatabasePool&, const std::shared_ptr<SQLDatabase>&)
    {
        return std::nullopt;
    }
};
