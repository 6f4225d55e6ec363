#include "store/db_transaction.h"

#include <sqlext.h>

#include "platform/log.h"

namespace calvendra {

namespace {

OdbcDiagnostic SetAutocommit(SQLHDBC connection, bool on) {
    const SQLRETURN rc = SQLSetConnectAttr(connection, SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(
                                               on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
                                           SQL_IS_UINTEGER);
    if (SQL_SUCCEEDED(rc)) {
        return {};
    }
    return ReadDiagnostic(SQL_HANDLE_DBC, connection);
}

}  // namespace

CDBTransaction::CDBTransaction(CDBConnection& connection) : connection_(connection) {
    if (!connection_.IsConnected()) {
        lastError_ = NotConnected();
        return;
    }
    lastError_ = SetAutocommit(connection_.ConnectionHandle(), false);
    open_ = lastError_.Empty();
}

CDBTransaction::~CDBTransaction() {
    if (open_) {
        End(false);
    }
}

bool CDBTransaction::Commit() {
    if (!open_) {
        if (lastError_.Empty()) {
            lastError_ = {std::string(), 0, "the transaction has already ended"};
        }
        return false;
    }
    lastError_ = End(true);
    return lastError_.Empty();
}

OdbcDiagnostic CDBTransaction::End(bool commit) {
    open_ = false;
    SQLHDBC handle = connection_.ConnectionHandle();
    if (handle == SQL_NULL_HANDLE) {
        // The connection went; the database took back what was not committed.
        return NotConnected();
    }
    OdbcDiagnostic failure;
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, handle, commit ? SQL_COMMIT : SQL_ROLLBACK))) {
        failure = ReadDiagnostic(SQL_HANDLE_DBC, handle);
        if (commit) {
            // A commit that failed leaves nothing half kept.
            SQLEndTran(SQL_HANDLE_DBC, handle, SQL_ROLLBACK);
        }
    }
    // Automatic commit again. What the commit kept stays kept when this fails; the connection is
    // then most likely lost, and the statements that follow fail on their own.
    const OdbcDiagnostic restored = SetAutocommit(handle, true);
    if (!restored.Empty()) {
        LogWarning("The database connection could not return to automatic commit: " +
                   restored.Text());
    }
    return failure;
}

OdbcDiagnostic RunAsOneChange(CDBConnection& connection,
                              const std::vector<std::string>& statements) {
    CDBTransaction transaction(connection);
    if (!transaction.IsOpen()) {
        return transaction.LastError();
    }
    for (const std::string& statement : statements) {
        if (!connection.ExecuteStatement(statement)) {
            // The destructor takes back what ran before.
            return connection.LastError();
        }
    }
    if (!transaction.Commit()) {
        return transaction.LastError();
    }
    return {};
}

}  // namespace calvendra
