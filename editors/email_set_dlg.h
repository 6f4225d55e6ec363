#pragma once

#include <memory>
#include <optional>
#include <string>

#include <wx/dialog.h>

#include "platform/translatable.h"
#include "settings/email_settings.h"

class wxButton;
class wxChoice;
class wxStaticText;
class wxTextCtrl;

namespace calvendra {

class MailWorker;
struct MailOutcome;

// "Email Setting": edits the program's e-mail settings record and saves it, after a question, to
// the record and the profile together. "Send Test Message" sends a short message to the sender
// address with the values as they stand in the dialog, on a worker of its own, and shows what
// became of it below the button; the dialog stays usable meanwhile.
class CEmailSetDlg : public wxDialog {
public:
    // Shows what `settings` holds now, not what the profile holds. `settings` is the program's
    // record, which must outlive the dialog; OK changes it.
    CEmailSetDlg(wxWindow* parent, EmailSettings& settings);
    // A test message still on its way is aborted.
    ~CEmailSetDlg() override;

    wxTextCtrl* SenderEdit() const { return senderEdit_; }
    wxTextCtrl* ServerEdit() const { return serverEdit_; }
    wxTextCtrl* PortEdit() const { return portEdit_; }
    wxTextCtrl* AccountEdit() const { return accountEdit_; }
    wxTextCtrl* PasswordEdit() const { return passwordEdit_; }
    wxChoice* SecurityChoice() const { return securityChoice_; }
    wxButton* TestButton() const { return testButton_; }
    wxStaticText* TestResult() const { return testResult_; }

    // The choice's entries, in the order of MailSecurity.
    static constexpr const char* kSecurityNames[] = {TRANSLATABLE("None"), "STARTTLS", "SSL/TLS"};

private:
    void OnOk(wxCommandEvent& event);
    void OnPortChar(wxKeyEvent& event);
    void OnSecurity(wxCommandEvent& event);
    void OnSendTest(wxCommandEvent& event);
    void ShowTestOutcome(const MailOutcome& outcome);
    // Shows the text below the test button, wrapped to its width.
    void ShowResult(const wxString& text);
    // The settings as the edits hold them; none, with the reason in `refusal`, when the port is
    // no integer or no port number, or no security is chosen.
    std::optional<EmailSettings> EditedSettings(std::string& refusal) const;
    // Reads the edits into the members; false, after telling the user, when the port is no
    // integer or no port number, or no security is chosen.
    bool ReadEdits();

    EmailSettings& settings_;
    // The dialog's own copy, which OK hands to `settings_`.
    EmailSettings edited_;

    wxTextCtrl* senderEdit_ = nullptr;
    wxTextCtrl* serverEdit_ = nullptr;
    wxTextCtrl* portEdit_ = nullptr;
    wxTextCtrl* accountEdit_ = nullptr;
    wxTextCtrl* passwordEdit_ = nullptr;
    wxChoice* securityChoice_ = nullptr;
    wxButton* testButton_ = nullptr;
    wxStaticText* testResult_ = nullptr;
    // The mode chosen before the latest change, whose usual port the port edit may still hold.
    MailSecurity shownSecurity_ = MailSecurity::None;
    // Made for the first test message, ended with the dialog.
    std::unique_ptr<MailWorker> testMail_;
    std::string testRecipient_;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
