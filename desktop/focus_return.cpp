#include "desktop/focus_return.h"

#include <wx/dialog.h>

namespace calvendra {

namespace {

// How often, and how many times, a window that is not yet back in front is asked for again.
constexpr int kCheckMilliseconds = 100;
constexpr int kChecks = 50;

// Whether the window manager made one of the program's windows the active one. (wx's idea of
// the focused control is no answer: it names the control that asked for the focus last, even
// while no window of the program is active.)
bool AnyWindowActive() {
    for (wxWindow* window : wxTopLevelWindows) {
        auto* top = dynamic_cast<wxTopLevelWindow*>(window);
        if (top != nullptr && top->IsShown() && top->IsActive()) {
            return true;
        }
    }
    return false;
}

}  // namespace

CFocusReturn::CFocusReturn() {
    check_.Bind(wxEVT_TIMER, &CFocusReturn::OnCheck, this);
    Register();
    wxEvtHandler::AddFilter(this);
}

CFocusReturn::~CFocusReturn() {
    wxEvtHandler::RemoveFilter(this);
    Unregister();
}

int CFocusReturn::FilterEvent(wxEvent& event) {
    if (event.GetEventType() == wxEVT_SET_FOCUS) {
        lastFocused_ = dynamic_cast<wxWindow*>(event.GetEventObject());
    }
    return Event_Skip;
}

int CFocusReturn::Enter(wxDialog* dialog) {
    // The control that had the focus last, outside the dialog: a dialog gives one of its own
    // controls the focus before it shows, which wx then names as the focused one.
    wxWindow* control = wxWindow::FindFocus();
    if (control == nullptr || wxGetTopLevelParent(control) == dialog) {
        control = lastFocused_.get();
    }
    if (control != nullptr && wxGetTopLevelParent(control) == dialog) {
        control = nullptr;
    }
    // Null when none is known: then nothing is brought back.
    focusBefore_[dialog] = control;
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
    if (top == nullptr || !top->IsShown() || AnyWindowActive() || ++checks_ > kChecks) {
        comingBack_ = nullptr;
        return;
    }
    top->Raise();
    check_.StartOnce(kCheckMilliseconds);
}

}  // namespace calvendra
