#include "editors/email_set_dlg.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

#include "editors/dialog_buttons.h"
#include "editors/integer_text.h"
#include "mail/smtp_address.h"
#include "reminders/mail_worker.h"
#include "resources/store_text.h"
#include "resources/strings.h"
#include "settings/email_settings_profile.h"

namespace calvendra {

namespace {

constexpr char kSaveQuestion[] = TRANSLATABLE("Do you want to save and use these email settings?");
constexpr char kNotAnInteger[] = TRANSLATABLE("Please enter an integer.");
constexpr char kNotAPort[] = TRANSLATABLE("Please enter an integer between 1 and 65535.");
constexpr char kTestSubject[] = "Calvendra test message";
constexpr char kChooseSecurity[] = TRANSLATABLE("Please choose the security.");

wxTextCtrl* AddRow(wxWindow* parent, wxFlexGridSizer& grid, const wxString& label,
                   const std::string& value, long style = 0) {
    grid.Add(new wxStaticText(parent, wxID_ANY, label), wxSizerFlags().CentreVertical());
    auto* edit = new wxTextCtrl(parent, wxID_ANY, resources::FromStoreText(value),
                                wxDefaultPosition, wxDefaultSize, style);
    grid.Add(edit, wxSizerFlags().Expand());
    return edit;
}

// The text of the test message: what it tried, so that the recipient can tell.
std::string TestText(const EmailSettings& settings) {
    return "This message was sent by Calvendra to try its e-mail settings: server " +
           settings.smtpServer + ", port " + std::to_string(settings.smtpPort) + ", security " +
           CEmailSetDlg::kSecurityNames[static_cast<int>(settings.security)] +
           (settings.smtpAccount.empty() ? ", no login" : ", login " + settings.smtpAccount) +
           ".\nReminder mail to a schedule's attendants goes out the same way.";
}

}  // namespace

wxBEGIN_EVENT_TABLE(CEmailSetDlg, wxDialog)
    EVT_BUTTON(wxID_OK, CEmailSetDlg::OnOk)
wxEND_EVENT_TABLE()

CEmailSetDlg::CEmailSetDlg(wxWindow* parent, EmailSettings& settings)
    : wxDialog(parent, wxID_ANY, _("Email Setting")), settings_(settings), edited_(settings) {
    // Created in tab order: the sender, the SMTP edits and the security choice, the test, then OK
    // and Cancel.
    auto* senderGrid = new wxFlexGridSizer(2, wxSize(12, 6));
    senderGrid->AddGrowableCol(1);
    senderEdit_ = AddRow(this, *senderGrid, _("Display Email Address:"), edited_.senderAddress);

    auto* smtpBox = new wxStaticBoxSizer(wxVERTICAL, this, _("SMTP Setting"));
    wxWindow* box = smtpBox->GetStaticBox();
    auto* smtpGrid = new wxFlexGridSizer(2, wxSize(12, 6));
    smtpGrid->AddGrowableCol(1);
    serverEdit_ = AddRow(box, *smtpGrid, _("SMTP Server:"), edited_.smtpServer);
    portEdit_ = AddRow(box, *smtpGrid, _("Port:"), std::to_string(edited_.smtpPort));
    smtpGrid->Add(new wxStaticText(box, wxID_ANY, _("Security:")), wxSizerFlags().CentreVertical());
    securityChoice_ = new wxChoice(box, wxID_ANY);
    for (const char* name : kSecurityNames) {
        securityChoice_->Append(wxGetTranslation(name));
    }
    shownSecurity_ = edited_.security;
    // A stored security that names no mode is shown as none chosen: OK and the test then ask for
    // one, and until then no mail goes out.
    securityChoice_->SetSelection(edited_.unknownSecurity.empty() ? static_cast<int>(shownSecurity_)
                                                                  : wxNOT_FOUND);
    smtpGrid->Add(securityChoice_, wxSizerFlags().Expand());
    accountEdit_ = AddRow(box, *smtpGrid, _("Account:"), edited_.smtpAccount);
    passwordEdit_ = AddRow(box, *smtpGrid, _("Password:"), edited_.smtpPassword, wxTE_PASSWORD);
    smtpBox->Add(smtpGrid, wxSizerFlags().Expand().Border(wxALL, 6));
    testButton_ = new wxButton(box, wxID_ANY, _("Send Test Message"));
    smtpBox->Add(testButton_, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, 6));
    // Room for a reason of a few lines, so that the dialog keeps its size whatever comes back.
    testResult_ = new wxStaticText(box, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                   wxSize(-1, GetCharHeight() * 4), wxST_NO_AUTORESIZE);
    smtpBox->Add(testResult_, wxSizerFlags().Expand().Border(wxALL, 6));
    portEdit_->Bind(wxEVT_CHAR, &CEmailSetDlg::OnPortChar, this);
    securityChoice_->Bind(wxEVT_CHOICE, &CEmailSetDlg::OnSecurity, this);
    testButton_->Bind(wxEVT_BUTTON, &CEmailSetDlg::OnSendTest, this);
    senderEdit_->SetMinSize(wxSize(FromDIP(260), -1));

    wxStdDialogButtonSizer* buttons = CreateOkCancelButtons(this);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(senderGrid, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    top->Add(smtpBox, wxSizerFlags().Expand().Border(wxALL, 12));
    top->Add(buttons, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(top);
    CentreOnParent();
    senderEdit_->SetFocus();
    if (!edited_.unknownSecurity.empty()) {
        ShowResult(wxString::Format(
            _("The stored security \"%s\" is none of these, so no mail is sent: choose one and "
              "save."),
            wxString::FromUTF8(edited_.unknownSecurity)));
    }
}

void CEmailSetDlg::ShowResult(const wxString& text) {
    testResult_->SetLabel(text);
    testResult_->Wrap(testResult_->GetClientSize().x);
}

CEmailSetDlg::~CEmailSetDlg() {
    if (testMail_) {
        testMail_->Stop(std::chrono::milliseconds(0), "the dialog was closed before it went out");
    }
}

void CEmailSetDlg::OnPortChar(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    // Digits, editing keys and shortcuts pass; every other character is refused.
    const bool character = key >= WXK_SPACE && key < WXK_DELETE;
    if (!character || (key >= '0' && key <= '9') || event.HasAnyModifiers()) {
        event.Skip();
        return;
    }
    wxBell();
}

void CEmailSetDlg::OnSecurity(wxCommandEvent&) {
    if (securityChoice_->GetSelection() == wxNOT_FOUND) {
        return;
    }
    const auto chosen = static_cast<MailSecurity>(securityChoice_->GetSelection());
    // A port that is still the usual one of the mode before follows the mode; one the user chose
    // stays.
    int port = 0;
    if (ParseIntegerText(resources::ToStoreText(portEdit_->GetValue()), port) &&
        port == UsualPort(shownSecurity_)) {
        portEdit_->ChangeValue(std::to_string(UsualPort(chosen)));
    }
    shownSecurity_ = chosen;
}

std::optional<EmailSettings> CEmailSetDlg::EditedSettings(std::string& refusal) const {
    int port = 0;
    if (!ParseIntegerText(resources::ToStoreText(portEdit_->GetValue()), port)) {
        refusal = kNotAnInteger;
        return std::nullopt;
    }
    if (!IsPortNumber(port)) {
        refusal = kNotAPort;
        return std::nullopt;
    }
    if (securityChoice_->GetSelection() == wxNOT_FOUND) {
        refusal = kChooseSecurity;
        return std::nullopt;
    }
    EmailSettings settings;
    settings.senderAddress = resources::ToStoreText(senderEdit_->GetValue());
    settings.smtpServer = resources::ToStoreText(serverEdit_->GetValue());
    settings.smtpPort = port;
    settings.smtpAccount = resources::ToStoreText(accountEdit_->GetValue());
    settings.smtpPassword = resources::ToStoreText(passwordEdit_->GetValue());
    settings.security = static_cast<MailSecurity>(securityChoice_->GetSelection());
    return settings;
}

bool CEmailSetDlg::ReadEdits() {
    std::string refusal;
    const std::optional<EmailSettings> settings = EditedSettings(refusal);
    if (!settings) {
        wxMessageBox(wxGetTranslation(refusal), resources::kApplicationTitle, wxOK | wxICON_WARNING,
                     this);
        if (refusal == kChooseSecurity) {
            securityChoice_->SetFocus();
        } else {
            portEdit_->SetFocus();
            portEdit_->SelectAll();
        }
        return false;
    }
    edited_ = *settings;
    return true;
}

void CEmailSetDlg::OnSendTest(wxCommandEvent&) {
    std::string refusal;
    const std::optional<EmailSettings> settings = EditedSettings(refusal);
    const std::string recipient =
        settings ? CKivSMTPAddress(settings->senderAddress).Address() : std::string();
    wxString shownRefusal;
    if (!settings) {
        shownRefusal = refusal == kChooseSecurity
                           ? wxGetTranslation(refusal)
                           : wxString::Format(_("Port: %s"), wxGetTranslation(refusal));
    } else if (settings->smtpServer.empty()) {
        shownRefusal = _("Enter the SMTP server first.");
    } else if (recipient.empty()) {
        shownRefusal = _("Enter the display email address first: the test message goes to it.");
    }
    if (!shownRefusal.empty()) {
        ShowResult(shownRefusal);
        return;
    }
    if (!testMail_) {
        testMail_ = std::make_unique<MailWorker>([this](const MailOutcome& outcome) {
            // From the worker's thread to the dialog's.
            CallAfter([this, outcome] { ShowTestOutcome(outcome); });
        });
    }
    MailJob job;
    job.label = "The test message";
    job.subject = kTestSubject;
    job.text = TestText(*settings);
    job.addresses = {recipient};
    job.settings = *settings;
    testMail_->Queue(std::move(job));
    testRecipient_ = recipient;
    testButton_->Disable();
    ShowResult(
        wxString::Format(_("Sending a test message to %s..."), wxString::FromUTF8(recipient)));
}

void CEmailSetDlg::ShowTestOutcome(const MailOutcome& outcome) {
    testButton_->Enable();
    // The reason comes from the mail client and the server, in English.
    const wxString reason = wxString::FromUTF8(outcome.reason);
    if (outcome.sent) {
        ShowResult(wxString::Format(_("The test message was sent to %s."),
                                    wxString::FromUTF8(testRecipient_)));
    } else if (outcome.destination.empty()) {
        ShowResult(wxString::Format(_("Not sent: %s"), reason));
    } else {
        ShowResult(wxString::Format(_("Not sent through %s: %s"),
                                    wxString::FromUTF8(outcome.destination), reason));
    }
}

void CEmailSetDlg::OnOk(wxCommandEvent&) {
    if (!AskTips(this, wxGetTranslation(kSaveQuestion))) {
        return;
    }
    if (!ReadEdits()) {
        return;
    }
    settings_ = edited_;
    SaveEmailSettings(settings_);
    FinishDialog(*this, wxID_OK);
}

}  // namespace calvendra
