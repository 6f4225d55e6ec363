#pragma once

#include <map>

#include <wx/eventfilter.h>
#include <wx/modalhook.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/weakref.h>
#include <wx/window.h>

namespace calvendra {

// Gives the keyboard focus back, when a modal dialog (a question, an editor) closes, to the
// control that had it when the dialog opened, and brings that control's window to the front, so
// that the next key goes where it went before the dialog. A window that gives the focus to
// another control itself once its dialog is over still does so. Active while the object lives.
class CFocusReturn : public wxModalDialogHook, public wxEventFilter {
public:
    CFocusReturn();
    ~CFocusReturn() override;

    CFocusReturn(const CFocusReturn&) = delete;
    CFocusReturn& operator=(const CFocusReturn&) = delete;

    // Notes the control that the focus went to.
    int FilterEvent(wxEvent& event) override;

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    void OnCheck(wxTimerEvent& event);

    // By dialog, since dialogs nest (a question over an editor). An entry whose dialog another
    // hook answered without showing it is replaced when a dialog at that address opens again.
    std::map<const wxDialog*, wxWeakRef<wxWindow>> focusBefore_;
    // The control that got the focus last, as the window manager and GTK handed it over.
    wxWeakRef<wxWindow> lastFocused_;
    // The window to bring back, looked after for a moment once its dialog went: the window
    // manager handles the dialog's going after the request to activate the window, and at times
    // leaves no window active.
    wxWeakRef<wxTopLevelWindow> comingBack_;
    wxTimer check_;
    int checks_ = 0;
};

}  // namespace calvendra
