#include "editors/business_info_dlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

#include "editors/dialog_buttons.h"

namespace calvendra {

namespace {

enum ControlId : int {
    kIdGo = 100,
};

}  // namespace

const std::array<std::size_t, 12> CBusinessInfoDlg::kFields = {
    ContactField::kBusinessStreet,     ContactField::kBusinessCity,
    ContactField::kBusinessState,      ContactField::kBusinessZip,
    ContactField::kBusinessCountry,    ContactField::kBusinessJobTitle,
    ContactField::kBusinessDepartment, ContactField::kBusinessOffice,
    ContactField::kBusinessPhone,      ContactField::kBusinessFax,
    ContactField::kBusinessEmail,      ContactField::kBusinessWeb,
};

wxBEGIN_EVENT_TABLE(CBusinessInfoDlg, wxDialog)
    EVT_BUTTON(kIdGo, CBusinessInfoDlg::OnGo)
    EVT_BUTTON(wxID_OK, CBusinessInfoDlg::OnOk)
wxEND_EVENT_TABLE()

CBusinessInfoDlg::CBusinessInfoDlg(wxWindow* parent, const ContactValues& contact,
                                   WebLauncher launch)
    : wxDialog(parent, wxID_ANY, _("Business Information"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      launch_(std::move(launch)) {
    for (const std::size_t field : kFields) {
        values_[field] = contact[field];
    }

    // Created in tab order: the left column, the right column, the web field and "GO", then OK
    // and Cancel.
    auto* left = new wxFlexGridSizer(2, wxSize(12, 6));
    left->AddGrowableCol(1);
    left->AddGrowableRow(0);
    edits_.AddAddress(
        this, *left,
        {ContactField::kBusinessStreet, ContactField::kBusinessCity, ContactField::kBusinessState,
         ContactField::kBusinessZip, ContactField::kBusinessCountry},
        values_);

    auto* right = new wxFlexGridSizer(2, wxSize(12, 6));
    right->AddGrowableCol(1);
    edits_.AddLine(this, *right, _("Job Title:"), ContactField::kBusinessJobTitle, values_);
    edits_.AddLine(this, *right, _("Department:"), ContactField::kBusinessDepartment, values_);
    edits_.AddLine(this, *right, _("Office:"), ContactField::kBusinessOffice, values_);
    edits_.AddLine(this, *right, _("Phone:"), ContactField::kBusinessPhone, values_);
    edits_.AddLine(this, *right, _("Fax:"), ContactField::kBusinessFax, values_);
    edits_.AddLine(this, *right, _("Email:"), ContactField::kBusinessEmail, values_);

    auto* web = new wxFlexGridSizer(3, wxSize(12, 6));
    web->AddGrowableCol(1);
    edits_.AddLine(this, *web, _("Web:"), ContactField::kBusinessWeb, values_);
    goButton_ = new wxButton(this, kIdGo, _("GO"));
    web->Add(goButton_);

    auto* columns = new wxBoxSizer(wxHORIZONTAL);
    columns->Add(left, wxSizerFlags(1).Expand().Border(wxRIGHT, 18));
    columns->Add(right, wxSizerFlags(1).Expand());

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(columns, wxSizerFlags(1).Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    top->Add(web, wxSizerFlags().Expand().Border(wxALL, 12));
    top->Add(CreateOkCancelButtons(this),
             wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(top);
    CentreOnParent();
    edits_.At(ContactField::kBusinessStreet)->SetFocus();
}

void CBusinessInfoDlg::OnGo(wxCommandEvent&) {
    edits_.ReadInto(values_);
    OpenWebField(values_[ContactField::kBusinessWeb], launch_);
}

void CBusinessInfoDlg::OnOk(wxCommandEvent&) {
    edits_.ReadInto(values_);
    FinishDialog(*this, wxID_OK);
}

}  // namespace calvendra
