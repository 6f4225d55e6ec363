#pragma once

#include <string>

#include "store/odbc_handle.h"

namespace calvendra {

// The organizer's one connection to its ODBC data source. Every operation reports success as a
// boolean and shows nothing: what a failure means is the caller's to say.
class CDBConnection {
public:
    // Stores the three values and builds the connection string; does not connect.
    CDBConnection(const std::string& dataSourceName, const std::string& userId,
                  const std::string& password);

    CDBConnection(const CDBConnection&) = delete;
    CDBConnection& operator=(const CDBConnection&) = delete;

    // Closes an open connection first, then connects without ever letting the driver prompt.
    bool OpenConnection();

    // Runs a statement that returns no rows. False at once, without touching the driver, when not
    // connected. A statement that changes no row still succeeds.
    bool ExecuteStatement(const std::string& statement);

    bool IsConnected() const { return static_cast<bool>(connection_); }

    const std::string& ConnectionString() const { return connectionString_; }

    // The handle that result sets allocate their statements on; null when not connected.
    SQLHDBC ConnectionHandle() const { return connection_.Get(); }

    // Changes whenever the connection is closed, so that a result set can tell that the statement
    // it holds died with the connection it was opened on.
    unsigned long Generation() const { return generation_; }

private:
    void Close();

    std::string userId_;
    std::string password_;
    std::string dataSourceName_;
    std::string connectionString_;
    // Declared in this order so that the connection goes before its environment.
    OdbcHandle environment_;
    OdbcHandle connection_;
    unsigned long generation_ = 0;
};

}  // namespace calvendra
