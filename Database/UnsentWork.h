#pragma once

// The work done on the device that the server has not taken yet: quote
// orders not uploaded, with their lines, and customers made here (negative
// ids), with their addresses, attributes and contacts. When the server asks
// for the client's data to be fetched again from nothing, the database is
// started afresh; these rows are the one thing that cannot be fetched again,
// so they are carried over into the fresh database.

#include <string>

namespace UnsentWork {

enum class Found {
    None,  // no database, or one without unsent rows
    Some,  // unsent rows to carry over
    Unreadable,  // a database that cannot be read: whether it holds any is unknown
};

Found inDatabase(const std::string& databasePath);

// Makes `freshPath` a copy of the template database holding the unsent rows
// of `databasePath`, all or nothing: on failure no file is left at `freshPath`.
bool copyIntoFresh(const std::string& databasePath, const std::string& templatePath, const std::string& freshPath);

}  // namespace UnsentWork
