#pragma once

#include <string>

#include <wx/dialog.h>

#include "settings/email_settings.h"

class wxTextCtrl;

namespace calvendra {

// "Email Setting": edits the program's e-mail settings record and saves it, after a question, to
// the record and the profile together.
class CEmailSetDlg : public wxDialog {
public:
    // Shows what `settings` holds now, not what the profile holds. `settings` is the program's
    // record, which must outlive the dialog; OK changes it.
    CEmailSetDlg(wxWindow* parent, EmailSettings& settings);

    wxTextCtrl* SenderEdit() const { return senderEdit_; }
    wxTextCtrl* ServerEdit() const { return serverEdit_; }
    wxTextCtrl* PortEdit() const { return portEdit_; }
    wxTextCtrl* AccountEdit() const { return accountEdit_; }
    wxTextCtrl* PasswordEdit() const { return passwordEdit_; }

private:
    void OnOk(wxCommandEvent& event);
    void OnPortChar(wxKeyEvent& event);
    // Reads the edits into the members; false, after telling the user, when the port is no
    // integer or no port number.
    bool ReadEdits();
    // Closes the dialog with `code`, whether it runs modally or not.
    void Finish(int code);

    EmailSettings& settings_;
    // The dialog's own copy, which OK hands to `settings_`.
    EmailSettings edited_;

    wxTextCtrl* senderEdit_ = nullptr;
    wxTextCtrl* serverEdit_ = nullptr;
    wxTextCtrl* portEdit_ = nullptr;
    wxTextCtrl* accountEdit_ = nullptr;
    wxTextCtrl* passwordEdit_ = nullptr;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
