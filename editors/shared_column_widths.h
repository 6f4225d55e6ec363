#pragma once

#include <map>
#include <string>
#include <vector>

#include <wx/event.h>

class wxListCtrl;
class wxListEvent;

namespace calvendra {

// Keeps a report list's columns filling the width its rows have, so that no column is cut while
// there is room and no empty header fills the rest: each column gets its share of the width,
// also as the window grows or shrinks, and a column the user drags to another width keeps the
// share that width gives it.
class SharedColumnWidths : public wxEvtHandler {
public:
    explicit SharedColumnWidths(wxListCtrl& list);
    ~SharedColumnWidths() override;

    SharedColumnWidths(const SharedColumnWidths&) = delete;
    SharedColumnWidths& operator=(const SharedColumnWidths&) = delete;

    // One share a column, for the columns the list has now; applied at once.
    void SetShares(std::vector<int> shares);
    // The same for a list that shows several kinds of rows, each with columns of its own: the
    // shares are those of the kind, `shares` until the user drags a column of that kind.
    void SetShares(const std::string& kind, std::vector<int> shares);

    // Shares the width out again (after columns came or went).
    void Apply();

private:
    int RowsWidth() const;
    void OnSize(wxSizeEvent& event);
    void OnColumnDragged(wxListEvent& event);

    wxListCtrl& list_;
    std::string kind_;
    std::map<std::string, std::vector<int>> sharesByKind_;
};

}  // namespace calvendra
