#pragma once

#include <string>
#include <string_view>

#include "store/db_connection.h"
#include "store/odbc_handle.h"
#include "store/row_block.h"
#include "store/statement_cancellation.h"

namespace calvendra {

// Whether a statement's SQLSTATE says that it was cancelled.
bool IsCancelState(const std::string& sqlState);

// Runs one query at a time on a connection and hands out its rows column by column, as text.
// Several result sets may be open on one connection at once, and statements may run on the
// connection while they are. Rows come from the driver a block at a time (RowBlock).
class CDBResultSet {
public:
    explicit CDBResultSet(CDBConnection& connection) : connection_(connection) {}
    ~CDBResultSet() { Close(); }

    CDBResultSet(const CDBResultSet&) = delete;
    CDBResultSet& operator=(const CDBResultSet&) = delete;

    // Closes the open query, then opens this one with a static cursor, or a forward-only one on
    // a connection that streams its rows (RowReading). True when it opened and
    // has a first row, which becomes the current row; a failure and an empty result both give
    // false, and LastError() tells them apart. The connection is opened again first when it was
    // lost (see CDBConnection).
    bool OpenQuery(const std::string& query);

    // Empties `value`, then fills it with the column of the current row (NULL reads as empty).
    // False when no query is open or the rows are used up. A position outside the select list
    // raises CDBException.
    bool ReadColumn(int position, std::string& value);

    // The same column without a copy: valid until the next MoveToNext, OpenQuery or Close. Empty
    // when no query is open or the rows are used up.
    std::string_view ColumnText(int position) const;

    // Moves to the next row; false when no query is open or there is no further row. A row the
    // driver fails to hand out ends the rows too, with its reason in LastError().
    bool MoveToNext();

    // Why the query failed to open or its rows ended early; empty when the rows simply ran out
    // (an empty result included). Opening the next query clears it.
    const OdbcDiagnostic& LastError() const { return lastError_; }

    // Lets another thread stop the queries this result set runs, while they run or between their
    // rows (StatementCancellation). A query stopped so fails with state HY008, and says nothing
    // about the connection: it stays usable. The token must outlive the result set.
    void CancelWith(StatementCancellation& cancellation) { cancellation_ = &cancellation; }

    // What the driver reported after opening. Drivers disagree on it after a select (0, the
    // count, or -1), so nothing may rely on it.
    long ReportedRowCount() const { return rowCount_; }

private:
    friend class CDBConnection;

    void Close();
    // Keeps the reason of a failure and gives false, for `return Fail(...)`.
    bool Fail(OdbcDiagnostic diagnostic);
    // The same for a failed driver call, which the connection hears of too.
    bool FailCall(OdbcDiagnostic diagnostic);
    bool IsOpen() const { return static_cast<bool>(statement_); }
    // Makes the next row the current row; false at the end of the rows or on failure.
    bool FetchRow();
    bool HasRow() const { return IsOpen() && !endOfRows_; }
    void CheckPosition(int position) const;
    // The failure of a call, or the cancellation that caused it.
    bool FailCallOrCancelled(OdbcDiagnostic diagnostic);

    // The handle no longer runs anything the token may cancel.
    void Withdraw(SQLHSTMT statement) {
        if (cancellation_) {
            cancellation_->Withdraw(statement);
        }
    }

    CDBConnection& connection_;
    OdbcHandle statement_;
    SQLSMALLINT columnCount_ = 0;
    // The rows fetched last; the columns of the current one can be read in any order and more
    // than once, whatever the driver allows.
    RowBlock block_;
    std::size_t currentRow_ = 0;
    long rowCount_ = 0;
    bool endOfRows_ = true;
    OdbcDiagnostic lastError_;
    StatementCancellation* cancellation_ = nullptr;
};

}  // namespace calvendra
