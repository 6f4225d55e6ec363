#include "view/control_layout.h"

#include <algorithm>

#include <wx/window.h>

namespace calvendra {

namespace {

Rect ToRect(const wxRect& rect) {
    return {rect.GetLeft(), rect.GetTop(), rect.GetLeft() + rect.GetWidth(),
            rect.GetTop() + rect.GetHeight()};
}

}  // namespace

void CControlLayout::Bind(wxWindow* parent, const std::vector<layout::Entry>& table) {
    Bind(parent, table, parent->GetClientSize());
}

void CControlLayout::Bind(wxWindow* parent, const std::vector<layout::Entry>& table,
                          const wxSize& boundClient) {
    parent_ = parent;
    controls_.clear();
    std::vector<layout::Entry> entries;
    std::vector<Rect> rects;
    for (const layout::Entry& entry : table) {
        wxWindow* control = parent->FindWindow(entry.controlId);
        if (control == nullptr || control->GetParent() != parent) {
            continue;
        }
        controls_.push_back(control);
        entries.push_back(entry);
        rects.push_back(ToRect(control->GetRect()));
    }
    arithmetic_.Bind(ToRect(wxRect(boundClient)), entries, rects);
}

void CControlLayout::Relayout() {
    if (parent_ == nullptr) {
        return;
    }
    std::vector<layout::ControlState> states;
    for (wxWindow* control : controls_) {
        states.push_back({control->IsShown()});
    }
    const auto placements = arithmetic_.Relayout(ToRect(wxRect(parent_->GetClientSize())), states);
    for (std::size_t i = 0; i < placements.size(); ++i) {
        const Rect& r = placements[i].rect;
        controls_[i]->SetSize(r.left, r.top, std::max(r.Width(), 0), std::max(r.Height(), 0),
                              wxSIZE_ALLOW_MINUS_ONE);
    }
}

}  // namespace calvendra
