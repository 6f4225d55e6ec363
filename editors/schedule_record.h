#pragma once

#include <optional>
#include <string>
#include <vector>

#include "editors/reminder_settings.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/new_identifier.h"
#include "store/odbc_diagnostic.h"

// A schedule as its editor holds it, read from and written to the database. Needs no window.
namespace calvendra {

struct ScheduleValues {
    std::string subject;  // as typed: quotes are doubled only inside statements
    std::string text;
    ReminderSettings reminder;
};

struct StoredSchedule {
    Identifier scheduleId = 0;
    Identifier groupId = 0;
    ScheduleValues values;
};

// Reads one schedule for editing: the flags are on for any value but 0, and an empty date or time
// stays empty, so that the reminder settings start at their own defaults. Empty when there is no
// such schedule; a query that fails gives none too, with its reason in `failure` when given,
// otherwise in the log.
std::optional<StoredSchedule> LoadSchedule(CDBConnection& connection, Identifier scheduleId,
                                           OdbcDiagnostic* failure = nullptr);

// The insert of a new schedule, or the update of an existing one (`existing`).
std::string ScheduleStatement(bool existing, Identifier scheduleId, Identifier groupId,
                              const ScheduleValues& values);

// A schedule's insert or update followed by the replacement of its attendants: its links
// deleted, then the link inserts in their order. Run as one change, so that a schedule is never
// stored with half its attendants.
std::vector<std::string> ScheduleWithAttendants(const std::string& scheduleStatement,
                                                Identifier scheduleId,
                                                const std::vector<std::string>& attendantInserts);

// Stores a new schedule with these attendants (contact ids) under `proposedId`, or, when another
// schedule took that id meanwhile, under the next free one (StoreNewRow). Links left behind
// under the id by an earlier schedule go.
NewRowOutcome StoreNewSchedule(CDBConnection& connection, Identifier proposedId, Identifier groupId,
                               const ScheduleValues& values,
                               const std::vector<Identifier>& attendants);

}  // namespace calvendra
