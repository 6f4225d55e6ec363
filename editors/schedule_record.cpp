#include "editors/schedule_record.h"

#include "platform/log.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

std::optional<StoredSchedule> LoadSchedule(CDBConnection& connection, Identifier scheduleId) {
    using Column = catalogue::ScheduleColumns;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectSchedule(scheduleId))) {
        StoredSchedule schedule;
        schedule.scheduleId = row.Id(Column::kScheduleId);
        schedule.groupId = row.Id(Column::kGroupId);
        schedule.values.subject = row.Text(Column::kSubject);
        schedule.values.text = row.Text(Column::kText);
        ReminderSettings& reminder = schedule.values.reminder;
        reminder.remind = row.Int(Column::kRemind) != 0;
        reminder.remindType = row.Int(Column::kRemindType);
        reminder.remindWeek = row.Int(Column::kRemindWeek);
        reminder.remindDate = row.Text(Column::kRemindDate);
        reminder.remindTime = row.Text(Column::kRemindTime);
        reminder.emailRemind = row.Int(Column::kEmailRemind) != 0;
        return schedule;
    }
    if (!results.LastError().Empty()) {
        LogWarning("cannot read schedule " + std::to_string(scheduleId) + ": " +
                   results.LastError().Text());
    }
    return std::nullopt;
}

std::string ScheduleStatement(bool existing, Identifier scheduleId, Identifier groupId,
                              const ScheduleValues& values) {
    const ReminderSettings& reminder = values.reminder;
    statements::ScheduleFields fields;
    fields.subject = values.subject;
    fields.text = values.text;
    fields.remind = reminder.remind ? 1 : 0;
    fields.remindType = reminder.remindType;
    fields.remindWeek = reminder.remindWeek;
    fields.remindDate = reminder.remindDate;
    fields.remindTime = reminder.remindTime;
    fields.emailRemind = reminder.emailRemind ? 1 : 0;
    return existing ? statements::UpdateSchedule(scheduleId, groupId, fields)
                    : statements::InsertSchedule(scheduleId, groupId, fields);
}

}  // namespace calvendra
