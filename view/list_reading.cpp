#include "view/list_reading.h"

#include <algorithm>
#include <exception>

#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/reminder_encoding.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

constexpr char kNoReminder[] = "No Reminder setting for this schedule";

void ReadContacts(CDBConnection& connection, ListReading& reading) {
    using Column = catalogue::ContactListColumns;
    CDBResultSet results(connection);
    std::string name;
    for (const ResultRow& row :
         QueryRows(results, reading.groupId == kContactBaseGroupId
                                ? statements::SelectAllContacts()
                                : statements::SelectContactsOfGroup(reading.groupId))) {
        const Identifier contactId = row.Id(Column::kContactId);
        name.assign(results.ColumnText(Column::kFirstName));
        name += ' ';
        name.append(results.ColumnText(Column::kLastName));
        reading.rows.Add(contactId, name, results.ColumnText(Column::kHomePhone),
                         results.ColumnText(Column::kHomeEmail));
        reading.largestId = std::max(reading.largestId, contactId);
    }
    reading.failure = results.LastError();
}

void ReadSchedules(CDBConnection& connection, const WeekdayNames& weekdayNames,
                   ListReading& reading) {
    using Column = catalogue::ScheduleListColumns;
    CDBResultSet results(connection);
    std::string reminder;
    for (const ResultRow& row :
         QueryRows(results, reading.groupId == kScheduleBaseGroupId
                                ? statements::SelectAllSchedules()
                                : statements::SelectSchedulesOfGroup(reading.groupId))) {
        const Identifier scheduleId = row.Id(Column::kScheduleId);
        // The day text matters only for a reminder that is on: whatever the other columns hold,
        // a schedule without one lists as such.
        const bool reminderOn = row.Flag(Column::kRemind);
        if (reminderOn) {
            reminder = "Reminder at ";
            switch (row.Int(Column::kRemindType)) {
                case kRemindSpecialDay:
                    reminder.append(results.ColumnText(Column::kRemindDate));
                    break;
                case kRemindEveryWeek: {
                    const int weekday = row.Int(Column::kRemindWeek);
                    if (weekday >= 0 && weekday < kWeekdayCount) {
                        reminder += weekdayNames[static_cast<std::size_t>(weekday)];
                        break;
                    }
                    // No weekday has this number: the row shows what is stored, and the reading
                    // goes on, so that no row hides behind it.
                    const std::string_view stored = results.ColumnText(Column::kRemindWeek);
                    reminder.append(stored);
                    if (reading.invalidWeekdays++ == 0) {
                        reading.firstInvalidId = scheduleId;
                        reading.firstInvalidText.assign(stored);
                    }
                    break;
                }
                default:
                    break;
            }
            reminder += ' ';
            reminder.append(results.ColumnText(Column::kRemindTime));
        }
        reading.rows.Add(scheduleId, results.ColumnText(Column::kSubject),
                         reminderOn ? std::string_view(reminder) : std::string_view(kNoReminder),
                         std::string_view());
        reading.largestId = std::max(reading.largestId, scheduleId);
    }
    reading.failure = results.LastError();
}

}  // namespace

ListKind ListKindOf(Identifier groupId) {
    if (IsContactRange(groupId)) {
        return ListKind::kContacts;
    }
    if (IsScheduleRange(groupId)) {
        return ListKind::kSchedules;
    }
    return ListKind::kNone;
}

ListReading ReadListRows(CDBConnection& connection, Identifier groupId,
                         const WeekdayNames& weekdayNames) {
    ListReading reading;
    reading.groupId = groupId;
    reading.kind = ListKindOf(groupId);
    try {
        switch (reading.kind) {
            case ListKind::kContacts:
                ReadContacts(connection, reading);
                break;
            case ListKind::kSchedules:
                ReadSchedules(connection, weekdayNames, reading);
                break;
            case ListKind::kNone:
                break;
        }
    } catch (const std::exception& failure) {
        // The rows read so far stay, as after a failed fetch.
        reading.failure = {std::string(), 0, failure.what()};
    }
    // The rows are kept as long as the list shows them.
    reading.rows.ShrinkToFit();
    reading.fingerprint = reading.rows.Fingerprint();
    return reading;
}

}  // namespace calvendra
