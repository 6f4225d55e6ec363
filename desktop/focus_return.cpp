#include "desktop/focus_return.h"

#include <wx/dialog.h>
#include <wx/toplevel.h>

namespace calvendra {

int CFocusReturn::Enter(wxDialog* dialog) {
    // Null when none of the program's windows is active: then nothing is brought back.
    focusBefore_[dialog] = wxWindow::FindFocus();
    return wxID_NONE;
}

void CFocusReturn::Exit(wxDialog* dialog) {
    const auto entry = focusBefore_.find(dialog);
    if (entry == focusBefore_.end()) {
        return;
    }
    wxWindow* control = entry->second.get();
    focusBefore_.erase(entry);
    if (control == nullptr || !control->IsShownOnScreen()) {
        return;
    }
    // The window manager activates some window when the dialog goes, not always this one.
    if (auto* top = dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(control))) {
        top->Raise();
    }
    control->SetFocus();
}

}  // namespace calvendra
