#include "reminders/repeat_advance.h"

#include "reminders/repeat_rule.h"
#include "store/db_result_set.h"
#include "store/db_transaction.h"
#include "store/query_rows.h"
#include "store/reminder_encoding.h"
#include "store/sql_text.h"

namespace calvendra {

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
    std::optional<RepeatRule> rule;
    {
        CDBResultSet results(connection);
        for (const ResultRow& row : QueryRows(
                 results, FormatText("select rule from schedule_repeat where schedule_id='%ld'",
                                     scheduleId))) {
            rule = ReadRuleText(row.Text(0));
        }
        if (!results.LastError().Empty()) {
            // An older database without the table: the reminder fires once, as it always did.
            if (results.LastError().kind != FailureKind::kOther) {
                failure = results.LastError();
            }
            return std::nullopt;
        }
    }
    if (!rule) {
        return std::nullopt;
    }
    const std::string next = SpecialDateText(NextOccurrence(*rule, *fired));
    long moved = 0;
    if (!connection.ExecuteStatement(
            FormatText("update assist_scheduleinfo set remind_date='%s' where schedule_id='%ld' "
                       "and remindtype=%d and remind_date='%s'",
                       next.c_str(), scheduleId, kRemindSpecialDay,
                       EscapeQuotes(firedDate).c_str()),
            moved)) {
        failure = connection.LastError();
        return std::nullopt;
    }
    if (!transaction.Commit()) {
        failure = transaction.LastError();
        return std::nullopt;
    }
    return moved > 0 ? std::optional<std::string>(next) : std::nullopt;
}

}  // namespace calvendra
