#include "view/item_list_ctrl.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <unordered_set>
#include <utility>

#include <wx/scrolwin.h>

#include "resources/store_text.h"

namespace calvendra {

CItemListCtrl::CItemListCtrl(wxWindow* parent, wxWindowID id, const wxPoint& position,
                             const wxSize& size, long style)
    : wxListCtrl(parent, id, position, size, style | wxLC_REPORT | wxLC_VIRTUAL) {
    // The header is the list's part beside the rows' window.
    for (wxWindow* part : GetChildren()) {
        if (part != GetTargetWindow()) {
            part->Bind(wxEVT_LEFT_DCLICK, &CItemListCtrl::OnHeaderDoubleClick, this);
        }
    }
}

void CItemListCtrl::OnHeaderDoubleClick(wxMouseEvent& event) {
    // The header keeps a double click for the border between two columns (it fits the column
    // to its texts). Anywhere else the second click of a quick pair arrives only as the double
    // click, and it clicks the column again, as in GTK's own lists.
    event.Skip();
    int x = event.GetX();
    if (auto* scrolled = dynamic_cast<wxScrollHelper*>(GetTargetWindow())) {
        scrolled->CalcUnscrolledPosition(x, 0, &x, nullptr);
    }
    // How near a border the header takes the pointer to be on it.
    constexpr int kBorderReach = 3;
    int end = 0;
    for (int column = 0; column < GetColumnCount(); ++column) {
        end += GetColumnWidth(column);
        if (std::abs(x - end) < kBorderReach) {
            return;
        }
        if (x < end) {
            wxListEvent clicked(wxEVT_LIST_COL_CLICK, GetId());
            clicked.SetEventObject(this);
            clicked.SetColumn(column);
            clicked.SetPoint(event.GetPosition());
            GetEventHandler()->ProcessEvent(clicked);
            return;
        }
    }
}

void CItemListCtrl::ShowRows(ListedRows rows, int contactImage, int scheduleImage) {
    ++rowsVersion_;
    TakeRows(std::move(rows));
    contactImage_ = contactImage;
    scheduleImage_ = scheduleImage;
    // The selection and the focused row belong to the rows that went.
    DeleteAllItems();
    SetItemCount(static_cast<long>(rows_.Size()));
    Refresh();
}

void CItemListCtrl::ShowRowsInPlace(ListedRows rows, int image) {
    ShowRowsInPlace(std::move(rows), image, image);
}

void CItemListCtrl::ShowRowsInPlace(ListedRows rows, int contactImage, int scheduleImage) {
    contactImage_ = contactImage;
    scheduleImage_ = scheduleImage;
    ReplaceRows(std::move(rows), true);
}

void CItemListCtrl::ShowSortedRows(ListedRows rows) {
    ReplaceRows(std::move(rows), false);
}

void CItemListCtrl::ReplaceRows(ListedRows rows, bool keepTop) {
    ++rowsVersion_;
    std::unordered_set<Identifier> selected;
    for (long row = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row >= 0;
         row = GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        selected.insert(ItemIdAt(row));
    }
    const Identifier focused = ItemIdAt(GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED));
    const long top = GetItemCount() > 0 ? GetTopItem() : 0;
    const Identifier topItem = ItemIdAt(top);

    TakeRows(std::move(rows));
    const long count = static_cast<long>(rows_.Size());
    // The selection belongs to the rows that went: it is taken off every row, then put back on
    // the rows of the same items.
    if (!selected.empty()) {
        SetItemState(-1, 0, wxLIST_STATE_SELECTED);
    }
    SetItemCount(count);
    if (!selected.empty()) {
        for (long row = 0; row < count; ++row) {
            if (selected.count(rows_.Id(static_cast<std::size_t>(row))) > 0) {
                SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
            }
        }
    }
    const long focusedRow = focused != 0 ? FindRow(focused) : -1;
    if (focusedRow >= 0) {
        SetItemState(focusedRow, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
    }
    if (count > 0 && !keepTop) {
        Scroll(-1, 0);
        if (focusedRow >= 0) {
            EnsureVisible(focusedRow);
        }
    } else if (count > 0) {
        const long found = topItem != 0 ? FindRow(topItem) : -1;
        const long wantedTop = found >= 0 ? found : std::min(top, count - 1);
        // The rows scroll by whole rows: the first shown row is the scroll position.
        Scroll(-1, static_cast<int>(wantedTop));
    }
    Refresh();
}

void CItemListCtrl::TakeRows(ListedRows rows) {
    ListedRows replaced = std::exchange(rows_, std::move(rows));
    if (free_ && !replaced.Empty()) {
        free_(std::move(replaced));
    }
}

void CItemListCtrl::Clear() {
    ShowRows(ListedRows(), contactImage_, scheduleImage_);
}

Identifier CItemListCtrl::ItemIdAt(long row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.Size()) {
        return 0;
    }
    return rows_.Id(static_cast<std::size_t>(row));
}

void CItemListCtrl::RemoveRow(long row) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.Size()) {
        return;
    }
    ++rowsVersion_;
    rows_.Remove(static_cast<std::size_t>(row));
    // The list's own count and selection follow.
    DeleteItem(row);
}

wxWindow* CItemListCtrl::RowsWindow() const {
    // The generic list control, which GTK uses, scrolls the window that shows its rows; the
    // header stays put above it.
    return GetTargetWindow();
}

wxString CItemListCtrl::OnGetItemText(long item, long column) const {
    if (item < 0 || static_cast<std::size_t>(item) >= rows_.Size() || column < 0 ||
        column >= rows_.Columns()) {
        return wxString();
    }
    const std::string_view text =
        rows_.Text(static_cast<std::size_t>(item), static_cast<int>(column));
    return resources::FromStoreText(std::string(text));
}

int CItemListCtrl::OnGetItemImage(long item) const {
    return IsContactRange(ItemIdAt(item)) ? contactImage_ : scheduleImage_;
}

}  // namespace calvendra
