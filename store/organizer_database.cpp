#include "store/organizer_database.h"

#include <odbcinst.h>

#include "store/db_result_set.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

std::string DatabaseLine(const std::string& dataSourceName) {
    const std::string database = RegisteredDatabase(dataSourceName);
    const std::string source = "data source \"" + dataSourceName + "\"";
    if (database.empty()) {
        return "Database: none registered for the " + source;
    }
    return "Database: " + database + " (" + source + ")";
}

}  // namespace

std::string RegisteredDatabase(const std::string& dataSourceName) {
    char value[4096] = {};
    SQLGetPrivateProfileString(dataSourceName.c_str(), "Database", "", value, sizeof value,
                               "odbc.ini");
    return value;
}

DatabaseFault OpenOrganizerDatabase(CDBConnection& connection) {
    if (!connection.OpenConnection()) {
        return {DatabaseLine(connection.DataSourceName()) + "\n" + connection.LastError().Text(),
                connection.LastError().kind};
    }
    for (const char* table : catalogue::kOrganizerTables) {
        CDBResultSet results(connection);
        // No row is the answer for a table that is there; a reason means it is not.
        if (!results.OpenQuery(statements::CheckTable(table)) && !results.LastError().Empty()) {
            return {DatabaseLine(connection.DataSourceName()) + "\nThe table " + table +
                        " cannot be read: " + results.LastError().Text(),
                    results.LastError().kind};
        }
    }
    return {};
}

}  // namespace calvendra
