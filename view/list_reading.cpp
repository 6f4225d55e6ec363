#include "view/list_reading.h"

#include <algorithm>
#include <exception>
#include <map>
#include <optional>
#include <string_view>

#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/reminder_encoding.h"
#include "store/repeat_table.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

constexpr char kNoReminder[] = "No Reminder setting for this schedule";

// A special day's date as stored, or its rule ("every year 6-14") while the stored date is an
// occurrence of it.
void AppendSpecialDay(std::string_view stored, const RepeatRule* rule, std::string& text) {
    if (rule != nullptr) {
        const std::optional<SpecialDate> date = ReadSpecialDate(std::string(stored));
        if (date && IsOccurrence(*rule, *date)) {
            text += RuleText(*rule);
            return;
        }
    }
    text.append(stored);
}

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
    // Read before the schedules, whose result set then stays the connection's only open one.
    const std::map<Identifier, RepeatRule> rules = LoadRepeatRules(connection, reading.failure);
    if (!reading.failure.Empty()) {
        return;
    }
    CDBResultSet results(connection);
    std::string reminder;
    for (const ResultRow& row :
         QueryRows(results, reading.groupId == kScheduleBaseGroupId
                                ? statements::SelectAllSchedules()
                                : statements::SelectSchedulesOfGroup(reading.groupId))) {
        const Identifier scheduleId = row.Id(Column::kScheduleId);
        const std::string_view storedWeek = results.ColumnText(Column::kRemindWeek);
        const auto rule = rules.find(scheduleId);
        const bool weekdayValid = ReminderText(
            row.Flag(Column::kRemind), row.Int(Column::kRemindType), row.Int(Column::kRemindWeek),
            storedWeek, results.ColumnText(Column::kRemindDate),
            results.ColumnText(Column::kRemindTime), weekdayNames, reminder,
            rule != rules.end() ? &rule->second : nullptr);
        // No weekday has this number: the row shows what is stored, and the reading goes on, so
        // that no row hides behind it.
        if (!weekdayValid && reading.invalidWeekdays++ == 0) {
            reading.firstInvalidId = scheduleId;
            reading.firstInvalidText.assign(storedWeek);
        }
        reading.rows.Add(scheduleId, results.ColumnText(Column::kSubject), reminder,
                         std::string_view());
        reading.largestId = std::max(reading.largestId, scheduleId);
    }
    reading.failure = results.LastError();
}

}  // namespace

bool ReminderText(bool reminderOn, int remindType, int weekday, std::string_view storedWeek,
                  std::string_view remindDate, std::string_view remindTime,
                  const WeekdayNames& weekdayNames, std::string& text, const RepeatRule* rule) {
    // The day text matters only for a reminder that is on: whatever the other columns hold, a
    // schedule without one lists as such.
    if (!reminderOn) {
        text = kNoReminder;
        return true;
    }
    bool weekdayValid = true;
    text = "Reminder at ";
    switch (remindType) {
        case kRemindSpecialDay:
            AppendSpecialDay(remindDate, rule, text);
            break;
        case kRemindEveryWeek:
            if (weekday >= 0 && weekday < kWeekdayCount) {
                text += weekdayNames[static_cast<std::size_t>(weekday)];
            } else {
                text.append(storedWeek);
                weekdayValid = false;
            }
            break;
        default:
            break;
    }
    text += ' ';
    text.append(remindTime);
    return weekdayValid;
}

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
