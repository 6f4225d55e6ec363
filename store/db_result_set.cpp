#include "store/db_result_set.h"

#include <sqlext.h>

#include <utility>

#include "store/db_exception.h"

namespace calvendra {

namespace {

constexpr std::size_t kChunkSize = 1024;

}  // namespace

void CDBResultSet::Close() {
    if (statement_) {
        connection_.Detach(this);
    }
    statement_.Reset();
    columnCount_ = 0;
    row_.clear();
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
    // the connection while this one is read.
    SQLSetStmtAttr(statement.Get(), SQL_ATTR_CURSOR_TYPE,
                   reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0);
    const SQLRETURN rc =
        SQLExecDirect(statement.Get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(query.c_str())),
                      static_cast<SQLINTEGER>(query.size()));
    SQLSMALLINT columns = 0;
    if (!SQL_SUCCEEDED(rc) || !SQL_SUCCEEDED(SQLNumResultCols(statement.Get(), &columns))) {
        return FailCall(ReadDiagnostic(SQL_HANDLE_STMT, statement.Get()));
    }
    connection_.NoteCallSuccess();
    if (columns <= 0) {
        return Fail({std::string(), 0, "the statement returns no columns"});
    }
    SQLLEN rows = 0;
    if (SQL_SUCCEEDED(SQLRowCount(statement.Get(), &rows))) {
        rowCount_ = static_cast<long>(rows);
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
    row_.clear();
    const SQLRETURN rc = SQLFetch(statement_.Get());
    if (!SQL_SUCCEEDED(rc)) {
        endOfRows_ = true;
        if (rc != SQL_NO_DATA) {
            return FailCall(ReadDiagnostic(SQL_HANDLE_STMT, statement_.Get()));
        }
        return false;
    }
    row_.resize(static_cast<std::size_t>(columnCount_));
    for (SQLSMALLINT column = 1; column <= columnCount_; ++column) {
        // A row the driver cannot hand out whole ends the rows, as a failed fetch does.
        if (!ReadColumnText(static_cast<SQLUSMALLINT>(column), row_[column - 1])) {
            row_.clear();
            endOfRows_ = true;
            return FailCall(ReadDiagnostic(SQL_HANDLE_STMT, statement_.Get()));
        }
    }
    return true;
}

bool CDBResultSet::ReadColumnText(SQLUSMALLINT column, std::string& value) {
    value.clear();
    char chunk[kChunkSize];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(statement_.Get(), column, SQL_C_CHAR, chunk, sizeof chunk, &indicator);
        if (rc == SQL_NO_DATA) {
            break;
        }
        if (!SQL_SUCCEEDED(rc)) {
            return false;
        }
        if (indicator == SQL_NULL_DATA) {
            value.clear();
            return true;
        }
        // On truncation the chunk is full save its terminating zero; otherwise the indicator
        // tells what is left.
        const bool truncated =
            rc == SQL_SUCCESS_WITH_INFO &&
            (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof chunk));
        const std::size_t length =
            truncated ? sizeof chunk - 1 : static_cast<std::size_t>(indicator);
        value.append(chunk, length);
        if (!truncated) {
            break;
        }
    }
    return true;
}

bool CDBResultSet::ReadColumn(int position, std::string& value) {
    value.clear();
    if (!IsOpen() || endOfRows_) {
        return false;
    }
    if (position < 0 || position >= columnCount_) {
        throw CDBException("Column " + std::to_string(position) +
                           " is outside the select list of the open query.");
    }
    value = row_[static_cast<std::size_t>(position)];
    return true;
}

bool CDBResultSet::MoveToNext() {
    if (!IsOpen() || endOfRows_) {
        return false;
    }
    return FetchRow();
}

}  // namespace calvendra
