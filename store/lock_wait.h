#pragma once

#include <chrono>
#include <string>
#include <vector>

// How long the organizer waits for a lock that another program holds on its database (an open
// write transaction, a backup tool) before the statement fails as busy. Everything runs on the
// window thread, so this is how long the window can freeze for one statement.
namespace calvendra {

inline constexpr std::chrono::milliseconds kLockWait{1000};

// How long a connection attempt to a database server may take, in seconds: the shortest that
// PostgreSQL's client library honours.
inline constexpr long kLoginTimeoutSeconds = 2;

// Connection-string keywords that bound the wait in the drivers that take the bound there: the
// SQLite driver's busy timeout ("Timeout", in milliseconds), which also covers the connect
// itself. Drivers ignore keywords they do not know.
std::string LockWaitKeywords();

// Statements that bound the wait in a session of the named database system (SQL_DBMS_NAME), run
// right after connecting: PostgreSQL's lock_timeout. None for systems that need none.
std::vector<std::string> LockWaitStatements(const std::string& dbmsName);

}  // namespace calvendra
