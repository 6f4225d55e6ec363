#include "store/change_mark.h"

#include "store/db_result_set.h"

namespace calvendra {

std::string ChangeMarkQuery(const std::string& dbmsName) {
    if (dbmsName == "SQLite") {
        return "PRAGMA data_version";
    }
    if (dbmsName == "PostgreSQL") {
        return "select pg_current_snapshot()";
    }
    return std::string();
}

ChangeMark ReadChangeMark(CDBConnection& connection, OdbcDiagnostic& failure) {
    failure = {};
    ChangeMark mark;
    // Known once the connection has been opened; the reading opens it when it must.
    std::string query = ChangeMarkQuery(connection.DbmsName());
    CDBResultSet results(connection);
    if (!results.OpenQuery(query.empty() ? std::string("select 1") : query)) {
        failure = results.LastError().Empty()
                      ? OdbcDiagnostic{std::string(), 0, "the database gave no change mark"}
                      : results.LastError();
        return mark;
    }
    // The query itself may have opened the connection, on the file or the server as it is now.
    if (ChangeMarkQuery(connection.DbmsName()) == query && !query.empty()) {
        mark.value.assign(results.ColumnText(0));
    }
    mark.session = connection.OpenCount();
    return mark;
}

}  // namespace calvendra
