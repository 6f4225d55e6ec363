#include "store/remind_time_index.h"

#include <string>

#include "store/db_result_set.h"
#include "store/sql_text.h"
#include "store/statement_catalogue.h"

namespace calvendra {

namespace {

// Each database keeps its indexes in a catalogue of its own.
std::string IndexLookUp(const std::string& dbmsName) {
    if (dbmsName == "SQLite") {
        return FormatText("select name from sqlite_master where type='index' and name='%s'",
                          catalogue::kRemindTimeIndex);
    }
    if (dbmsName == "PostgreSQL") {
        return FormatText("select indexname from pg_indexes where indexname='%s'",
                          catalogue::kRemindTimeIndex);
    }
    return std::string();
}

}  // namespace

std::optional<bool> HasRemindTimeIndex(CDBConnection& connection, OdbcDiagnostic& failure) {
    failure = {};
    // Known once the connection has opened.
    const std::string lookUp = IndexLookUp(connection.DbmsName());
    if (lookUp.empty()) {
        return std::nullopt;
    }
    CDBResultSet results(connection);
    if (results.OpenQuery(lookUp)) {
        return true;
    }
    failure = results.LastError();
    if (!failure.Empty()) {
        return std::nullopt;
    }
    return false;
}

}  // namespace calvendra
