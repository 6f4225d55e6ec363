#include "reminders/due_reminders.h"

#include <algorithm>
#include <exception>

#include "reminders/reminder_rule.h"
#include "reminders/reminder_time_keys.h"
#include "store/column_values.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/remind_time_index.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

ScheduleReading ReadSchedulesThatMayFallDue(CDBConnection& connection, const MinuteBatch& batch) {
    using Column = catalogue::ScheduleColumns;
    ScheduleReading reading;
    CDBResultSet results(connection);
    std::vector<std::size_t> dueMinutes;
    for (const ResultRow& row : QueryRows(results, statements::SelectSchedulesDueForScan(ReminderTimeKeys(batch)))) {
        const std::string remind = row.Text(Column::kRemind);
        if (!IsFlagOn(remind)) {
            continue;
        }
        const ReminderRule rule =
            ReadReminderRule(remind, row.Text(Column::kRemindType), row.Text(Column::kRemindWeek),
                             row.Text(Column::kRemindDate), row.Text(Column::kRemindTime));
        batch.DueMinutes(rule, dueMinutes);
        if (dueMinutes.empty()) {
            continue;
        }
        DueReminder reminder;
        reminder.scheduleId = row.Id(Column::kScheduleId);
        reminder.groupId = row.Id(Column::kGroupId);
        reminder.subject = row.Text(Column::kSubject);
        reminder.text = row.Text(Column::kText);
        reminder.mail = row.Flag(Column::kEmailRemind);
        for (const std::size_t minute : dueMinutes) {
            reminder.minute = minute;
            reading.due.push_back(reminder);
        }
    }
    reading.failure = results.LastError();
    if (!reading.failure.Empty()) {
        reading.due.clear();
        return reading;
    }
    // The minutes go out in time order, and within a minute in the order of the rows.
    std::stable_sort(
        reading.due.begin(), reading.due.end(),
        [](const DueReminder& a, const DueReminder& b) { return a.minute < b.minute; });
    return reading;
}

}  // namespace

ScheduleReading ReadDueReminders(CDBConnection& connection, const MinuteBatch& batch,
                                 bool checkIndex) {
    try {
        ScheduleReading reading = ReadSchedulesThatMayFallDue(connection, batch);
        if (checkIndex && reading.failure.Empty()) {
            OdbcDiagnostic unknown;
            reading.hasRemindTimeIndex = HasRemindTimeIndex(connection, unknown);
        }
        return reading;
    } catch (const std::exception& failure) {
        ScheduleReading reading;
        reading.failure = {std::string(), 0, failure.what()};
        return reading;
    } catch (...) {
        ScheduleReading reading;
        reading.failure = {std::string(), 0, "an unknown failure"};
        return reading;
    }
}

}  // namespace calvendra
