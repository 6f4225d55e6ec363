#pragma once

#include <vector>

#include "view/layout_arithmetic.h"

class wxSize;
class wxWindow;

namespace calvendra {

// Keeps a form's controls placed by edge rules when the form is resized: the window side of
// layout::LayoutArithmetic.
class CControlLayout {
public:
    // Records the parent's current client rectangle and each listed control's rectangle in it.
    // Controls that the parent does not hold are left out.
    void Bind(wxWindow* parent, const std::vector<layout::Entry>& table);

    // The same, measuring from a client size of the parent's choosing: the size its controls
    // were laid out for, when the parent is smaller than that.
    void Bind(wxWindow* parent, const std::vector<layout::Entry>& table, const wxSize& boundClient);

    bool IsBound() const { return parent_ != nullptr; }

    // Moves and sizes every control for the parent's current client rectangle.
    void Relayout();

private:
    wxWindow* parent_ = nullptr;
    std::vector<wxWindow*> controls_;
    layout::LayoutArithmetic arithmetic_;
};

}  // namespace calvendra
