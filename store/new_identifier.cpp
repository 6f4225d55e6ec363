#include "store/new_identifier.h"

#include <algorithm>
#include <vector>

#include "platform/log.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

// SQLite's result code for a violated constraint, which its driver passes as the native error.
constexpr long kSqliteConstraint = 19;

// A column that holds ids of a kind.
struct IdColumn {
    const char* table;
    const char* column;
};

std::vector<IdColumn> ColumnsOf(IdKind kind) {
    switch (kind) {
        case IdKind::kContactGroup:
            return {{"assist_group", "group_id"},
                    {"assist_group", "parent_id"},
                    {"assist_contactmaininfo", "group_id"}};
        case IdKind::kScheduleGroup:
            return {{"assist_group", "group_id"},
                    {"assist_group", "parent_id"},
                    {"assist_scheduleinfo", "group_id"}};
        case IdKind::kContact:
            return {{"assist_contactmaininfo", "contact_id"}, {"schedule_contact", "contact_id"}};
        case IdKind::kSchedule:
            break;
    }
    // Links left under a schedule id are cleared when a new schedule takes the id.
    return {{"assist_scheduleinfo", "schedule_id"}};
}

}  // namespace

IdRange RangeOf(IdKind kind) {
    if (kind == IdKind::kContactGroup || kind == IdKind::kContact) {
        return {kContactRangeFirst, kContactRangeLast};
    }
    return {kScheduleRangeFirst, kScheduleRangeLast};
}

const char* NameOf(IdKind kind) {
    switch (kind) {
        case IdKind::kContactGroup:
            return "contact group";
        case IdKind::kScheduleGroup:
            return "schedule group";
        case IdKind::kContact:
            return "contact";
        case IdKind::kSchedule:
            break;
    }
    return "schedule";
}

std::optional<Identifier> ReadHighestStoredId(CDBConnection& connection, IdKind kind,
                                              OdbcDiagnostic& failure) {
    using Column = catalogue::HighestIdColumns;
    const IdRange range = RangeOf(kind);
    Identifier highest = range.first - 1;
    for (const IdColumn& column : ColumnsOf(kind)) {
        CDBResultSet results(connection);
        for (const ResultRow& row :
             QueryRows(results, statements::SelectHighestId(column.table, column.column,
                                                            range.first, range.last))) {
            highest = std::max(highest, row.Id(Column::kHighestId));
        }
        if (!results.LastError().Empty()) {
            failure = results.LastError();
            return std::nullopt;
        }
    }
    return highest;
}

std::optional<Identifier> IdAfter(IdKind kind, Identifier highest) {
    const IdRange range = RangeOf(kind);
    if (highest >= range.last) {
        return std::nullopt;
    }
    return std::max(highest, range.first - 1) + 1;
}

std::optional<Identifier> NextNewId(CDBConnection& connection, IdKind kind, Identifier counter) {
    const IdRange range = RangeOf(kind);
    // A counter that an id of another kind raised does not count.
    Identifier highest = counter <= range.last ? counter : range.first - 1;
    OdbcDiagnostic failure;
    if (const std::optional<Identifier> stored = ReadHighestStoredId(connection, kind, failure)) {
        highest = std::max(highest, *stored);
    } else {
        LogWarning(
            std::string("The highest stored ") + NameOf(kind) +
            " id cannot be read; the next is chosen from those this run knows: " + failure.Text());
    }
    return IdAfter(kind, highest);
}

std::string RangeUsedUpText(IdKind kind) {
    const IdRange range = RangeOf(kind);
    return std::string("No new ") + NameOf(kind) + " can be created: its ids run from " +
           std::to_string(range.first) + " to " + std::to_string(range.last) +
           ", and the highest of them is in use.";
}

bool IsKeyConflict(const OdbcDiagnostic& failure) {
    if (failure.sqlState.rfind("23", 0) == 0) {
        return true;
    }
    return failure.sqlState == "HY000" && failure.nativeCode == kSqliteConstraint &&
           failure.message.find("UNIQUE constraint failed") != std::string::npos;
}

NewRowOutcome StoreNewRow(CDBConnection& connection, IdKind kind, Identifier proposed,
                          const StoreUnderId& store) {
    NewRowOutcome outcome;
    const IdRange range = RangeOf(kind);
    Identifier id = proposed;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (id < range.first || id > range.last) {
            outcome.rangeUsedUp = true;
            outcome.failure = {std::string(), 0, RangeUsedUpText(kind)};
            return outcome;
        }
        outcome.failure = store(id);
        if (outcome.failure.Empty()) {
            outcome.id = id;
            return outcome;
        }
        if (attempt > 0 || !IsKeyConflict(outcome.failure)) {
            break;
        }
        WriteLog(LogLevel::kInfo,
                 std::string("The new ") + NameOf(kind) + " id " + std::to_string(id) +
                     " was taken meanwhile; trying the next free one: " + outcome.failure.Text());
        // Past the taken id whatever the stored ids say; beyond the range when none is left.
        id = NextNewId(connection, kind, id).value_or(range.last + 1);
    }
    return outcome;
}

}  // namespace calvendra
