#include "editors/schedule_record.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "editors/attendant_choice.h"
#include "platform/log.h"
#include "platform/translatable.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/repeat_table.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

// Whether and when the two remind; whether they mail is the other half.
void Append(std::vector<std::string>& change, std::vector<std::string> more) {
    change.insert(change.end(), std::make_move_iterator(more.begin()),
                  std::make_move_iterator(more.end()));
}

bool SameReminder(const ReminderSettings& one, const ReminderSettings& other) {
    return one.remind == other.remind && one.remindType == other.remindType &&
           one.remindWeek == other.remindWeek && one.remindDate == other.remindDate &&
           one.remindTime == other.remindTime && one.repeat == other.repeat;
}

// The attendant links as stored, ascending; empty, with the reason in `failure`, when they cannot
// be read.
std::optional<std::vector<Identifier>> LoadAttendantLinks(CDBConnection& connection,
                                                          Identifier scheduleId,
                                                          OdbcDiagnostic& failure) {
    using Column = catalogue::LinkedContactColumns;
    std::vector<Identifier> links;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectAttendantLinks(scheduleId))) {
        links.push_back(row.Id(Column::kContactId));
    }
    if (!results.LastError().Empty()) {
        failure = results.LastError();
        return std::nullopt;
    }
    // The text order of ten-digit ids is their order; anything else is put in order here.
    std::sort(links.begin(), links.end());
    return links;
}

}  // namespace

bool operator==(const ScheduleValues& one, const ScheduleValues& other) {
    return one.subject == other.subject && one.text == other.text &&
           SameReminder(one.reminder, other.reminder) &&
           one.reminder.emailRemind == other.reminder.emailRemind;
}

std::vector<std::string> ScheduleDifferences(const StoredSchedule& one,
                                             const StoredSchedule& other) {
    std::vector<std::string> differences;
    const ScheduleValues& a = one.values;
    const ScheduleValues& b = other.values;
    const std::pair<bool, const char*> checks[] = {
        {a.subject != b.subject, TRANSLATABLE("Subject")},
        {a.text != b.text, TRANSLATABLE("Text")},
        {one.groupId != other.groupId, TRANSLATABLE("Group")},
        {!SameReminder(a.reminder, b.reminder), TRANSLATABLE("Reminder")},
        {a.reminder.emailRemind != b.reminder.emailRemind,
         TRANSLATABLE("Email to remind attendant")},
        {one.attendantLinks != other.attendantLinks, TRANSLATABLE("Attendants")},
    };
    for (const auto& [differs, name] : checks) {
        if (differs) {
            differences.push_back(name);
        }
    }
    return differences;
}

std::optional<StoredSchedule> LoadSchedule(CDBConnection& connection, Identifier scheduleId,
                                           OdbcDiagnostic* failure,
                                           std::optional<bool> repeatTable) {
    using Column = catalogue::ScheduleColumns;
    std::optional<StoredSchedule> found;
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
        found = schedule;
        break;
    }
    OdbcDiagnostic error = results.LastError();
    if (found && error.Empty() && !repeatTable) {
        repeatTable = HasRepeatTable(connection, error);
    }
    if (found && error.Empty() && *repeatTable) {
        found->values.reminder.repeat = LoadRepeatRule(connection, scheduleId, error);
    }
    if (found && error.Empty()) {
        if (auto links = LoadAttendantLinks(connection, scheduleId, error)) {
            found->attendantLinks = std::move(*links);
            return found;
        }
    }
    if (!error.Empty()) {
        if (failure != nullptr) {
            *failure = error;
        } else {
            LogWarning("cannot read schedule " + std::to_string(scheduleId) + ": " + error.Text());
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

std::vector<std::string> RepeatStatements(Identifier scheduleId, const ReminderSettings& reminder) {
    std::vector<std::string> change{DeleteRepeatRule(scheduleId)};
    if (reminder.repeat && reminder.remindType == kRemindSpecialDay) {
        change.push_back(InsertRepeatRule(scheduleId, *reminder.repeat));
    }
    return change;
}

NewItemOutcome StoreNewSchedule(CDBConnection& connection, Identifier proposedId,
                                Identifier groupId, const ScheduleValues& values,
                                const std::vector<Identifier>& attendants,
                                Identifier pendingGroupId) {
    // Asked before the change: a database that cannot say stores the schedule without a rule.
    OdbcDiagnostic unknown;
    const bool repeatTable = HasRepeatTable(connection, unknown).value_or(false);
    // The insert comes first: an id that another schedule holds fails it before any link of
    // that schedule is touched, and the next try takes the links along to the next id.
    return StoreNewItem(connection, IdKind::kSchedule, proposedId, groupId, pendingGroupId,
                        [&](Identifier id, Identifier filedIn) {
                            std::vector<std::string> change = ScheduleWithAttendants(
                                ScheduleStatement(false, id, filedIn, values), id,
                                AttendantStatements(id, attendants));
                            // A rule left behind by a deleted schedule of this id goes too.
                            if (repeatTable) {
                                Append(change, RepeatStatements(id, values.reminder));
                            }
                            return change;
                        });
}

SaveOutcome SaveEditedSchedule(CDBConnection& connection, const StoredSchedule& remembered,
                               Identifier groupId, const ScheduleValues& values,
                               const std::optional<std::vector<Identifier>>& attendants,
                               Identifier pendingGroupId) {
    const Identifier scheduleId = remembered.scheduleId;
    OdbcDiagnostic unknown;
    const bool repeatTable = HasRepeatTable(connection, unknown).value_or(false);
    CheckedUpdate update;
    update.lockStatement = statements::LockSchedule(scheduleId);
    update.unchanged = [&](OdbcDiagnostic& failure) -> std::optional<bool> {
        const std::optional<StoredSchedule> now =
            LoadSchedule(connection, scheduleId, &failure, repeatTable);
        if (!failure.Empty()) {
            return std::nullopt;
        }
        return now && *now == remembered;
    };
    update.chosenGroupId = groupId;
    update.baseGroupId = kScheduleBaseGroupId;
    update.pendingGroupId = pendingGroupId;
    update.statements = [&](Identifier filedIn) {
        const std::string row = ScheduleStatement(true, scheduleId, filedIn, values);
        std::vector<std::string> change =
            attendants ? ScheduleWithAttendants(row, scheduleId,
                                                AttendantStatements(scheduleId, *attendants))
                       : std::vector<std::string>{row};
        if (repeatTable) {
            Append(change, RepeatStatements(scheduleId, values.reminder));
        }
        return change;
    };
    return SaveChecked(connection, update);
}

}  // namespace calvendra
