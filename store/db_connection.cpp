#include "store/db_connection.h"

#include <sqlext.h>

#include <utility>

#include "store/db_result_set.h"
#include "store/sql_text.h"

namespace calvendra {

CDBConnection::CDBConnection(const std::string& dataSourceName, const std::string& userId,
                             const std::string& password)
    : dataSourceName_(dataSourceName),
      connectionString_(FormatText("DSN=%s;UID=%s;PSW=%s;", dataSourceName.c_str(), userId.c_str(),
                                   password.c_str())) {}

void CDBConnection::Close() {
    // Closing a result set detaches it, so work on a copy.
    const std::set<CDBResultSet*> open = openResults_;
    for (CDBResultSet* results : open) {
        results->Close();
    }
    connection_.Reset();
    environment_.Reset();
}

bool CDBConnection::Fail(OdbcDiagnostic diagnostic) {
    lastError_ = std::move(diagnostic);
    return false;
}

bool CDBConnection::OpenConnection() {
    Close();
    lastError_ = {};

    OdbcHandle environment = OdbcHandle::Allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    if (!environment) {
        return Fail({std::string(), 0, "the ODBC driver manager refused an environment handle"});
    }
    if (!SQL_SUCCEEDED(SQLSetEnvAttr(environment.Get(), SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
        return Fail(ReadDiagnostic(SQL_HANDLE_ENV, environment.Get()));
    }
    OdbcHandle connection = OdbcHandle::Allocate(SQL_HANDLE_DBC, environment.Get());
    if (!connection) {
        return Fail(ReadDiagnostic(SQL_HANDLE_ENV, environment.Get()));
    }
    SQLCHAR completed[1024];
    SQLSMALLINT completedLength = 0;
    const SQLRETURN rc = SQLDriverConnect(
        connection.Get(), nullptr,
        reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString_.c_str())), SQL_NTS,
        completed, sizeof completed, &completedLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        return Fail(ReadDiagnostic(SQL_HANDLE_DBC, connection.Get()));
    }
    connection.MarkConnected();
    environment_ = std::move(environment);
    connection_ = std::move(connection);
    return true;
}

bool CDBConnection::ExecuteStatement(const std::string& statement) {
    lastError_ = {};
    if (!IsConnected()) {
        return Fail(NotConnected());
    }
    OdbcHandle handle = OdbcHandle::Allocate(SQL_HANDLE_STMT, connection_.Get());
    if (!handle) {
        return Fail(ReadDiagnostic(SQL_HANDLE_DBC, connection_.Get()));
    }
    const SQLRETURN rc = SQLExecDirect(
        handle.Get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement.c_str())),
        static_cast<SQLINTEGER>(statement.size()));
    // An update or delete that matches no row answers SQL_NO_DATA; it did not fail.
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) {
        return true;
    }
    return Fail(ReadDiagnostic(SQL_HANDLE_STMT, handle.Get()));
}

}  // namespace calvendra
