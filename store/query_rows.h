#pragma once

#include <string>

#include "store/db_result_set.h"
#include "store/identifiers.h"

namespace calvendra {

// The current row of a result set, read by the positions that the statement catalogue names next
// to each statement. Numbers are read the organizer's way (column_values.h).
class ResultRow {
public:
    explicit ResultRow(CDBResultSet& results) : results_(&results) {}

    std::string Text(int position) const;
    long Long(int position) const;
    int Int(int position) const;
    Identifier Id(int position) const;
    // On only when the column reads as exactly 1.
    bool Flag(int position) const;

private:
    CDBResultSet* results_;
};

// The rows of one query, in the order the query gives them, for a range-for:
//
//     CDBResultSet results(connection);
//     for (const ResultRow& row : QueryRows(results, statements::SelectAllContacts())) {
//         ... row.Id(catalogue::ContactListColumns::kContactId) ...
//     }
//     if (!results.LastError().Empty()) { ... the query failed, or its rows ended early ... }
//
// The query opens when the range is made. A query that fails and one without rows both give no
// rows; the result set's LastError() tells them apart. `break` leaves the rest unread.
class QueryRows {
public:
    QueryRows(CDBResultSet& results, const std::string& query)
        : results_(results), hasRow_(results.OpenQuery(query)) {}

    // Walks the rows once; advancing reads the next row.
    class Iterator {
    public:
        Iterator(CDBResultSet& results, bool atEnd)
            : results_(&results), row_(results), atEnd_(atEnd) {}

        const ResultRow& operator*() const { return row_; }
        Iterator& operator++() {
            atEnd_ = !results_->MoveToNext();
            return *this;
        }
        bool operator!=(const Iterator& other) const { return atEnd_ != other.atEnd_; }

    private:
        CDBResultSet* results_;
        ResultRow row_;
        bool atEnd_;
    };

    Iterator begin() const { return Iterator(results_, !hasRow_); }
    Iterator end() const { return Iterator(results_, true); }

private:
    CDBResultSet& results_;
    bool hasRow_;
};

}  // namespace calvendra
