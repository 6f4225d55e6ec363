#include "editors/contact_list_dlg.h"

#include <wx/sizer.h>
#include <wx/translation.h>

#include "editors/checked_list_ctrl.h"
#include "editors/dialog_buttons.h"
#include "editors/picker_rows.h"

namespace calvendra {

wxBEGIN_EVENT_TABLE(CContactListDlg, wxDialog)
    EVT_BUTTON(wxID_OK, CContactListDlg::OnOk)
wxEND_EVENT_TABLE()

CContactListDlg::CContactListDlg(wxWindow* parent, CDBConnection& connection, int kind)
    : wxDialog(parent, wxID_ANY, _("Contact List"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
    list_ = new CCheckedListCtrl(this);
    list_->SetHeadings(PickerHeadings(kind));
    std::vector<CCheckedListCtrl::Row> rows;
    for (PickerRow& item : LoadPickerRows(connection, kind)) {
        rows.push_back({item.id, std::move(item.texts), false});
    }
    list_->SetRows(std::move(rows));
    list_->SetMinSize(FromDIP(wxSize(470, 260)));

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(list_, wxSizerFlags(1).Expand().Border(wxALL, 12));
    top->Add(CreateOkCancelButtons(this),
             wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(top);
    CentreOnParent();
    list_->SetFocus();
}

void CContactListDlg::OnOk(wxCommandEvent&) {
    picked_.clear();
    for (const CCheckedListCtrl::Row* row : list_->CheckedRows()) {
        picked_.emplace(row->id, row->texts[0]);
    }
    FinishDialog(*this, wxID_OK);
}

}  // namespace calvendra
