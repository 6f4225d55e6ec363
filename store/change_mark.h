#pragma once

#include <string>

#include "store/db_connection.h"
#include "store/odbc_diagnostic.h"

namespace calvendra {

// A cheap mark of what has been committed to the database, for a window that follows what
// anybody stores: two marks read over one connection are the same only when no other connection
// committed anything in between (this organizer's other connections, another organizer, any other
// program). The connection that reads it must not write itself: SQLite's mark does not move with
// its own commits. Reading it costs one small query, whatever the database holds, so that finding
// nothing changed costs next to nothing.
//
// SQLite: its data version (PRAGMA data_version), which changes with every commit of another
// connection to the file. PostgreSQL: the server's current snapshot (pg_current_snapshot()),
// which changes when a transaction that writes begins or ends anywhere on the server, so it may
// change with nothing of the organizer's changed, never the other way round. Another database
// system has neither: its marks are never the same, and everything counts as perhaps changed.
struct ChangeMark {
    // The connection's session (CDBConnection::OpenCount): a value says nothing about another
    // session's.
    unsigned long session = 0;
    std::string value;

    // Whether nothing was committed between the two marks.
    bool SameAs(const ChangeMark& other) const {
        return !value.empty() && session == other.session && value == other.value;
    }
};

// The query that reads the mark on this database system; empty for one that has none.
std::string ChangeMarkQuery(const std::string& dbmsName);

// Reads the mark now. A database that cannot answer gives an empty mark, and why in `failure`.
ChangeMark ReadChangeMark(CDBConnection& connection, OdbcDiagnostic& failure);

}  // namespace calvendra
