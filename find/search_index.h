#pragma once

#include <optional>

#include "find/search_statements.h"
#include "store/db_connection.h"
#include "store/odbc_diagnostic.h"

// The search index: what spares a search from reading every row. On SQLite the trigram full-text
// tables contact_search and schedule_search with the triggers that keep them current
// (data/search-index-sqlite.sql); on PostgreSQL the trigram indexes of the extension pg_trgm
// (data/search-index-postgresql.sql). setup/prepare-database adds them to a database; one made
// without them finds the same rows, reading every one.
namespace calvendra::find {

// The full-text tables a SQLite search narrows by.
inline constexpr char kContactIndex[] = "contact_search";
inline constexpr char kScheduleIndex[] = "schedule_search";

// Whether the database has the whole search index: on SQLite both tables and their six triggers
// (a table whose triggers are gone would miss what was stored since), on PostgreSQL both indexes.
// Empty when it could not ask (`failure` says why) or knows no index for this kind of database.
std::optional<bool> HasSearchIndex(CDBConnection& connection, Engine engine,
                                   OdbcDiagnostic& failure);

// Writes, once a process, the log line that says a database has no search index and which step
// of the README adds it.
void NoteMissingSearchIndex();

}  // namespace calvendra::find
