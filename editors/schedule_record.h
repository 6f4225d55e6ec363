#pragma once

#include <optional>
#include <string>
#include <vector>

#include "editors/reminder_settings.h"
#include "store/checked_update.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/item_filing.h"
#include "store/new_identifier.h"
#include "store/odbc_diagnostic.h"

// A schedule as its editor holds it, read from and written to the database. Needs no window.
namespace calvendra {

struct ScheduleValues {
    std::string subject;  // as typed: quotes are doubled only inside statements
    std::string text;
    ReminderSettings reminder;
};

bool operator==(const ScheduleValues& one, const ScheduleValues& other);

struct StoredSchedule {
    Identifier scheduleId = 0;
    Identifier groupId = 0;
    ScheduleValues values;
    // The contacts of its attendant links as stored, ascending (a link to a deleted contact and a
    // link stored twice too): they are part of the schedule when an editor saves it.
    std::vector<Identifier> attendantLinks;

    bool operator==(const StoredSchedule& other) const {
        return scheduleId == other.scheduleId && groupId == other.groupId &&
               values == other.values && attendantLinks == other.attendantLinks;
    }
    bool operator!=(const StoredSchedule& other) const { return !(*this == other); }
};

// What in two versions of a schedule differs, named as the editor names it: "Subject", "Text",
// "Group", "Reminder", "Email to remind attendant", "Attendants".
std::vector<std::string> ScheduleDifferences(const StoredSchedule& one,
                                             const StoredSchedule& other);

// Reads one schedule for editing, with its attendant links and the rule that repeats it: the
// flags are on for any value but 0, and an empty date or time stays empty, so that the reminder
// settings start at their own defaults. Empty when there is no such schedule; a query that fails
// gives none too, with its reason in `failure` when given, otherwise in the log. `repeatTable`
// says whether the database has the table schedule_repeat; when not given it is asked, which
// must then not be inside a transaction (HasRepeatTable).
std::optional<StoredSchedule> LoadSchedule(CDBConnection& connection, Identifier scheduleId,
                                           OdbcDiagnostic* failure = nullptr,
                                           std::optional<bool> repeatTable = std::nullopt);

// The insert of a new schedule, or the update of an existing one (`existing`).
std::string ScheduleStatement(bool existing, Identifier scheduleId, Identifier groupId,
                              const ScheduleValues& values);

// A schedule's insert or update followed by the replacement of its attendants: its links
// deleted, then the link inserts in their order. Run as one change, so that a schedule is never
// stored with half its attendants.
std::vector<std::string> ScheduleWithAttendants(const std::string& scheduleStatement,
                                                Identifier scheduleId,
                                                const std::vector<std::string>& attendantInserts);

// What stores the repetition of a schedule's reminder: its rule removed, and the rule inserted
// again while the reminder is a special day that repeats.
std::vector<std::string> RepeatStatements(Identifier scheduleId, const ReminderSettings& reminder);

// Stores a new schedule with these attendants (contact ids) under `proposedId`, or, when another
// schedule took that id meanwhile, under the next free one (StoreNewRow): the links go with it to
// the id it is stored under, and no stored schedule's links are touched. Links left behind under
// the id by a deleted schedule go. It is filed in `groupId` while that group is stored, otherwise
// in the schedule base group (FileItem; `pendingGroupId` is the group editor's unstored group).
NewItemOutcome StoreNewSchedule(CDBConnection& connection, Identifier proposedId,
                                Identifier groupId, const ScheduleValues& values,
                                const std::vector<Identifier>& attendants,
                                Identifier pendingGroupId = 0);

// Saves `edited` over the stored schedule, but only while it is still stored as its editor read
// it (`remembered`, its attendant links and its rule included); filed as StoreNewSchedule files it
// (SaveChecked). Its links become `attendants` when given, and stay as they are otherwise.
SaveOutcome SaveEditedSchedule(CDBConnection& connection, const StoredSchedule& remembered,
                               Identifier groupId, const ScheduleValues& values,
                               const std::optional<std::vector<Identifier>>& attendants,
                               Identifier pendingGroupId = 0);

}  // namespace calvendra
