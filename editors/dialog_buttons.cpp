#include "editors/dialog_buttons.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/translation.h>

namespace calvendra {

wxStdDialogButtonSizer* CreateOkCancelButtons(wxDialog* dialog) {
    auto* buttons = new wxStdDialogButtonSizer;
    auto* ok = new wxButton(dialog, wxID_OK, _("OK"));
    buttons->AddButton(ok);
    buttons->AddButton(new wxButton(dialog, wxID_CANCEL, _("Cancel")));
    buttons->Realize();
    ok->SetDefault();
    return buttons;
}

bool AskTips(wxWindow* parent, const wxString& question) {
    return AskTips(parent, question, wxEmptyString);
}

bool AskTips(wxWindow* parent, const wxString& question, const wxString& details) {
    wxMessageDialog box(parent, question, _("Tips"), wxYES_NO | wxICON_QUESTION);
    if (!details.empty()) {
        box.SetExtendedMessage(details);
    }
    return box.ShowModal() == wxID_YES;
}

void FinishDialog(wxDialog& dialog, int code) {
    if (dialog.IsModal()) {
        dialog.EndModal(code);
    } else {
        dialog.SetReturnCode(code);
        dialog.Hide();
    }
}

}  // namespace calvendra
