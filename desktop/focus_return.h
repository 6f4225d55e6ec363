#pragma once

#include <map>

#include <wx/modalhook.h>
#include <wx/weakref.h>
#include <wx/window.h>

namespace calvendra {

// Gives the keyboard focus back, when a modal dialog (a question, an editor) closes, to the
// control that had it when the dialog opened, and brings that control's window to the front, so
// that the next key goes where it went before the dialog. A window that gives the focus to
// another control itself once its dialog is over still does so. Active while the object lives.
class CFocusReturn : public wxModalDialogHook {
public:
    CFocusReturn() { Register(); }
    ~CFocusReturn() override { Unregister(); }

    CFocusReturn(const CFocusReturn&) = delete;
    CFocusReturn& operator=(const CFocusReturn&) = delete;

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    // By dialog, since dialogs nest (a question over an editor). An entry whose dialog another
    // hook answered without showing it is replaced when a dialog at that address opens again.
    std::map<const wxDialog*, wxWeakRef<wxWindow>> focusBefore_;
};

}  // namespace calvendra
