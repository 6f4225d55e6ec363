#pragma once

#include <set>
#include <string>

#include "store/odbc_diagnostic.h"
#include "store/odbc_handle.h"

namespace calvendra {

class CDBResultSet;

// The organizer's one connection to its ODBC data source. Every operation reports success as a
// boolean and shows nothing: what a failure means is the caller's to say, and LastError() says
// why it failed.
class CDBConnection {
public:
    // Builds the connection string from the three values; does not connect.
    CDBConnection(const std::string& dataSourceName, const std::string& userId,
                  const std::string& password);

    // Closes the connection and every query still open on it. Result sets must not outlive the
    // connection they were made for.
    ~CDBConnection() { Close(); }

    CDBConnection(const CDBConnection&) = delete;
    CDBConnection& operator=(const CDBConnection&) = delete;

    // Closes an open connection first, then connects without ever letting the driver prompt.
    bool OpenConnection();

    // Runs a statement that returns no rows. False at once, without touching the driver, when not
    // connected. A statement that changes no row still succeeds.
    bool ExecuteStatement(const std::string& statement);

    bool IsConnected() const { return static_cast<bool>(connection_); }

    const std::string& DataSourceName() const { return dataSourceName_; }
    const std::string& ConnectionString() const { return connectionString_; }

    // Why the last OpenConnection or ExecuteStatement failed; empty after one that succeeded.
    const OdbcDiagnostic& LastError() const { return lastError_; }

    // The handle that result sets allocate their statements on; null when not connected.
    SQLHDBC ConnectionHandle() const { return connection_.Get(); }

private:
    friend class CDBResultSet;

    // Result sets with an open query on this connection. Their statements are closed before the
    // connection is, since a driver may refuse to disconnect while statements are open.
    void Attach(CDBResultSet* results) { openResults_.insert(results); }
    void Detach(CDBResultSet* results) { openResults_.erase(results); }

    void Close();
    // Keeps the reason of a failure and gives false, for `return Fail(...)`.
    bool Fail(OdbcDiagnostic diagnostic);

    std::string dataSourceName_;
    std::string connectionString_;
    OdbcDiagnostic lastError_;
    // Declared in this order so that the connection goes before its environment.
    OdbcHandle environment_;
    OdbcHandle connection_;
    std::set<CDBResultSet*> openResults_;
};

}  // namespace calvendra
