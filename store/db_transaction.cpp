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
    // A connection that was lost is opened again now, before the change begins, not half way.
    lastError_ = connection_.PrepareForUse();
    if (!lastError_.Empty()) {
        return;
    }
    lastError_ = SetAutocommit(connection_.ConnectionHandle(), false);
    if (!lastError_.Empty()) {
        connection_.NoteCallFailure(lastError_);
        return;
    }
    open_ = true;
    connection_.inTransaction_ = true;
    connection_.failedInTransaction_ = false;
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
    connection_.inTransaction_ = false;
    SQLHDBC handle = connection_.ConnectionHandle();
    if (handle == SQL_NULL_HANDLE) {
        // The connection went; the database took back what was not committed.
        return NotConnected();
    }
    OdbcDiagnostic failure;
    if (commit && connection_.failedInTransaction_) {
        // What failed is no part of what could be kept. (A driver may even answer the commit of a
        // transaction that the database already ended as if everything had been kept.)
        failure = {std::string(), 0, "a statement of the change failed, so nothing of it was kept"};
    } else if (commit && !SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, handle, SQL_COMMIT))) {
        failure = ReadDiagnostic(SQL_HANDLE_DBC, handle);
        connection_.NoteCallFailure(failure);
    }
    if (!commit || !failure.Empty()) {
        SQLEndTran(SQL_HANDLE_DBC, handle, SQL_ROLLBACK);
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
