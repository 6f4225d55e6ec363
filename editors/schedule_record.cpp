#include "editors/schedule_record.h"

#include "editors/attendant_choice.h"
#include "platform/log.h"
#include "store/db_result_set.h"
#include "store/db_transaction.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

std::optional<StoredSchedule> LoadSchedule(CDBConnection& connection, Identifier scheduleId,
                                           OdbcDiagnostic* failure) {
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
        if (failure != nullptr) {
            *failure = results.LastError();
        } else {
            LogWarning("cannot read schedule " + std::to_string(scheduleId) + ": " +
                       results.LastError().Text());
        }
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

std::vector<std::string> ScheduleWithAttendants(const std::string& scheduleStatement,
                                                Identifier scheduleId,
                                                const std::vector<std::string>& attendantInserts) {
    std::vector<std::string> change{scheduleStatement,
                                    statements::DeleteAttendantLinks(scheduleId)};
    change.insert(change.end(), attendantInserts.begin(), attendantInserts.end());
    return change;
}

NewRowOutcome StoreNewSchedule(CDBConnection& connection, Identifier proposedId, Identifier groupId,
                               const ScheduleValues& values,
                               const std::vector<Identifier>& attendants) {
    return StoreNewRow(connection, IdKind::kSchedule, proposedId, [&](Identifier id) {
        return RunAsOneChange(
            connection, ScheduleWithAttendants(ScheduleStatement(false, id, groupId, values), id,
                                               AttendantStatements(id, attendants)));
    });
}

}  // namespace calvendra
