#include "editors/shared_column_widths.h"

#include <wx/listctrl.h>

#include "editors/column_shares.h"

namespace calvendra {

namespace {

constexpr int kSmallestColumn = 40;

}  // namespace

SharedColumnWidths::SharedColumnWidths(wxListCtrl& list) : list_(list) {
    // The rows' window loses the scroll bar's width when the rows outgrow it, and gets it back.
    list_.GetTargetWindow()->Bind(wxEVT_SIZE, &SharedColumnWidths::OnSize, this);
    list_.Bind(wxEVT_LIST_COL_END_DRAG, &SharedColumnWidths::OnColumnDragged, this);
}

SharedColumnWidths::~SharedColumnWidths() {
    list_.GetTargetWindow()->Unbind(wxEVT_SIZE, &SharedColumnWidths::OnSize, this);
    list_.Unbind(wxEVT_LIST_COL_END_DRAG, &SharedColumnWidths::OnColumnDragged, this);
}

void SharedColumnWidths::SetShares(std::vector<int> shares) {
    kind_.clear();
    sharesByKind_[kind_] = std::move(shares);
    Apply();
}

void SharedColumnWidths::SetShares(const std::string& kind, std::vector<int> shares) {
    kind_ = kind;
    sharesByKind_.emplace(kind, std::move(shares));
    Apply();
}

int SharedColumnWidths::RowsWidth() const {
    return list_.GetTargetWindow()->GetClientSize().x;
}

void SharedColumnWidths::Apply() {
    const int columns = list_.GetColumnCount();
    std::vector<int> shares = sharesByKind_[kind_];
    shares.resize(static_cast<std::size_t>(columns), 1);
    const std::vector<int> widths =
        ShareOutWidth(RowsWidth(), shares, list_.FromDIP(kSmallestColumn));
    for (int column = 0; column < columns; ++column) {
        if (list_.GetColumnWidth(column) != widths[static_cast<std::size_t>(column)]) {
            list_.SetColumnWidth(column, widths[static_cast<std::size_t>(column)]);
        }
    }
}

void SharedColumnWidths::OnSize(wxSizeEvent& event) {
    event.Skip();
    Apply();
}

void SharedColumnWidths::OnColumnDragged(wxListEvent& event) {
    event.Skip();
    // After the list has taken the new width: the columns' widths as they are now are the shares.
    CallAfter([this] {
        std::vector<int>& shares = sharesByKind_[kind_];
        shares.clear();
        for (int column = 0; column < list_.GetColumnCount(); ++column) {
            shares.push_back(list_.GetColumnWidth(column));
        }
        Apply();
    });
}

}  // namespace calvendra
