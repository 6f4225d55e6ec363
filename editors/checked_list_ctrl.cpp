#include "editors/checked_list_ctrl.h"

#include <wx/translation.h>

#include "resources/store_text.h"

namespace calvendra {

CCheckedListCtrl::CCheckedListCtrl(wxWindow* parent, wxWindowID id)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_HRULES | wxLC_VRULES | wxBORDER_THEME) {
    EnableCheckBoxes();
    // A click into a check box, the space key and CheckItem() all end here; the rows keep the
    // marks, since a virtual list keeps nothing itself.
    Bind(wxEVT_LIST_ITEM_CHECKED, &CCheckedListCtrl::OnCheckChanged, this);
    Bind(wxEVT_LIST_ITEM_UNCHECKED, &CCheckedListCtrl::OnCheckChanged, this);
    // The generic list takes Space for the selection only; a check list ticks with it, as GTK's
    // do. The rows window has the keys (the header is the list's other part).
    GetTargetWindow()->Bind(wxEVT_KEY_DOWN, &CCheckedListCtrl::OnKeyDown, this);
    GetTargetWindow()->Bind(wxEVT_SET_FOCUS, &CCheckedListCtrl::OnFocus, this);
}

void CCheckedListCtrl::OnFocus(wxFocusEvent& event) {
    event.Skip();
    // As in GTK's lists, the keys work from the first row on once the list has the focus.
    if (GetItemCount() > 0 && GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED) < 0) {
        SetItemState(0, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
    }
}

void CCheckedListCtrl::OnKeyDown(wxKeyEvent& event) {
    const bool space = event.GetKeyCode() == WXK_SPACE || event.GetKeyCode() == WXK_NUMPAD_SPACE;
    const long focused = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    if (!space || event.HasAnyModifiers() || focused < 0) {
        event.Skip();
        return;
    }
    CheckItem(focused, !IsItemChecked(focused));
}

void CCheckedListCtrl::SetHeadings(const std::vector<std::string>& headings,
                                   std::vector<int> shares) {
    DeleteAllColumns();
    for (const std::string& heading : headings) {
        AppendColumn(wxGetTranslation(resources::FromStoreText(heading)), wxLIST_FORMAT_LEFT);
    }
    columnWidths_.SetShares(std::move(shares));
}

void CCheckedListCtrl::SetRows(std::vector<Row> rows) {
    rows_ = std::move(rows);
    SetItemCount(static_cast<long>(rows_.size()));
    Refresh();
}

std::vector<const CCheckedListCtrl::Row*> CCheckedListCtrl::CheckedRows() const {
    std::vector<const Row*> checked;
    for (const Row& row : rows_) {
        if (row.checked) {
            checked.push_back(&row);
        }
    }
    return checked;
}

wxString CCheckedListCtrl::OnGetItemText(long item, long column) const {
    if (item < 0 || static_cast<std::size_t>(item) >= rows_.size() || column < 0 ||
        column >= static_cast<long>(Row().texts.size())) {
        return wxString();
    }
    return resources::FromStoreText(rows_[static_cast<std::size_t>(item)].texts[column]);
}

bool CCheckedListCtrl::OnGetItemIsChecked(long item) const {
    return item >= 0 && static_cast<std::size_t>(item) < rows_.size() &&
           rows_[static_cast<std::size_t>(item)].checked;
}

void CCheckedListCtrl::OnCheckChanged(wxListEvent& event) {
    const long item = event.GetIndex();
    if (item >= 0 && static_cast<std::size_t>(item) < rows_.size()) {
        rows_[static_cast<std::size_t>(item)].checked =
            event.GetEventType() == wxEVT_LIST_ITEM_CHECKED;
        RefreshItem(item);
    }
    event.Skip();
}

}  // namespace calvendra
