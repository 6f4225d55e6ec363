#include "view/item_list_ctrl.h"

#include <string>
#include <utility>

#include "resources/store_text.h"

namespace calvendra {

CItemListCtrl::CItemListCtrl(wxWindow* parent, wxWindowID id, const wxPoint& position,
                             const wxSize& size, long style)
    : wxListCtrl(parent, id, position, size, style | wxLC_REPORT | wxLC_VIRTUAL) {}

void CItemListCtrl::ShowRows(ListedRows rows, int image) {
    rows_ = std::move(rows);
    image_ = image;
    // The selection and the focused row belong to the rows that went.
    DeleteAllItems();
    SetItemCount(static_cast<long>(rows_.Size()));
    Refresh();
}

void CItemListCtrl::Clear() {
    ShowRows(ListedRows(), image_);
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
        column >= ListedRows::kColumns) {
        return wxString();
    }
    const std::string_view text =
        rows_.Text(static_cast<std::size_t>(item), static_cast<int>(column));
    return resources::FromStoreText(std::string(text));
}

int CItemListCtrl::OnGetItemImage(long) const {
    return image_;
}

}  // namespace calvendra
