#pragma once

// The base of the table models. A model has no state: it reads and writes its
// tables on the process-wide connection and hands records back. Every text
// from a user or the server is bound as a statement parameter, never spliced
// into the SQL. Failures are values: an empty list, nothing, 0 or false, with
// the access layer's log lines.

#include <memory>
#include <optional>
#include <vector>

class SQLDatabase;

template <typename T> using EntityList = std::vector<std::shared_ptr<T>>;
// A list argument that may be absent (a save of nothing answers false).
template <typename T> using OptionalEntityList = std::optional<EntityList<T>>;

class BaseDataModel {
public:
    virtual ~BaseDataModel() = default;
    // The schema-upgrade hook; the base does nothing and answers false.
    virtual bool updateVersion() { return false; }

protected:
    static std::shared_ptr<SQLDatabase> database();
};
