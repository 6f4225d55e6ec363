#pragma once

#include <optional>
#include <string>

#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"

namespace calvendra {

// After a special day with a repeat rule fired on `firedDate` (as remind_date holds it): moves the
// schedule's remind_date on to the rule's next occurrence, as one change, and only while the row
// still holds the fired date, so that of several organizers that saw it fire one moves it once.
// Returns the new date; empty when nothing moved (no rule, another organizer was first, or the
// database refused: `failure` then says why). A database without the table schedule_repeat moves
// nothing and fails nothing.
std::optional<std::string> AdvanceRepeatingDay(CDBConnection& connection, Identifier scheduleId,
                                               const std::string& firedDate,
                                               OdbcDiagnostic& failure);

}  // namespace calvendra
