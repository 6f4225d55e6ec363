#include "store/db_connection.h"

#include <sqlext.h>

#include <utility>

#include "platform/log.h"
#include "store/db_result_set.h"
#include "store/lock_wait.h"
#include "store/sql_text.h"
#include "store/sqlite_allocation.h"

namespace calvendra {

namespace {

// Runs a statement on its own handle; empty when it succeeded, otherwise why not. `changedRows`,
// when given, receives how many rows an insert, update or delete changed.
OdbcDiagnostic RunStatement(SQLHDBC connection, const std::string& statement,
                            long* changedRows = nullptr) {
    OdbcHandle handle = OdbcHandle::Allocate(SQL_HANDLE_STMT, connection);
    if (!handle) {
        return ReadDiagnostic(SQL_HANDLE_DBC, connection);
    }
    const SQLRETURN rc = SQLExecDirect(
        handle.Get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement.c_str())),
        static_cast<SQLINTEGER>(statement.size()));
    // An update or delete that matches no row answers SQL_NO_DATA; it did not fail.
    if (rc == SQL_NO_DATA) {
        if (changedRows != nullptr) {
            *changedRows = 0;
        }
        return {};
    }
    if (!SQL_SUCCEEDED(rc)) {
        return ReadDiagnostic(SQL_HANDLE_STMT, handle.Get());
    }
    if (changedRows != nullptr) {
        // Defined after an insert, update or delete on every driver (unlike after a select).
        SQLLEN count = 0;
        if (!SQL_SUCCEEDED(SQLRowCount(handle.Get(), &count))) {
            return ReadDiagnostic(SQL_HANDLE_STMT, handle.Get());
        }
        *changedRows = static_cast<long>(count);
    }
    return {};
}

std::string ReadDbmsName(SQLHDBC connection) {
    SQLCHAR name[128] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(connection, SQL_DBMS_NAME, name, sizeof name, &length))) {
        return std::string();
    }
    return reinterpret_cast<const char*>(name);
}

}  // namespace

CDBConnection::CDBConnection(const std::string& dataSourceName, const std::string& userId,
                             const std::string& password, RowReading reading)
    : dataSourceName_(dataSourceName),
      userId_(userId),
      password_(password),
      connectionString_(FormatText("DSN=%s;UID=%s;PSW=%s;", dataSourceName.c_str(), userId.c_str(),
                                   password.c_str())),
      reading_(reading) {}

std::unique_ptr<CDBConnection> CDBConnection::MakeAnother(RowReading reading) const {
    auto another = std::make_unique<CDBConnection>(dataSourceName_, userId_, password_, reading);
    another->SetClock(clock_);
    return another;
}

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
    openRequested_ = true;
    return Connect();
}

bool CDBConnection::Connect() {
    Close();
    lastError_ = {};
    KeepNoSqliteMemoryStatistics();

    OdbcHandle environment = OdbcHandle::Allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    OdbcHandle connection;
    OdbcDiagnostic failure;
    if (!environment) {
        failure = {std::string(), 0, "the ODBC driver manager refused an environment handle"};
    } else if (!SQL_SUCCEEDED(SQLSetEnvAttr(environment.Get(), SQL_ATTR_ODBC_VERSION,
                                            reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
        failure = ReadDiagnostic(SQL_HANDLE_ENV, environment.Get());
    } else if (!(connection = OdbcHandle::Allocate(SQL_HANDLE_DBC, environment.Get()))) {
        failure = ReadDiagnostic(SQL_HANDLE_ENV, environment.Get());
    } else {
        SQLSetConnectAttr(connection.Get(), SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds), 0);
        // The data source's own settings, with the bound on lock waits for the drivers that take
        // it as a keyword, and the streaming of rows where this connection wants it.
        const std::string driverString =
            connectionString_ + LockWaitKeywords() +
            (reading_ == RowReading::kStreamed ? kRowStreamingKeywords : "");
        const SQLRETURN rc =
            SQLDriverConnect(connection.Get(), nullptr,
                             reinterpret_cast<SQLCHAR*>(const_cast<char*>(driverString.c_str())),
                             SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            failure = ReadDiagnostic(SQL_HANDLE_DBC, connection.Get());
        }
    }
    if (!failure.Empty()) {
        health_.NoteOpenFailure(failure);
        return Fail(std::move(failure));
    }
    connection.MarkConnected();
    environment_ = std::move(environment);
    connection_ = std::move(connection);
    health_.NoteSuccess();
    dbmsName_ = ReadDbmsName(connection_.Get());
    getDataExtensions_ = 0;
    SQLGetInfo(connection_.Get(), SQL_GETDATA_EXTENSIONS, &getDataExtensions_,
               sizeof getDataExtensions_, nullptr);
    BoundLockWait();
    file_ = DatabaseFile::OfConnection(connection_.Get(), dbmsName_);
    ++openCount_;
    if (closedForFile_) {
        closedForFile_ = false;
        ++fileReopenCount_;
    }
    return true;
}

void CDBConnection::BoundLockWait() {
    for (const std::string& statement : LockWaitStatements(dbmsName_)) {
        const OdbcDiagnostic failure = RunStatement(connection_.Get(), statement);
        if (!failure.Empty()) {
            // The connection still works; only a held lock may keep it waiting longer.
            LogWarning("The wait for locks of the database could not be bounded (" + statement +
                       "): " + failure.Text());
        }
    }
}

OdbcDiagnostic CDBConnection::FollowFile() {
    if (!file_) {
        return {};
    }
    const DatabaseFile::Change change = file_->Check();
    if (change == DatabaseFile::Change::kNone) {
        return {};
    }
    if (inTransaction_) {
        // What the change wrote so far went to the file that left; the rest must not go
        // elsewhere.
        return {std::string(), 0,
                "the database file " + file_->Path() +
                    " was replaced or removed in the middle of a change",
                FailureKind::kUnreachable};
    }
    if (IsConnected()) {
        Close();
        closedForFile_ = true;
        if (change == DatabaseFile::Change::kMissing) {
            LogWarning("The database file " + file_->Path() +
                       " is missing: it was removed or moved away. The connection to it is "
                       "closed until it is back.");
        } else {
            WriteLog(LogLevel::kInfo, "The database file " + file_->Path() +
                                          " was replaced by another file; the connection is "
                                          "opened again on that one.");
        }
    }
    // A replaced file is opened by the caller, as a lost connection is.
    if (change == DatabaseFile::Change::kMissing) {
        return {std::string(), 0, "the file " + file_->Path() + " was removed or moved away",
                FailureKind::kMissing};
    }
    return {};
}

void CDBConnection::FollowDatabaseFile() {
    if (openRequested_ && !inTransaction_) {
        lastError_ = PrepareForUse();
    }
}

OdbcDiagnostic CDBConnection::PrepareForUse() {
    if (!openRequested_) {
        return NotConnected();
    }
    if (OdbcDiagnostic fileFailure = FollowFile(); !fileFailure.Empty()) {
        return fileFailure;
    }
    if (inTransaction_ && (health_.MustReopen() || !IsConnected())) {
        return {std::string(), 0,
                "the connection to the database was lost in the middle of a change",
                FailureKind::kUnreachable};
    }
    if (const OdbcDiagnostic* held = health_.HeldBackBy()) {
        return *held;
    }
    if (health_.MustReopen() || !IsConnected()) {
        if (!Connect()) {
            return lastError_;
        }
        WriteLog(LogLevel::kInfo,
                 "The connection to the data source \"" + dataSourceName_ + "\" is open again.");
    }
    return {};
}

void CDBConnection::NoteCallFailure(OdbcDiagnostic& failure) {
    SQLULEN dead = SQL_CD_FALSE;
    if (IsConnected() &&
        SQL_SUCCEEDED(
            SQLGetConnectAttr(connection_.Get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
        dead == SQL_CD_TRUE) {
        failure.kind = FailureKind::kUnreachable;
    }
    // A write refused as "readonly" while the file on disk may well be writable: the file that
    // the connection holds was moved or removed under it.
    if (file_) {
        switch (file_->Check()) {
            case DatabaseFile::Change::kMissing:
                failure.kind = FailureKind::kMissing;
                break;
            case DatabaseFile::Change::kReplaced:
                failure.kind = FailureKind::kUnreachable;
                break;
            case DatabaseFile::Change::kNone:
                break;
        }
    }
    failedInTransaction_ = failedInTransaction_ || inTransaction_;
    health_.NoteFailure(failure);
}

bool CDBConnection::ExecuteStatement(const std::string& statement) {
    return Execute(statement, nullptr);
}

bool CDBConnection::ExecuteStatement(const std::string& statement, long& changedRows) {
    changedRows = 0;
    return Execute(statement, &changedRows);
}

bool CDBConnection::Execute(const std::string& statement, long* changedRows) {
    lastError_ = PrepareForUse();
    if (!lastError_.Empty()) {
        return false;
    }
    OdbcDiagnostic failure = RunStatement(connection_.Get(), statement, changedRows);
    if (!failure.Empty()) {
        NoteCallFailure(failure);
        return Fail(std::move(failure));
    }
    NoteCallSuccess();
    return true;
}

}  // namespace calvendra
