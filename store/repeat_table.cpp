#include "store/repeat_table.h"

#include <atomic>

#include "platform/log.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/sql_text.h"

namespace calvendra {

namespace {

// A database without the table gives a failure of no other kind (FailureKind::kOther).
bool IsMissingTable(const OdbcDiagnostic& failure) {
    return failure.kind == FailureKind::kOther;
}

}  // namespace

std::optional<bool> HasRepeatTable(CDBConnection& connection, OdbcDiagnostic& failure) {
    failure = {};
    CDBResultSet results(connection);
    if (results.OpenQuery("select schedule_id from schedule_repeat where 1=0") ||
        results.LastError().Empty()) {
        return true;
    }
    if (!IsMissingTable(results.LastError())) {
        failure = results.LastError();
        return std::nullopt;
    }
    static std::atomic<bool> logged{false};
    if (!logged.exchange(true)) {
        LogWarning("Special days repeat only once: the database has no table schedule_repeat (" +
                   results.LastError().Text() + "). The README's step \"" + kAddTablesStep +
                   "\" adds the table.");
    }
    return false;
}

std::optional<RepeatRule> LoadRepeatRule(CDBConnection& connection, Identifier scheduleId,
                                         OdbcDiagnostic& failure) {
    std::optional<RepeatRule> rule;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(
             results,
             FormatText("select rule from schedule_repeat where schedule_id='%ld'", scheduleId))) {
        rule = ReadRuleText(row.Text(0));
    }
    failure = results.LastError();
    return failure.Empty() ? rule : std::nullopt;
}

std::map<Identifier, RepeatRule> LoadRepeatRules(CDBConnection& connection,
                                                 OdbcDiagnostic& failure) {
    std::map<Identifier, RepeatRule> rules;
    failure = {};
    CDBResultSet results(connection);
    for (const ResultRow& row :
         QueryRows(results, "select schedule_id,rule from schedule_repeat")) {
        if (std::optional<RepeatRule> rule = ReadRuleText(row.Text(1))) {
            rules.emplace(row.Id(0), *rule);
        }
    }
    if (!results.LastError().Empty() && !IsMissingTable(results.LastError())) {
        failure = results.LastError();
    }
    return rules;
}

std::string DeleteRepeatRule(Identifier scheduleId) {
    return FormatText("delete from schedule_repeat where schedule_id='%ld'", scheduleId);
}

std::string DeleteRepeatRulesOfIds(Identifier first, Identifier last) {
    return FormatText("delete from schedule_repeat where schedule_id between '%ld' and '%ld'",
                      first, last);
}

std::string InsertRepeatRule(Identifier scheduleId, const RepeatRule& rule) {
    return FormatText("insert into schedule_repeat(schedule_id,rule) values('%ld','%s')",
                      scheduleId, EscapeQuotes(RuleText(rule)).c_str());
}

}  // namespace calvendra
