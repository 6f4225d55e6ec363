#pragma once

#include <functional>
#include <utility>

#include <wx/listctrl.h>

#include "store/identifiers.h"
#include "view/listed_rows.h"

namespace calvendra {

// The item list: a report list that holds no rows of its own but shows the rows it is given
// (wxLC_VIRTUAL), so that listing a large group costs what reading it costs and the list never
// measures or lays out a row that is not on the screen. Each row shows the one image of its kind
// in its first column. A virtual list keeps no item data: a row's item id is ItemIdAt.
class CItemListCtrl : public wxListCtrl {
public:
    CItemListCtrl(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size,
                  long style);

    // Shows these rows with this image, in place of the rows shown so far.
    void ShowRows(ListedRows rows, int image) { ShowRows(std::move(rows), image, image); }
    // The same for rows of both kinds (what a search found), each with its kind's image.
    void ShowRows(ListedRows rows, int contactImage, int scheduleImage);
    // The same, for rows read again: the selected rows, the focused row and the row at the top
    // stay with their items where these are still listed (the top row where it was when its item
    // went), so that rows coming and going elsewhere do not move what the user looks at.
    void ShowRowsInPlace(ListedRows rows, int image);
    // The same for rows of both kinds: all that a search found, after the first of them were shown.
    void ShowRowsInPlace(ListedRows rows, int contactImage, int scheduleImage);
    // The same rows in another order: the selected rows and the focused row stay with their
    // items, and the focused row stays in view.
    void ShowSortedRows(ListedRows rows);
    // Shows no rows.
    void Clear();
    // Where the rows that the list no longer shows go to be freed (a reading thread): freeing a
    // million rows takes long enough to be felt on the window thread. Without one they are freed
    // at once.
    void FreeReplacedRowsWith(std::function<void(ListedRows)> free) { free_ = std::move(free); }
    // Counts every change of the rows shown, so that rows sorted elsewhere can tell whether
    // they are still the list's.
    unsigned long RowsVersion() const { return rowsVersion_; }

    const ListedRows& Rows() const { return rows_; }
    // The item id of a row; 0 outside the rows.
    Identifier ItemIdAt(long row) const;
    // The row that shows this item; -1 when none does.
    long FindRow(Identifier itemId) const { return rows_.Find(itemId); }
    // Takes one row out; the rows after it, and their selection, move up.
    void RemoveRow(long row);

    // The window that shows the rows and takes the clicks, the keys and the focus (the list's
    // other part is its header).
    wxWindow* RowsWindow() const;

protected:
    wxString OnGetItemText(long item, long column) const override;
    int OnGetItemImage(long item) const override;

private:
    void OnHeaderDoubleClick(wxMouseEvent& event);
    // Replaces the rows, keeping the selection and the focused row on their items; the row at
    // the top stays on its item too when `keepTop` says so, else the focused row is scrolled to.
    void ReplaceRows(ListedRows rows, bool keepTop);

    // Shows `rows` in place of the rows shown so far, which go to free_.
    void TakeRows(ListedRows rows);

    ListedRows rows_;
    std::function<void(ListedRows)> free_;
    unsigned long rowsVersion_ = 0;
    int contactImage_ = -1;
    int scheduleImage_ = -1;
};

}  // namespace calvendra
