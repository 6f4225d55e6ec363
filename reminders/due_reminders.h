#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "reminders/minute_batch.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"

namespace calvendra {

// A schedule that falls due in one minute of a scan.
struct DueReminder {
    std::size_t minute = 0;  // position in the scan's batch of minutes
    Identifier scheduleId = 0;
    Identifier groupId = 0;
    std::string subject;
    std::string text;
    bool mail = false;
};

// What one read of the schedules found for a batch of minutes.
struct ScheduleReading {
    // Why the schedules could not be read; empty when they could (an empty table included).
    OdbcDiagnostic failure;
    // The reminders due, in the order they go out: the minutes in time order, and within a minute
    // the schedules in ascending id.
    std::vector<DueReminder> due;
    // Whether the database has the index that spares it looking at every schedule
    // (HasRemindTimeIndex), when the reading was asked to find out and could.
    std::optional<bool> hasRemindTimeIndex;
};

// Reads on `connection` the schedules whose reminder time may fall in the batch's minutes
// (ReminderTimeKeys) and decides which fall due in them: the same reminders as a reading of every
// schedule would give. `checkIndex` also asks whether the database has the index that makes that
// read cheap. Touches nothing but the connection, so it may run on any thread that owns the
// connection. Never throws: a failure of any kind comes back as the reading's failure.
ScheduleReading ReadDueReminders(CDBConnection& connection, const MinuteBatch& batch,
                                 bool checkIndex = false);

}  // namespace calvendra
