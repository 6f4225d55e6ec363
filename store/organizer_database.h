#pragma once

#include <string>

#include "store/db_connection.h"

namespace calvendra {

// The database that a data source names, as registered with the ODBC installer (its "Database"
// keyword: a file for SQLite, a database name for PostgreSQL); empty when it names none.
std::string RegisteredDatabase(const std::string& dataSourceName);

// Why the organizer's database cannot serve it, and of what kind the failure is: a busy database
// (another program holds a lock) serves again by itself, one that is missing or broken does not.
struct DatabaseFault {
    // In words a user or packager can act on: the database and its data source on one line, the
    // driver's reason on the next. Empty when nothing failed.
    std::string reason;
    FailureKind kind = FailureKind::kOther;

    bool Empty() const { return reason.empty(); }
};

// Opens the connection, then checks that the database holds the organizer's four tables. A
// database that lacks a table stays connected, so that what does work keeps working; one that
// cannot be opened does not.
DatabaseFault OpenOrganizerDatabase(CDBConnection& connection);

}  // namespace calvendra
