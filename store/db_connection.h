#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "store/connection_health.h"
#include "store/database_file.h"
#include "store/odbc_diagnostic.h"
#include "store/odbc_handle.h"
#include "store/row_streaming.h"

namespace calvendra {

class CDBResultSet;

// The organizer's one connection to its ODBC data source. Every operation reports success as a
// boolean and shows nothing: what a failure means is the caller's to say, and LastError() says
// why it failed.
//
// Nothing waits long: a statement waits about a second for a lock that another program holds
// (lock_wait.h), and once OpenConnection has been asked for, a connection that failed to open or
// was lost is opened again at the next use, held back as ConnectionHealth says. Reopening closes
// the result sets still open on the old connection. A connection lost while a transaction
// (CDBTransaction) is open is not opened again until the transaction has ended: what runs after
// the loss would otherwise be stored on its own, outside the change it belongs to.
//
// A database that lives in a file (SQLite) is followed by its file: before every use the
// connection looks whether its path still leads to the file it opened. One that was replaced
// (restored from a backup, a copy moved over it) is opened again; one that was removed or moved
// away closes the connection, every use fails as missing meanwhile, and the file is opened again
// once it is back.
class CDBConnection {
public:
    // Builds the connection string from the three values; does not connect. `reading` says how
    // the result sets on the connection get their rows.
    CDBConnection(const std::string& dataSourceName, const std::string& userId,
                  const std::string& password, RowReading reading = RowReading::kSnapshot);

    // Closes the connection and every query still open on it. Result sets must not outlive the
    // connection they were made for.
    ~CDBConnection() { Close(); }

    CDBConnection(const CDBConnection&) = delete;
    CDBConnection& operator=(const CDBConnection&) = delete;

    // Closes an open connection first, then connects without ever letting the driver prompt.
    bool OpenConnection();

    // Runs a statement that returns no rows. False at once, without touching the driver, before
    // OpenConnection was ever asked for, and while the connection is held back. A statement that
    // changes no row still succeeds.
    bool ExecuteStatement(const std::string& statement);
    // The same for an insert, update or delete, with the number of rows it changed (for an
    // update, the rows its condition matched) in `changedRows`: a change that must find its row
    // tells from it that the row is gone.
    bool ExecuteStatement(const std::string& statement, long& changedRows);

    bool IsConnected() const { return static_cast<bool>(connection_); }

    // True once OpenConnection has been called, whether it succeeded or not: from then on every
    // use opens the connection again when it failed or was lost.
    bool IsOpenRequested() const { return openRequested_; }

    // Looks at the database file now, as every use does: closes the connection when its file is
    // missing, opens it again when the file was replaced or is back. For a connection that may
    // sit unused while another one finds the file changed. Nothing before OpenConnection, and
    // nothing for a database server.
    void FollowDatabaseFile();

    // How often the connection has been opened; each opening is a new session with the database.
    unsigned long OpenCount() const { return openCount_; }
    // How often it was opened again because its database file was replaced, or came back after
    // it had gone missing.
    unsigned long FileReopenCount() const { return fileReopenCount_; }
    // The file of the database it last opened; empty for a database server.
    std::string DatabaseFilePath() const { return file_ ? file_->Path() : std::string(); }
    // The database system it last opened (SQL_DBMS_NAME: "SQLite", "PostgreSQL").
    const std::string& DbmsName() const { return dbmsName_; }

    // The clock that the hold-backs after a failure are measured with; for tests.
    void SetClock(ConnectionHealth::Clock clock) {
        clock_ = clock;
        health_ = ConnectionHealth(std::move(clock));
    }

    // Another connection to the same data source with the same user, password and clock; not
    // connected yet. For work on another thread, which needs a connection of its own.
    std::unique_ptr<CDBConnection> MakeAnother(RowReading reading = RowReading::kSnapshot) const;

    RowReading Reading() const { return reading_; }

    const std::string& DataSourceName() const { return dataSourceName_; }
    const std::string& ConnectionString() const { return connectionString_; }

    // Why the last OpenConnection or ExecuteStatement failed, with what that says about the
    // database (its kind); empty after one that succeeded.
    const OdbcDiagnostic& LastError() const { return lastError_; }

    // The handle that result sets allocate their statements on; null when not connected.
    SQLHDBC ConnectionHandle() const { return connection_.Get(); }

    // What SQLGetData can do on this connection's driver (SQL_GETDATA_EXTENSIONS: SQL_GD_BLOCK,
    // SQL_GD_BOUND, ...), as it said when the connection opened.
    SQLUINTEGER GetDataExtensions() const { return getDataExtensions_; }

private:
    friend class CDBResultSet;
    friend class CDBTransaction;

    // Result sets with an open query on this connection. Their statements are closed before the
    // connection is, since a driver may refuse to disconnect while statements are open.
    void Attach(CDBResultSet* results) { openResults_.insert(results); }
    void Detach(CDBResultSet* results) { openResults_.erase(results); }

    // Before every call: opens the connection again when it must be and may be. Empty when the
    // connection can take the call; otherwise why not.
    OdbcDiagnostic PrepareForUse();
    // The database file's part of it: empty when the connection may go on (perhaps to be opened
    // again), otherwise why not.
    OdbcDiagnostic FollowFile();
    // After every call: a failure gets the kind the connection itself sees in it (a driver may
    // report a lost connection only through SQL_ATTR_CONNECTION_DEAD), and both outcomes tell the
    // connection's health.
    void NoteCallFailure(OdbcDiagnostic& failure);
    void NoteCallSuccess() { health_.NoteSuccess(); }

    bool Execute(const std::string& statement, long* changedRows);
    bool Connect();
    // Bounds the wait for locks in the session just opened, where the database needs statements
    // for it.
    void BoundLockWait();
    void Close();
    // Keeps the reason of a failure and gives false, for `return Fail(...)`.
    bool Fail(OdbcDiagnostic diagnostic);

    std::string dataSourceName_;
    std::string userId_;
    std::string password_;
    std::string connectionString_;
    RowReading reading_;
    SQLUINTEGER getDataExtensions_ = 0;
    ConnectionHealth::Clock clock_ = &std::chrono::steady_clock::now;
    OdbcDiagnostic lastError_;
    bool openRequested_ = false;
    std::string dbmsName_;
    std::optional<DatabaseFile> file_;
    unsigned long openCount_ = 0;
    unsigned long fileReopenCount_ = 0;
    // The connection was closed because its file changed; the next opening counts as a reopening.
    bool closedForFile_ = false;
    bool inTransaction_ = false;
    // A call failed since the transaction began: it must not be committed.
    bool failedInTransaction_ = false;
    ConnectionHealth health_;
    // Declared in this order so that the connection goes before its environment.
    OdbcHandle environment_;
    OdbcHandle connection_;
    std::set<CDBResultSet*> openResults_;
};

}  // namespace calvendra
