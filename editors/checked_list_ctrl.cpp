#include "editors/checked_list_ctrl.h"

#include <wx/translation.h>

#include "resources/store_text.h"

namespace calvendra {

namespace {

constexpr int kColumnWidth = 150;

}  // namespace

CCheckedListCtrl::CCheckedListCtrl(wxWindow* parent, wxWindowID id)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_HRULES | wxLC_VRULES | wxBORDER_THEME) {
    EnableCheckBoxes();
    // A click into a check box, the space key and CheckItem() all end here; the rows keep the
    // marks, since a virtual list keeps nothing itself.
    Bind(wxEVT_LIST_ITEM_CHECKED, &CCheckedListCtrl::OnCheckChanged, this);
    Bind(wxEVT_LIST_ITEM_UNCHECKED, &CCheckedListCtrl::OnCheckChanged, this);
}

void CCheckedListCtrl::SetHeadings(const std::vector<std::string>& headings) {
    DeleteAllColumns();
    for (std::size_t column = 0; column < headings.size(); ++column) {
        AppendColumn(wxGetTranslation(resources::FromStoreText(headings[column])),
                     wxLIST_FORMAT_LEFT, FromDIP(kColumnWidth));
    }
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
