#include "store/row_block.h"

#include <sqlext.h>

#include <algorithm>

namespace calvendra {

namespace {

// Wide enough for every number and most names at the start; a column grows when a value needs it.
constexpr SQLLEN kFirstWidth = 64;
constexpr SQLLEN kWidthStep = 64;

SQLLEN RoundUpToStep(SQLLEN bytes) {
    return (bytes + kWidthStep - 1) / kWidthStep * kWidthStep;
}

}  // namespace

OdbcDiagnostic RowBlock::StatementFailure() const {
    return ReadDiagnostic(SQL_HANDLE_STMT, statement_);
}

OdbcDiagnostic RowBlock::Bind(SQLHSTMT statement, SQLSMALLINT columns) {
    statement_ = statement;
    rowsFetched_ = 0;
    firstRow_ = 0;
    nextRow_ = 1;
    columns_.resize(static_cast<std::size_t>(std::max<SQLSMALLINT>(columns, 0)));
    for (Column& column : columns_) {
        column.width = kFirstWidth;
    }
    OdbcDiagnostic failure;
    BindBuffers(failure);
    return failure;
}

bool RowBlock::BindBuffers(OdbcDiagnostic& failure) {
    std::size_t rowBytes = 0;
    for (const Column& column : columns_) {
        rowBytes += static_cast<std::size_t>(column.width) + sizeof(SQLLEN);
    }
    const std::size_t wanted =
        std::clamp<std::size_t>(kBlockBytes / std::max<std::size_t>(rowBytes, 1), 1, kMostRows);
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(statement_, SQL_ATTR_ROW_ARRAY_SIZE,
                                      reinterpret_cast<SQLPOINTER>(wanted), 0))) {
        failure = StatementFailure();
        return false;
    }
    // A driver may take fewer rows a block than asked for, and says so only when asked.
    SQLULEN rows = wanted;
    if (!SQL_SUCCEEDED(SQLGetStmtAttr(statement_, SQL_ATTR_ROW_ARRAY_SIZE, &rows, 0, nullptr)) ||
        rows == 0 || rows > wanted) {
        rows = 1;
    }
    rowStatus_.assign(rows, SQL_ROW_NOROW);
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(statement_, SQL_ATTR_ROW_BIND_TYPE,
                                      reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0)) ||
        !SQL_SUCCEEDED(SQLSetStmtAttr(statement_, SQL_ATTR_ROWS_FETCHED_PTR, &rowsFetched_, 0)) ||
        !SQL_SUCCEEDED(SQLSetStmtAttr(statement_, SQL_ATTR_ROW_STATUS_PTR, rowStatus_.data(), 0))) {
        failure = StatementFailure();
        return false;
    }
    SQLUSMALLINT number = 1;
    for (Column& column : columns_) {
        column.values.reset(new char[static_cast<std::size_t>(column.width) * rows]);
        column.lengths.assign(rows, SQL_NULL_DATA);
        if (!SQL_SUCCEEDED(SQLBindCol(statement_, number++, SQL_C_CHAR, column.values.get(),
                                      column.width, column.lengths.data()))) {
            failure = StatementFailure();
            return false;
        }
    }
    return true;
}

bool RowBlock::WidenCutColumns() {
    bool widened = false;
    for (Column& column : columns_) {
        SQLLEN needed = column.width;
        for (SQLULEN row = 0; row < rowsFetched_; ++row) {
            const SQLLEN length = column.lengths[row];
            if (length == SQL_NO_TOTAL) {
                // The driver does not say how long the value is: try twice the width.
                needed = std::max(needed, column.width * 2);
            } else if (length >= column.width) {
                needed = std::max(needed, length + 1);
            }
        }
        if (needed > column.width) {
            column.width = RoundUpToStep(needed);
            widened = true;
        }
    }
    return widened;
}

bool RowBlock::CheckRows(SQLRETURN rc, OdbcDiagnostic& failure) {
    if (!SQL_SUCCEEDED(rc)) {
        failure = StatementFailure();
        return false;
    }
    for (SQLULEN row = 0; row < rowsFetched_; ++row) {
        if (rowStatus_[row] == SQL_ROW_ERROR) {
            failure = StatementFailure();
            return false;
        }
    }
    return true;
}

bool RowBlock::FetchNext(OdbcDiagnostic& failure) {
    failure = {};
    if (statement_ == SQL_NULL_HSTMT) {
        return false;
    }
    SQLRETURN rc = SQLFetchScroll(statement_, SQL_FETCH_NEXT, 0);
    if (rc == SQL_NO_DATA) {
        rowsFetched_ = 0;
        return false;
    }
    firstRow_ = nextRow_;
    if (!CheckRows(rc, failure)) {
        rowsFetched_ = 0;
        return false;
    }
    // Values that did not fit: the block again, from its first row, into wider buffers.
    while (WidenCutColumns()) {
        if (!BindBuffers(failure)) {
            rowsFetched_ = 0;
            return false;
        }
        rc = SQLFetchScroll(statement_, SQL_FETCH_ABSOLUTE, firstRow_);
        if (!CheckRows(rc, failure)) {
            rowsFetched_ = 0;
            return false;
        }
    }
    nextRow_ = firstRow_ + static_cast<SQLLEN>(rowsFetched_);
    return rowsFetched_ > 0;
}

std::string_view RowBlock::Value(std::size_t row, std::size_t column) const {
    const Column& bound = columns_[column];
    const SQLLEN length = bound.lengths[row];
    if (length <= 0) {
        return std::string_view();  // NULL, or empty
    }
    return std::string_view(bound.values.get() + static_cast<std::size_t>(bound.width) * row,
                            static_cast<std::size_t>(std::min(length, bound.width - 1)));
}

void RowBlock::Release() {
    statement_ = SQL_NULL_HSTMT;
    rowsFetched_ = 0;
    firstRow_ = 0;
    nextRow_ = 1;
}

}  // namespace calvendra
