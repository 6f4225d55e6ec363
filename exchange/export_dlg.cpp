#include "exchange/export_dlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>
#include <wx/utils.h>

#include "editors/dialog_buttons.h"

namespace calvendra {

namespace {

constexpr char kVCardWildcard[] = TRANSLATABLE("vCard files (*.vcf)|*.vcf|All files (*)|*");
constexpr char kICalendarWildcard[] = TRANSLATABLE("iCalendar files (*.ics)|*.ics|All files (*)|*");

std::string ToUtf8(const wxString& text) {
    return std::string(text.utf8_str());
}

}  // namespace

CExportDlg::CExportDlg(wxWindow* parent, Identifier group, const std::string& groupName)
    : wxDialog(parent, wxID_ANY, _("Export")), group_(group) {
    const int gap = FromDIP(8);
    auto* column = new wxBoxSizer(wxVERTICAL);
    everything_ = new wxRadioButton(this, wxID_ANY, _("Everything: all contacts and all schedules"),
                                    wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    inGroup_ = new wxRadioButton(
        this, wxID_ANY,
        group != 0 ? wxString::Format(_("The group \"%s\" and the groups below it"),
                                      wxString::FromUTF8(groupName))
                   : _("The selected group and the groups below it"));
    inGroup_->Enable(group != 0);
    column->Add(everything_, 0, wxALL, gap);
    column->Add(inGroup_, 0, wxLEFT | wxRIGHT | wxBOTTOM, gap);

    auto* files = new wxFlexGridSizer(3, gap, gap);
    files->AddGrowableCol(1);
    const wxString home = wxGetHomeDir();
    contacts_ = new wxCheckBox(this, wxID_ANY, _("Contacts to:"));
    contactsPath_ = new wxTextCtrl(this, wxID_ANY, home + "/contacts.vcf", wxDefaultPosition,
                                   wxSize(FromDIP(320), -1));
    auto* browseContacts = new wxButton(this, wxID_ANY, _("Browse..."));
    schedules_ = new wxCheckBox(this, wxID_ANY, _("Schedules to:"));
    schedulesPath_ = new wxTextCtrl(this, wxID_ANY, home + "/schedules.ics", wxDefaultPosition,
                                    wxSize(FromDIP(320), -1));
    auto* browseSchedules = new wxButton(this, wxID_ANY, _("Browse..."));
    version_ = new wxChoice(this, wxID_ANY);
    version_->Append("vCard 4.0");
    version_->Append("vCard 3.0 (for older programs)");
    version_->SetSelection(0);
    contacts_->SetValue(true);
    schedules_->SetValue(true);
    files->Add(contacts_, 0, wxALIGN_CENTER_VERTICAL);
    files->Add(contactsPath_, 1, wxEXPAND);
    files->Add(browseContacts);
    files->Add(new wxStaticText(this, wxID_ANY, _("Format:")), 0,
               wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT);
    files->Add(version_, 0);
    files->AddSpacer(0);
    files->Add(schedules_, 0, wxALIGN_CENTER_VERTICAL);
    files->Add(schedulesPath_, 1, wxEXPAND);
    files->Add(browseSchedules);
    column->Add(files, 0, wxEXPAND | wxALL, gap);

    auto* buttons = new wxStdDialogButtonSizer;
    auto* exportButton = new wxButton(this, wxID_OK, _("Export"));
    buttons->AddButton(exportButton);
    buttons->AddButton(new wxButton(this, wxID_CANCEL, _("Cancel")));
    buttons->Realize();
    exportButton->SetDefault();
    column->Add(buttons, 0, wxEXPAND | wxALL, gap);
    SetSizerAndFit(column);
    CentreOnParent();

    // A group of one kind is exported to that kind's file only; everything is the default.
    inGroup_->SetValue(false);
    everything_->SetValue(true);
    for (wxWindow* control : std::initializer_list<wxWindow*>{everything_, inGroup_}) {
        control->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { UpdateEnabling(); });
    }
    for (wxWindow* control : std::initializer_list<wxWindow*>{contacts_, schedules_}) {
        control->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { UpdateEnabling(); });
    }
    browseContacts->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        Browse(contactsPath_, wxGetTranslation(kVCardWildcard));
    });
    browseSchedules->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        Browse(schedulesPath_, wxGetTranslation(kICalendarWildcard));
    });
    Bind(wxEVT_BUTTON, &CExportDlg::OnExport, this, wxID_OK);
    UpdateEnabling();
}

void CExportDlg::UpdateEnabling() {
    const bool oneGroup = inGroup_->GetValue();
    const bool contactKind = IsContactRange(group_);
    contacts_->Enable(!oneGroup || contactKind);
    schedules_->Enable(!oneGroup || !contactKind);
    if (oneGroup) {
        contacts_->SetValue(contactKind);
        schedules_->SetValue(!contactKind);
    }
    contactsPath_->Enable(contacts_->IsEnabled() && contacts_->GetValue());
    version_->Enable(contactsPath_->IsEnabled());
    schedulesPath_->Enable(schedules_->IsEnabled() && schedules_->GetValue());
    if (wxWindow* exportButton = FindWindow(wxID_OK)) {
        exportButton->Enable(contactsPath_->IsEnabled() || schedulesPath_->IsEnabled());
    }
}

void CExportDlg::Browse(wxTextCtrl* path, const wxString& wildcard) {
    wxFileName current(path->GetValue());
    wxFileDialog chooser(this, _("Export to"), current.GetPath(), current.GetFullName(), wildcard,
                         wxFD_SAVE);
    if (chooser.ShowModal() == wxID_OK) {
        path->SetValue(chooser.GetPath());
    }
}

exchange::ExportRequest CExportDlg::Request() const {
    exchange::ExportRequest request;
    if (inGroup_->GetValue()) {
        (IsContactRange(group_) ? request.contactGroup : request.scheduleGroup) = group_;
    }
    if (contactsPath_->IsEnabled()) {
        request.contactsFile = ToUtf8(contactsPath_->GetValue());
    }
    if (schedulesPath_->IsEnabled()) {
        request.schedulesFile = ToUtf8(schedulesPath_->GetValue());
    }
    request.version =
        version_->GetSelection() == 1 ? exchange::VCardVersion::k30 : exchange::VCardVersion::k40;
    return request;
}

void CExportDlg::OnExport(wxCommandEvent&) {
    for (wxTextCtrl* path : {contactsPath_, schedulesPath_}) {
        if (!path->IsEnabled()) {
            continue;
        }
        const wxString file = path->GetValue();
        if (file.empty() || wxFileName(file).IsDir()) {
            wxMessageBox(_("Please give the file to export to."), "Calvendra",
                         wxOK | wxICON_WARNING, this);
            path->SetFocus();
            return;
        }
        if (wxFileName::FileExists(file) &&
            !AskTips(this, _("The file exists already. Do you want to replace it?"), file)) {
            return;
        }
    }
    FinishDialog(*this, wxID_OK);
}

}  // namespace calvendra
