#include "editors/group_list_dlg.h"

#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/translation.h>

#include "editors/dialog_buttons.h"
#include "editors/picker_rows.h"
#include "resources/store_text.h"

namespace calvendra {

wxBEGIN_EVENT_TABLE(CGroupListDlg, wxDialog)
    EVT_BUTTON(wxID_OK, CGroupListDlg::OnOk)
wxEND_EVENT_TABLE()

CGroupListDlg::CGroupListDlg(wxWindow* parent, CDBConnection& connection, int kindDigit,
                             Identifier groupId)
    : wxDialog(parent, wxID_ANY, _("Group List")), groupId_(groupId) {
    auto* label = new wxStaticText(this, wxID_ANY, _("Please select the group name:"));
    choice_ = new wxChoice(this, wxID_ANY);
    choice_->SetMinSize(wxSize(FromDIP(240), -1));

    for (const GroupEntry& group : LoadGroupsOfKind(connection, kindDigit)) {
        const int entry = choice_->Append(resources::FromStoreText(group.name));
        entryIds_.push_back(group.groupId);
        if (group.groupId == groupId) {
            choice_->SetSelection(entry);
        }
    }

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(label, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    top->Add(choice_, wxSizerFlags().Expand().Border(wxALL, 12));
    top->Add(CreateOkCancelButtons(this),
             wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(top);
    CentreOnParent();
    choice_->SetFocus();
}

void CGroupListDlg::OnOk(wxCommandEvent&) {
    const int selected = choice_->GetSelection();
    // With nothing selected there is no other group to hand back: the given one stays.
    if (selected != wxNOT_FOUND) {
        groupId_ = entryIds_.at(static_cast<std::size_t>(selected));
    }
    FinishDialog(*this, wxID_OK);
}

}  // namespace calvendra
