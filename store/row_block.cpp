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

OdbcDiagnostic RowBlock::Bind(SQLHSTMT statement, SQLSMALLINT columns, bool scrollable,
                              SQLUINTEGER getDataExtensions) {
    statement_ = statement;
    rowsFetched_ = 0;
    firstRow_ = 0;
    nextRow_ = 1;
    longValuesRead_.clear();
    if (scrollable) {
        longValues_ = LongValues::kFetchAgain;
    } else if ((getDataExtensions & SQL_GD_BOUND) == 0) {
        longValues_ = LongValues::kCannotRead;
    } else if ((getDataExtensions & SQL_GD_BLOCK) != 0) {
        longValues_ = LongValues::kPositionAndGet;
    } else {
        longValues_ = LongValues::kGetFromOneRow;
    }
    columns_.resize(static_cast<std::size_t>(std::max<SQLSMALLINT>(columns, 0)));
    for (Column& column : columns_) {
        column.width = kFirstWidth;
        column.wantedWidth = kFirstWidth;
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
    // Only the current row of a block can be read with SQLGetData where the driver cannot
    // position within a block.
    const std::size_t most = longValues_ == LongValues::kGetFromOneRow ? 1 : kMostRows;
    const std::size_t wanted =
        std::clamp<std::size_t>(kBlockBytes / std::max<std::size_t>(rowBytes, 1), 1, most);
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

bool RowBlock::IsCut(const Column& column, std::size_t row) const {
    const SQLLEN length = column.lengths[row];
    return length == SQL_NO_TOTAL || length >= column.width;
}

bool RowBlock::NoteCutColumns() {
    bool cut = false;
    for (Column& column : columns_) {
        for (SQLULEN row = 0; row < rowsFetched_; ++row) {
            const SQLLEN length = column.lengths[row];
            if (length == SQL_NO_TOTAL) {
                // The driver does not say how long the value is: try twice the width.
                column.wantedWidth = std::max(column.wantedWidth, column.width * 2);
                cut = true;
            } else if (length >= column.width) {
                column.wantedWidth = std::max(column.wantedWidth, RoundUpToStep(length + 1));
                cut = true;
            }
        }
    }
    return cut;
}

bool RowBlock::Widen() {
    bool widened = false;
    for (Column& column : columns_) {
        if (column.wantedWidth > column.width) {
            column.width = column.wantedWidth;
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
    longValuesRead_.clear();
    if (statement_ == SQL_NULL_HSTMT) {
        return false;
    }
    // Values of the last block that did not fit: this block comes in wider buffers.
    if (longValues_ != LongValues::kFetchAgain && Widen() && !BindBuffers(failure)) {
        rowsFetched_ = 0;
        return false;
    }
    const SQLRETURN rc = SQLFetchScroll(statement_, SQL_FETCH_NEXT, 0);
    if (rc == SQL_NO_DATA) {
        rowsFetched_ = 0;
        return false;
    }
    firstRow_ = nextRow_;
    const bool fetched = longValues_ == LongValues::kFetchAgain ? FetchScrollable(rc, failure)
                                                                : FetchForwardOnly(rc, failure);
    if (!fetched) {
        rowsFetched_ = 0;
        longValuesRead_.clear();
        return false;
    }
    nextRow_ = firstRow_ + static_cast<SQLLEN>(rowsFetched_);
    return rowsFetched_ > 0;
}

bool RowBlock::FetchScrollable(SQLRETURN rc, OdbcDiagnostic& failure) {
    if (!CheckRows(rc, failure)) {
        return false;
    }
    // Values that did not fit: the block again, from its first row, into wider buffers.
    while (NoteCutColumns() && Widen()) {
        if (!BindBuffers(failure)) {
            return false;
        }
        rc = SQLFetchScroll(statement_, SQL_FETCH_ABSOLUTE, firstRow_);
        if (!CheckRows(rc, failure)) {
            return false;
        }
    }
    return true;
}

bool RowBlock::FetchForwardOnly(SQLRETURN rc, OdbcDiagnostic& failure) {
    if (!CheckRows(rc, failure)) {
        return false;
    }
    if (!NoteCutColumns()) {
        return true;
    }
    if (longValues_ == LongValues::kCannotRead) {
        failure = {std::string(), 0,
                   "a value is longer than its buffer, and the driver cannot hand it out whole "
                   "on a forward-only cursor"};
        return false;
    }
    for (SQLULEN row = 0; row < rowsFetched_; ++row) {
        bool positioned = longValues_ == LongValues::kGetFromOneRow;
        for (std::size_t column = 0; column < columns_.size(); ++column) {
            if (!IsCut(columns_[column], row)) {
                continue;
            }
            if (!positioned) {
                if (!SQL_SUCCEEDED(SQLSetPos(statement_, static_cast<SQLSETPOSIROW>(row + 1),
                                             SQL_POSITION, SQL_LOCK_NO_CHANGE))) {
                    failure = StatementFailure();
                    return false;
                }
                positioned = true;
            }
            LongValue value{row, column, std::string()};
            if (!ReadWhole(column, value.text, failure)) {
                return false;
            }
            Column& widened = columns_[column];
            widened.wantedWidth = std::max(
                widened.wantedWidth, RoundUpToStep(static_cast<SQLLEN>(value.text.size()) + 1));
            longValuesRead_.push_back(std::move(value));
        }
    }
    return true;
}

bool RowBlock::ReadWhole(std::size_t column, std::string& value, OdbcDiagnostic& failure) {
    value.clear();
    char chunk[4096];
    for (;;) {
        SQLLEN length = 0;
        const SQLRETURN rc = SQLGetData(statement_, static_cast<SQLUSMALLINT>(column + 1),
                                        SQL_C_CHAR, chunk, sizeof chunk, &length);
        if (rc == SQL_NO_DATA) {
            return true;  // every part has been read
        }
        if (!SQL_SUCCEEDED(rc)) {
            failure = StatementFailure();
            return false;
        }
        if (length == SQL_NULL_DATA) {
            return true;
        }
        const bool whole = length != SQL_NO_TOTAL && length < static_cast<SQLLEN>(sizeof chunk);
        value.append(chunk, whole ? static_cast<std::size_t>(length) : sizeof chunk - 1);
        if (whole) {
            return true;
        }
    }
}

std::string_view RowBlock::Value(std::size_t row, std::size_t column) const {
    const Column& bound = columns_[column];
    const SQLLEN length = bound.lengths[row];
    if (length == SQL_NULL_DATA || length == 0) {
        return std::string_view();  // NULL, or empty
    }
    if (IsCut(bound, row)) {
        for (const LongValue& value : longValuesRead_) {
            if (value.row == row && value.column == column) {
                return value.text;
            }
        }
        if (length < 0) {
            return std::string_view();  // a length the driver never told
        }
    }
    return std::string_view(bound.values.get() + static_cast<std::size_t>(bound.width) * row,
                            static_cast<std::size_t>(std::min(length, bound.width - 1)));
}

void RowBlock::Release() {
    statement_ = SQL_NULL_HSTMT;
    rowsFetched_ = 0;
    firstRow_ = 0;
    nextRow_ = 1;
    longValuesRead_.clear();
}

}  // namespace calvendra
