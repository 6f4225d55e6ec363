#pragma once

#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/odbc_handle.h"

namespace calvendra {

// Runs one query at a time on a connection and hands out its rows column by column, as text.
// Several result sets may be open on one connection at once, and statements may run on the
// connection while they are.
class CDBResultSet {
public:
    explicit CDBResultSet(CDBConnection& connection) : connection_(connection) {}
    ~CDBResultSet() { Close(); }

    CDBResultSet(const CDBResultSet&) = delete;
    CDBResultSet& operator=(const CDBResultSet&) = delete;

    // Closes the open query, then opens this one with a static cursor. True when it opened and
    // has a first row, which becomes the current row; a failure and an empty result both give
    // false, and LastError() tells them apart. The connection is opened again first when it was
    // lost (see CDBConnection).
    bool OpenQuery(const std::string& query);

    // Empties `value`, then fills it with the column of the current row (NULL reads as empty).
    // False when no query is open or the rows are used up. A position outside the select list
    // raises CDBException.
    bool ReadColumn(int position, std::string& value);

    // Moves to the next row; false when no query is open or there is no further row. A row the
    // driver fails to hand out ends the rows too, with its reason in LastError().
    bool MoveToNext();

    // Why the query failed to open or its rows ended early; empty when the rows simply ran out
    // (an empty result included). Opening the next query clears it.
    const OdbcDiagnostic& LastError() const { return lastError_; }

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
    // Fetches the next row into the current row; false at the end of the rows or on failure.
    bool FetchRow();
    bool ReadColumnText(SQLUSMALLINT column, std::string& value);

    CDBConnection& connection_;
    OdbcHandle statement_;
    SQLSMALLINT columnCount_ = 0;
    // The values of the current row, read whole when the row is fetched so that the columns can
    // then be read in any order and more than once, whatever the driver allows.
    std::vector<std::string> row_;
    long rowCount_ = 0;
    bool endOfRows_ = true;
    OdbcDiagnostic lastError_;
};

}  // namespace calvendra
