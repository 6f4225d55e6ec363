#pragma once

#include <string>

#include "store/db_connection.h"

namespace calvendra {

// The database that a data source names, as registered with the ODBC installer (its "Database"
// keyword: a file for SQLite, a database name for PostgreSQL); empty when it names none.
std::string RegisteredDatabase(const std::string& dataSourceName);

// Opens the connection, then checks that the database holds the organizer's four tables. Empty
// when both succeed; otherwise why not, in words a user or packager can act on: the database and
// its data source on one line, the driver's reason on the next. A database that lacks a table
// stays connected, so that what does work keeps working; one that cannot be opened does not.
std::string OpenOrganizerDatabase(CDBConnection& connection);

}  // namespace calvendra
