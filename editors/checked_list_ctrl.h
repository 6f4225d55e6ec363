#pragma once

#include <array>
#include <string>
#include <vector>

#include <wx/listctrl.h>

#include "editors/shared_column_widths.h"
#include "store/identifiers.h"

namespace calvendra {

// A report list with a check box on every row, grid lines and full-row selection, whose rows each
// carry an id. The list is virtual: it keeps its rows itself and draws only those in view, so that
// filling it costs next to nothing however many rows there are.
class CCheckedListCtrl : public wxListCtrl {
public:
    struct Row {
        Identifier id = 0;
        std::array<std::string, 3> texts;  // UTF-8, as stored
        bool checked = false;
    };

    CCheckedListCtrl(wxWindow* parent, wxWindowID id = wxID_ANY);

    // Replaces the columns: one per heading, left-aligned, sharing the list's width by
    // `shares` (alike when there are none), also as the dialog grows or shrinks.
    void SetHeadings(const std::vector<std::string>& headings, std::vector<int> shares = {});

    // Replaces the rows.
    void SetRows(std::vector<Row> rows);

    const Row& RowAt(long row) const { return rows_.at(static_cast<std::size_t>(row)); }

    // The rows whose check box is set, from the first to the last.
    std::vector<const Row*> CheckedRows() const;

protected:
    wxString OnGetItemText(long item, long column) const override;
    bool OnGetItemIsChecked(long item) const override;

private:
    void OnCheckChanged(wxListEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnFocus(wxFocusEvent& event);

    std::vector<Row> rows_;
    SharedColumnWidths columnWidths_{*this};
};

}  // namespace calvendra
