#pragma once

#include <map>
#include <optional>
#include <string>

#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"
#include "store/repeat_rule.h"

// The table schedule_repeat, which a database made before repetition lacks. No window.
namespace calvendra {

// Whether the database has the table: empty when it could not be told (the database failed, with
// the reason in `failure`). The first time a database is found without it, the log says so once,
// with the README step that adds it. Ask outside a transaction: on PostgreSQL a query of a missing
// table ends the transaction it runs in.
std::optional<bool> HasRepeatTable(CDBConnection& connection, OdbcDiagnostic& failure);

// The rule of one schedule; empty when it has none or the rule is no rule.
std::optional<RepeatRule> LoadRepeatRule(CDBConnection& connection, Identifier scheduleId,
                                         OdbcDiagnostic& failure);

// Every schedule's rule, for a list; empty, without a failure, on a database without the table.
std::map<Identifier, RepeatRule> LoadRepeatRules(CDBConnection& connection,
                                                 OdbcDiagnostic& failure);

// What stores a schedule's repetition, run in the change that stores its reminder: its rule
// removed, then, for a special day that repeats, the new one.
std::string DeleteRepeatRule(Identifier scheduleId);
std::string InsertRepeatRule(Identifier scheduleId, const RepeatRule& rule);

// Clears the rules left behind under a range of schedule ids (first, last) that new schedules are
// about to take, so that none of them inherits a deleted schedule's repetition.
std::string DeleteRepeatRulesOfIds(Identifier first, Identifier last);

// The README's step that adds the table, as messages name it.
inline constexpr char kAddTablesStep[] = "Adding the newer tables to an existing database";

}  // namespace calvendra
