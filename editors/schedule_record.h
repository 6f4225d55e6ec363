#pragma once

#include <optional>
#include <string>

#include "editors/reminder_settings.h"
#include "store/db_connection.h"
#include "store/identifiers.h"

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
// such schedule; a query that fails gives none too, and its reason goes to the log.
std::optional<StoredSchedule> LoadSchedule(CDBConnection& connection, Identifier scheduleId);

// The insert of a new schedule, or the update of an existing one (`existing`).
std::string ScheduleStatement(bool existing, Identifier scheduleId, Identifier groupId,
                              const ScheduleValues& values);

}  // namespace calvendra
