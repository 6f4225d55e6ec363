#pragma once

#include <optional>

#include "store/db_connection.h"
#include "store/odbc_diagnostic.h"

namespace calvendra {

// Whether the database has the index on the schedules' reminder-time key
// (catalogue::kRemindTimeIndex), without which the minute scan still finds every due reminder
// but the database looks at every schedule to do so. True or false when it could tell; empty when
// it could not ask (`failure` says why), does not know how to on this kind of database, or the
// connection has never opened.
std::optional<bool> HasRemindTimeIndex(CDBConnection& connection, OdbcDiagnostic& failure);

}  // namespace calvendra
