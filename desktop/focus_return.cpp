#include "desktop/focus_return.h"

#include <wx/dialog.h>

namespace calvendra {

namespace {

// How often, and how many times, a window that is not yet back in front is asked for again.
constexpr int kCheckMilliseconds = 100;
constexpr int kChecks = 20;

}  // namespace

CFocusReturn::CFocusReturn() {
    check_.Bind(wxEVT_TIMER, &CFocusReturn::OnCheck, this);
    Register();
}

CFocusReturn::~CFocusReturn() {
    Unregister();
}

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
    auto* top = dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(control));
    if (top == nullptr) {
        return;
    }
    // The control gets the focus in its window now, so that whatever the window does once its
    // dialog is over (giving another control the focus) comes after.
    control->SetFocus();
    top->Raise();
    comingBack_ = top;
    checks_ = 0;
    check_.StartOnce(kCheckMilliseconds);
}

void CFocusReturn::OnCheck(wxTimerEvent&) {
    wxTopLevelWindow* top = comingBack_.get();
    // Done once one of the program's windows is active (this one, or a dialog opened since).
    if (top == nullptr || !top->IsShown() || wxGetActiveWindow() != nullptr ||
        ++checks_ > kChecks) {
        comingBack_ = nullptr;
        return;
    }
    top->Raise();
    check_.StartOnce(kCheckMilliseconds);
}

}  // namespace calvendra
