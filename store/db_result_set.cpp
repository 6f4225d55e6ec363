#include "store/db_result_set.h"

#include <sqlext.h>

#include <utility>

#include "store/db_exception.h"

namespace calvendra {

namespace {

// Why a query stopped that another thread cancelled.
OdbcDiagnostic CancelledStatement() {
    return {"HY008", 0, "the statement was cancelled", FailureKind::kOther};
}

}  // namespace

bool IsCancelState(const std::string& sqlState) {
    // ODBC's "operation canceled", and PostgreSQL's "query_canceled" as psqlODBC passes it on.
    return sqlState == "HY008" || sqlState == "57014";
}

void CDBResultSet::Close() {
    if (statement_) {
        connection_.Detach(this);
        Withdraw(statement_.Get());
    }
    block_.Release();
    statement_.Reset();
    columnCount_ = 0;
    currentRow_ = 0;
    rowCount_ = 0;
    endOfRows_ = true;
}

bool CDBResultSet::Fail(OdbcDiagnostic diagnostic) {
    lastError_ = std::move(diagnostic);
    return false;
}

bool CDBResultSet::FailCall(OdbcDiagnostic diagnostic) {
    connection_.NoteCallFailure(diagnostic);
    return Fail(std::move(diagnostic));
}

bool CDBResultSet::FailCallOrCancelled(OdbcDiagnostic diagnostic) {
    if (cancellation_ && cancellation_->Cancelled()) {
        return Fail(CancelledStatement());
    }
    // A cancel request meant for work before this statement that reached the server late: the
    // statement stopped, the connection is as good as before, and the work may run it again.
    if (cancellation_ && IsCancelState(diagnostic.sqlState)) {
        return Fail(std::move(diagnostic));
    }
    return FailCall(std::move(diagnostic));
}

bool CDBResultSet::OpenQuery(const std::string& query) {
    Close();
    lastError_ = connection_.PrepareForUse();
    if (!lastError_.Empty()) {
        return false;
    }
    OdbcHandle statement = OdbcHandle::Allocate(SQL_HANDLE_STMT, connection_.ConnectionHandle());
    if (!statement) {
        return Fail(ReadDiagnostic(SQL_HANDLE_DBC, connection_.ConnectionHandle()));
    }
    // A snapshot: the rows are fixed when the query opens, so that other statements may run on
    // the connection while this one is read. A streamed read goes forward only, and never writes.
    const bool streamed = connection_.Reading() == RowReading::kStreamed;
    SQLSetStmtAttr(
        statement.Get(), SQL_ATTR_CURSOR_TYPE,
        reinterpret_cast<SQLPOINTER>(streamed ? SQL_CURSOR_FORWARD_ONLY : SQL_CURSOR_STATIC), 0);
    SQLSetStmtAttr(statement.Get(), SQL_ATTR_CONCURRENCY,
                   reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), 0);
    if (cancellation_ &&
        !cancellation_->Register(statement.Get(),
                                 DriverCancelsFromAnotherThread(connection_.ConnectionHandle()))) {
        return Fail(CancelledStatement());
    }
    const SQLRETURN rc =
        SQLExecDirect(statement.Get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(query.c_str())),
                      static_cast<SQLINTEGER>(query.size()));
    SQLSMALLINT columns = 0;
    if (!SQL_SUCCEEDED(rc) || !SQL_SUCCEEDED(SQLNumResultCols(statement.Get(), &columns))) {
        FailCallOrCancelled(ReadDiagnostic(SQL_HANDLE_STMT, statement.Get()));
        Withdraw(statement.Get());
        return false;
    }
    connection_.NoteCallSuccess();
    if (columns <= 0) {
        Withdraw(statement.Get());
        return Fail({std::string(), 0, "the statement returns no columns"});
    }
    SQLLEN rows = 0;
    if (SQL_SUCCEEDED(SQLRowCount(statement.Get(), &rows))) {
        rowCount_ = static_cast<long>(rows);
    }
    OdbcDiagnostic refused =
        block_.Bind(statement.Get(), columns, !streamed, connection_.GetDataExtensions());
    if (!refused.Empty()) {
        block_.Release();
        Withdraw(statement.Get());
        return Fail(std::move(refused));
    }
    statement_ = std::move(statement);
    connection_.Attach(this);
    columnCount_ = columns;
    endOfRows_ = false;
    if (FetchRow()) {
        return true;
    }
    Close();
    return false;
}

bool CDBResultSet::FetchRow() {
    if (block_.RowCount() > 0 && currentRow_ + 1 < block_.RowCount()) {
        ++currentRow_;
        return true;
    }
    currentRow_ = 0;
    OdbcDiagnostic failure;
    // A cancellation that came between two calls, which no driver remembers, is seen here.
    if (cancellation_ && cancellation_->Cancelled()) {
        endOfRows_ = true;
        return Fail(CancelledStatement());
    }
    if (block_.FetchNext(failure)) {
        return true;
    }
    // A block the driver cannot hand out whole ends the rows, as the end of the rows does.
    endOfRows_ = true;
    if (!failure.Empty() || (cancellation_ && cancellation_->Cancelled())) {
        return FailCallOrCancelled(std::move(failure));
    }
    return false;
}

void CDBResultSet::CheckPosition(int position) const {
    if (position < 0 || position >= columnCount_) {
        throw CDBException("Column " + std::to_string(position) +
                           " is outside the select list of the open query.");
    }
}

bool CDBResultSet::ReadColumn(int position, std::string& value) {
    value.clear();
    if (!HasRow()) {
        return false;
    }
    CheckPosition(position);
    value.assign(block_.Value(currentRow_, static_cast<std::size_t>(position)));
    return true;
}

std::string_view CDBResultSet::ColumnText(int position) const {
    if (!HasRow()) {
        return std::string_view();
    }
    CheckPosition(position);
    return block_.Value(currentRow_, static_cast<std::size_t>(position));
}

bool CDBResultSet::MoveToNext() {
    if (!HasRow()) {
        return false;
    }
    return FetchRow();
}

}  // namespace calvendra
