#pragma once

#include <sql.h>

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "store/odbc_diagnostic.h"

namespace calvendra {

// The rows of an open query, fetched a block at a time into buffers bound to its columns, every
// column as text. One driver call hands out a whole block, and the values are read from memory
// the program owns: there is no call into the driver per value.
//
// A value longer than its column's buffer is not cut: the column's buffer grows to hold it and
// the block is fetched again from its first row, which the static cursor allows. Buffers are kept
// within kBlockBytes by fetching fewer rows at a time once values are long.
class RowBlock {
public:
    // Rows a block holds at most, and the bytes its buffers may take before it holds fewer.
    static constexpr std::size_t kMostRows = 256;
    static constexpr std::size_t kBlockBytes = 4 * 1024 * 1024;

    RowBlock() = default;
    RowBlock(const RowBlock&) = delete;
    RowBlock& operator=(const RowBlock&) = delete;

    // Binds buffers to the `columns` columns of the statement, which has just been executed.
    // Empty when the driver took them, otherwise why not.
    OdbcDiagnostic Bind(SQLHSTMT statement, SQLSMALLINT columns);

    // Fetches the block after the current one. False at the end of the rows, and on a failure,
    // which `failure` then holds.
    bool FetchNext(OdbcDiagnostic& failure);

    std::size_t RowCount() const { return rowsFetched_; }

    // A value of a fetched row; NULL reads as empty. Valid until the next fetch.
    std::string_view Value(std::size_t row, std::size_t column) const;

    // Forgets the statement; the buffers stay for the next one.
    void Release();

private:
    struct Column {
        SQLLEN width = 0;  // bytes per value, its terminating zero included
        std::unique_ptr<char[]> values;
        std::vector<SQLLEN> lengths;
    };

    // Sizes every buffer for as many rows as kBlockBytes allows, and binds it.
    bool BindBuffers(OdbcDiagnostic& failure);
    // Widens the columns whose values the fetch cut; false when none was cut.
    bool WidenCutColumns();
    // The block's rows as the driver reported them; false on a row it could not hand out.
    bool CheckRows(SQLRETURN rc, OdbcDiagnostic& failure);
    OdbcDiagnostic StatementFailure() const;

    SQLHSTMT statement_ = SQL_NULL_HSTMT;
    std::vector<Column> columns_;
    std::vector<SQLUSMALLINT> rowStatus_;
    SQLULEN rowsFetched_ = 0;
    // The cursor's number of the block's first row and of the row after the block, counted from 1.
    SQLLEN firstRow_ = 0;
    SQLLEN nextRow_ = 1;
};

}  // namespace calvendra
