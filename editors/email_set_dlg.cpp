#include "editors/email_set_dlg.h"

#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "editors/integer_text.h"
#include "resources/store_text.h"
#include "resources/strings.h"
#include "settings/email_settings_profile.h"

namespace calvendra {

namespace {

constexpr char kSaveQuestion[] = "Do you want to save and use these email settings?";
constexpr char kNotAnInteger[] = "Please enter an integer.";
constexpr char kNotAPort[] = "Please enter an integer between 1 and 65535.";

wxTextCtrl* AddRow(wxWindow* parent, wxFlexGridSizer& grid, const char* label,
                   const std::string& value, long style = 0) {
    grid.Add(new wxStaticText(parent, wxID_ANY, label), wxSizerFlags().CentreVertical());
    auto* edit = new wxTextCtrl(parent, wxID_ANY, resources::FromStoreText(value),
                                wxDefaultPosition, wxDefaultSize, style);
    grid.Add(edit, wxSizerFlags().Expand());
    return edit;
}

}  // namespace

wxBEGIN_EVENT_TABLE(CEmailSetDlg, wxDialog)
    EVT_BUTTON(wxID_OK, CEmailSetDlg::OnOk)
wxEND_EVENT_TABLE()

CEmailSetDlg::CEmailSetDlg(wxWindow* parent, EmailSettings& settings)
    : wxDialog(parent, wxID_ANY, "Email Setting"), settings_(settings), edited_(settings) {
    // Created in tab order: the sender, the four SMTP edits, then OK and Cancel.
    auto* senderGrid = new wxFlexGridSizer(2, wxSize(12, 6));
    senderGrid->AddGrowableCol(1);
    senderEdit_ = AddRow(this, *senderGrid, "Display Email Address:", edited_.senderAddress);

    auto* smtpBox = new wxStaticBoxSizer(wxVERTICAL, this, "SMTP Setting");
    wxWindow* box = smtpBox->GetStaticBox();
    auto* smtpGrid = new wxFlexGridSizer(2, wxSize(12, 6));
    smtpGrid->AddGrowableCol(1);
    serverEdit_ = AddRow(box, *smtpGrid, "SMTP Server:", edited_.smtpServer);
    portEdit_ = AddRow(box, *smtpGrid, "Port:", std::to_string(edited_.smtpPort));
    accountEdit_ = AddRow(box, *smtpGrid, "Account:", edited_.smtpAccount);
    passwordEdit_ = AddRow(box, *smtpGrid, "Password:", edited_.smtpPassword, wxTE_PASSWORD);
    smtpBox->Add(smtpGrid, wxSizerFlags(1).Expand().Border(wxALL, 6));
    portEdit_->Bind(wxEVT_CHAR, &CEmailSetDlg::OnPortChar, this);
    senderEdit_->SetMinSize(wxSize(FromDIP(260), -1));

    auto* buttons = new wxStdDialogButtonSizer;
    auto* ok = new wxButton(this, wxID_OK, "OK");
    auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
    buttons->AddButton(ok);
    buttons->AddButton(cancel);
    buttons->Realize();
    ok->SetDefault();

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(senderGrid, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    top->Add(smtpBox, wxSizerFlags().Expand().Border(wxALL, 12));
    top->Add(buttons, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(top);
    CentreOnParent();
    senderEdit_->SetFocus();
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

bool CEmailSetDlg::ReadEdits() {
    int port = 0;
    const char* refusal = nullptr;
    if (!ParseIntegerText(resources::ToStoreText(portEdit_->GetValue()), port)) {
        refusal = kNotAnInteger;
    } else if (!IsPortNumber(port)) {
        refusal = kNotAPort;
    }
    if (refusal != nullptr) {
        wxMessageBox(refusal, resources::kApplicationTitle, wxOK | wxICON_WARNING, this);
        portEdit_->SetFocus();
        portEdit_->SelectAll();
        return false;
    }
    edited_.senderAddress = resources::ToStoreText(senderEdit_->GetValue());
    edited_.smtpServer = resources::ToStoreText(serverEdit_->GetValue());
    edited_.smtpPort = port;
    edited_.smtpAccount = resources::ToStoreText(accountEdit_->GetValue());
    edited_.smtpPassword = resources::ToStoreText(passwordEdit_->GetValue());
    return true;
}

void CEmailSetDlg::OnOk(wxCommandEvent&) {
    if (wxMessageBox(kSaveQuestion, "Tips", wxYES_NO | wxICON_QUESTION, this) != wxYES) {
        return;
    }
    if (!ReadEdits()) {
        return;
    }
    settings_ = edited_;
    SaveEmailSettings(settings_);
    Finish(wxID_OK);
}

void CEmailSetDlg::Finish(int code) {
    if (IsModal()) {
        EndModal(code);
    } else {
        SetReturnCode(code);
        Hide();
    }
}

}  // namespace calvendra
