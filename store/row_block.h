#pragma once

#include <sql.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/odbc_diagnostic.h"

namespace calvendra {

// The rows of an open query, fetched a block at a time into buffers bound to its columns, every
// column as text. One driver call hands out a whole block, and the values are read from memory
// the program owns: there is no call into the driver per value.
//
// A value longer than its column's buffer is not cut. On a static cursor the column's buffer
// grows to hold it and the block is fetched again from its first row. A forward-only cursor
// cannot go back: the value is read whole with SQLGetData, after positioning on its row where the
// driver allows that within a block (SQL_GD_BLOCK), or else from the current row of a block of one
// row; the column's buffer grows from the next block on. Buffers are kept within kBlockBytes by
// fetching fewer rows at a time once values are long.
class RowBlock {
public:
    // Rows a block holds at most, and the bytes its buffers may take before it holds fewer.
    static constexpr std::size_t kMostRows = 256;
    static constexpr std::size_t kBlockBytes = 4 * 1024 * 1024;

    RowBlock() = default;
    RowBlock(const RowBlock&) = delete;
    RowBlock& operator=(const RowBlock&) = delete;

    // Binds buffers to the `columns` columns of the statement, which has just been executed.
    // `scrollable`: the statement's cursor can fetch a block again (a static cursor).
    // `getDataExtensions`: what SQLGetData can do on the driver (SQL_GETDATA_EXTENSIONS). Empty
    // when the driver took the buffers, otherwise why not.
    OdbcDiagnostic Bind(SQLHSTMT statement, SQLSMALLINT columns, bool scrollable,
                        SQLUINTEGER getDataExtensions);

    // Fetches the block after the current one. False at the end of the rows, and on a failure,
    // which `failure` then holds.
    bool FetchNext(OdbcDiagnostic& failure);

    std::size_t RowCount() const { return rowsFetched_; }

    // A value of a fetched row; NULL reads as empty. Valid until the next fetch.
    std::string_view Value(std::size_t row, std::size_t column) const;

    // Forgets the statement; the buffers stay for the next one.
    void Release();

private:
    // How a value longer than its buffer is read whole.
    enum class LongValues {
        kFetchAgain,      // the block again, into wider buffers (static cursor)
        kPositionAndGet,  // SQLSetPos to its row, then SQLGetData
        kGetFromOneRow,   // blocks of one row, and SQLGetData on it
        kCannotRead,      // the driver offers no way: the fetch fails
    };

    struct Column {
        SQLLEN width = 0;  // bytes per value, its terminating zero included
        // What the next block needs: more than `width` once a value did not fit.
        SQLLEN wantedWidth = 0;
        std::unique_ptr<char[]> values;
        std::vector<SQLLEN> lengths;
    };

    // A value of the current block that did not fit its buffer, read whole.
    struct LongValue {
        std::size_t row = 0;
        std::size_t column = 0;
        std::string text;
    };

    // Sizes every buffer for as many rows as kBlockBytes allows, and binds it.
    bool BindBuffers(OdbcDiagnostic& failure);
    // Notes in wantedWidth the width that the values of the block need; false when all fit.
    bool NoteCutColumns();
    // Takes the wanted widths; false when none is wider.
    bool Widen();
    // The block's rows as the driver reported them; false on a row it could not hand out.
    bool CheckRows(SQLRETURN rc, OdbcDiagnostic& failure);
    bool FetchScrollable(SQLRETURN rc, OdbcDiagnostic& failure);
    bool FetchForwardOnly(SQLRETURN rc, OdbcDiagnostic& failure);
    // Reads whole, on the current row, a value that did not fit.
    bool ReadWhole(std::size_t column, std::string& value, OdbcDiagnostic& failure);
    bool IsCut(const Column& column, std::size_t row) const;
    OdbcDiagnostic StatementFailure() const;

    SQLHSTMT statement_ = SQL_NULL_HSTMT;
    LongValues longValues_ = LongValues::kFetchAgain;
    std::vector<Column> columns_;
    std::vector<LongValue> longValuesRead_;
    std::vector<SQLUSMALLINT> rowStatus_;
    SQLULEN rowsFetched_ = 0;
    // The cursor's number of the block's first row and of the row after the block, counted from 1.
    SQLLEN firstRow_ = 0;
    SQLLEN nextRow_ = 1;
};

}  // namespace calvendra
