#pragma once

#include <optional>
#include <string>

#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"
#include "store/repeat_rule.h"

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

// Moves every repeating special day whose date passed before `today` without firing here (the
// organizer was not running, or not for long enough to look back that far) on to its first
// occurrence from today, each only while the row still holds the date read. Returns how many
// moved. Asks for the table first, so it must not run inside a transaction.
int MoveOverdueRepeatingDays(CDBConnection& connection, const SpecialDate& today,
                             OdbcDiagnostic& failure);

}  // namespace calvendra
