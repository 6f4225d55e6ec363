#include "editors/dialog_buttons.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>

namespace calvendra {

wxStdDialogButtonSizer* CreateOkCancelButtons(wxDialog* dialog) {
    auto* buttons = new wxStdDialogButtonSizer;
    auto* ok = new wxButton(dialog, wxID_OK, "OK");
    buttons->AddButton(ok);
    buttons->AddButton(new wxButton(dialog, wxID_CANCEL, "Cancel"));
    buttons->Realize();
    ok->SetDefault();
    return buttons;
}

bool AskTips(wxWindow* parent, const char* question) {
    return AskTips(parent, question, wxEmptyString);
}

bool AskTips(wxWindow* parent, const char* question, const wxString& details) {
    wxMessageDialog box(parent, question, "Tips", wxYES_NO | wxICON_QUESTION);
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
