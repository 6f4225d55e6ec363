#include "exchange/import_summary_dlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

namespace calvendra {

CImportSummaryDlg::CImportSummaryDlg(wxWindow* parent, const exchange::ImportReading& reading)
    : wxDialog(parent, wxID_ANY, _("Import"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      reading_(reading) {
    auto* column = new wxBoxSizer(wxVERTICAL);
    summary_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                              wxSize(FromDIP(620), FromDIP(260)),
                              wxTE_MULTILINE | wxTE_READONLY | wxTE_WORDWRAP);
    column->Add(summary_, 1, wxEXPAND | wxALL, FromDIP(12));
    plan_ = PlanImport(reading_.contents, *reading_.stored, false);
    if (!plan_.duplicates.empty()) {
        duplicates_ = new wxCheckBox(this, wxID_ANY, _("Import the duplicates anyway"));
        column->Add(duplicates_, 0, wxLEFT | wxRIGHT, FromDIP(12));
        duplicates_->Bind(wxEVT_CHECKBOX, &CImportSummaryDlg::OnDuplicates, this);
    }
    auto* buttons = new wxStdDialogButtonSizer;
    auto* import = new wxButton(this, wxID_OK, _("Import"));
    buttons->AddButton(import);
    buttons->AddButton(new wxButton(this, wxID_CANCEL, _("Cancel")));
    buttons->Realize();
    import->SetDefault();
    column->Add(buttons, 0, wxEXPAND | wxALL, FromDIP(12));
    SetSizerAndFit(column);
    CentreOnParent();
    ShowPlan();
}

void CImportSummaryDlg::ShowPlan() {
    // TRANSLATORS: joined by "Read %s: %s and %s."
    const wxString files =
        wxString::Format(wxPLURAL("%d file", "%d files", reading_.files), reading_.files);
    const wxString contacts = wxString::Format(
        wxPLURAL("%d contact", "%d contacts", plan_.contactsRead), plan_.contactsRead);
    const wxString schedules = wxString::Format(
        wxPLURAL("%d schedule", "%d schedules", plan_.schedulesRead), plan_.schedulesRead);
    wxString text = wxString::Format(_("Read %s: %s and %s."), files, contacts, schedules) + "\n";
    for (const std::string& line : exchange::SummaryLines(plan_)) {
        text += wxString::FromUTF8(line) + "\n";
    }
    summary_->ChangeValue(text);
    if (wxWindow* import = FindWindow(wxID_OK)) {
        import->Enable(!plan_.Empty());
    }
}

void CImportSummaryDlg::OnDuplicates(wxCommandEvent&) {
    plan_ = PlanImport(reading_.contents, *reading_.stored, duplicates_->GetValue());
    ShowPlan();
}

}  // namespace calvendra
