#include "reminders/repeat_advance.h"

#include <tuple>
#include <vector>

#include "store/db_result_set.h"
#include "store/db_transaction.h"
#include "store/query_rows.h"
#include "store/reminder_encoding.h"
#include "store/repeat_rule.h"
#include "store/repeat_table.h"
#include "store/sql_text.h"

namespace calvendra {

namespace {

// Moves a special day from `from` to `to`, only while the row still holds `from`: of several
// organizers that saw the same date, one moves it, once.
bool MoveDay(CDBConnection& connection, Identifier scheduleId, const std::string& from,
             const std::string& to, long& moved) {
    return connection.ExecuteStatement(
        FormatText("update assist_scheduleinfo set remind_date='%s' where schedule_id='%ld' and "
                   "remindtype=%d and remind_date='%s'",
                   EscapeQuotes(to).c_str(), scheduleId, kRemindSpecialDay,
                   EscapeQuotes(from).c_str()),
        moved);
}

}  // namespace

std::optional<std::string> AdvanceRepeatingDay(CDBConnection& connection, Identifier scheduleId,
                                               const std::string& firedDate,
                                               OdbcDiagnostic& failure) {
    failure = {};
    const std::optional<SpecialDate> fired = ReadSpecialDate(firedDate);
    if (!fired) {
        return std::nullopt;
    }
    CDBTransaction transaction(connection);
    if (!transaction.IsOpen()) {
        failure = transaction.LastError();
        return std::nullopt;
    }
    OdbcDiagnostic reading;
    const std::optional<RepeatRule> rule = LoadRepeatRule(connection, scheduleId, reading);
    if (!reading.Empty()) {
        // An older database without the table: the reminder fires once, as it always did.
        if (reading.kind != FailureKind::kOther) {
            failure = reading;
        }
        return std::nullopt;
    }
    // A date that the rule does not fall on was set by another program: it fires once.
    if (!rule || !IsOccurrence(*rule, *fired)) {
        return std::nullopt;
    }
    const std::string next = SpecialDateText(NextOccurrence(*rule, *fired));
    long moved = 0;
    if (!MoveDay(connection, scheduleId, firedDate, next, moved)) {
        failure = connection.LastError();
        return std::nullopt;
    }
    if (!transaction.Commit()) {
        failure = transaction.LastError();
        return std::nullopt;
    }
    return moved > 0 ? std::optional<std::string>(next) : std::nullopt;
}

int MoveOverdueRepeatingDays(CDBConnection& connection, const SpecialDate& today,
                             OdbcDiagnostic& failure) {
    const std::optional<bool> hasTable = HasRepeatTable(connection, failure);
    if (!hasTable || !*hasTable) {
        return 0;
    }
    struct Overdue {
        Identifier scheduleId;
        std::string date;
        std::string next;
    };
    std::vector<Overdue> overdue;
    {
        CDBResultSet results(connection);
        for (const ResultRow& row :
             QueryRows(results,
                       FormatText(
                           "select assist_scheduleinfo.schedule_id,assist_scheduleinfo.remind_date,"
                           "schedule_repeat.rule from assist_scheduleinfo,schedule_repeat where "
                           "assist_scheduleinfo.schedule_id=schedule_repeat.schedule_id and "
                           "assist_scheduleinfo.remindtype=%d",
                           kRemindSpecialDay))) {
            const std::string date = row.Text(1);
            const std::optional<SpecialDate> day = ReadSpecialDate(date);
            const std::optional<RepeatRule> rule = ReadRuleText(row.Text(2));
            if (day && rule && IsOccurrence(*rule, *day) &&
                std::tie(day->year, day->month, day->day) <
                    std::tie(today.year, today.month, today.day)) {
                overdue.push_back({row.Id(0), date, SpecialDateText(OccurrenceFrom(*rule, today))});
            }
        }
        failure = results.LastError();
        if (!failure.Empty()) {
            return 0;
        }
    }
    int count = 0;
    for (const Overdue& day : overdue) {
        long moved = 0;
        if (!MoveDay(connection, day.scheduleId, day.date, day.next, moved)) {
            failure = connection.LastError();
            return count;
        }
        count += moved > 0 ? 1 : 0;
    }
    return count;
}

}  // namespace calvendra
