#pragma once

#include "view/listed_rows.h"

namespace calvendra {

// The order the user chose for the item list by clicking a column's header.
struct RowOrder {
    // The column; -1 for the order the rows were read in.
    int column = -1;
    bool ascending = true;

    bool operator==(const RowOrder& other) const {
        return column == other.column && ascending == other.ascending;
    }
    bool operator!=(const RowOrder& other) const { return !(*this == other); }

    // The order after a click on this column's header: a new column rises, the same one turns.
    RowOrder ClickedOn(int clicked) const {
        return clicked == column ? RowOrder{column, !ascending} : RowOrder{clicked, true};
    }
};

// The rows in that order, by the column's text as the user's language sorts it (the C locale:
// as languages commonly do): letters before
// their accents and letter case, numbers within a text by their value ("Room 9" before
// "Room 10"). Rows that show the same there keep the order they came in, either way. A column
// the rows do not have leaves them as they are. Touches nothing but the rows: it runs on the
// reading thread, so that 100,000 rows never stall the window.
ListedRows SortedRows(const ListedRows& rows, const RowOrder& order);
// The same in place: rows in the order they were read in stay as they are, without a copy.
void SortRows(ListedRows& rows, const RowOrder& order);

}  // namespace calvendra
