#include "editors/option_dlg.h"

#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/translation.h>

#include "editors/dialog_buttons.h"
#include "platform/log.h"
#include "platform/running_program.h"
#include "settings/auto_run_flag.h"
#include "settings/autostart_entry.h"

namespace calvendra {

namespace {

enum { kIdAutoRun = wxID_HIGHEST + 1, kIdManualRun };

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(COptionDlg, wxDialog)
    EVT_RADIOBUTTON(kIdAutoRun, COptionDlg::OnAutoRun)
    EVT_RADIOBUTTON(kIdManualRun, COptionDlg::OnManualRun)
    EVT_BUTTON(wxID_OK, COptionDlg::OnOk)
wxEND_EVENT_TABLE()
// clang-format on

COptionDlg::COptionDlg(wxWindow* parent) : wxDialog(parent, wxID_ANY, _("Option Dialog")) {
    autoRun_ = LoadAutoRunFlag();

    // One group of two, then OK and Cancel.
    autoRunButton_ = new wxRadioButton(this, kIdAutoRun, _("Auto Run when windows start"),
                                       wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    manualRunButton_ = new wxRadioButton(this, kIdManualRun, _("Manually Run"));
    (autoRun_ != 0 ? autoRunButton_ : manualRunButton_)->SetValue(true);

    wxStdDialogButtonSizer* buttons = CreateOkCancelButtons(this);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(autoRunButton_, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, 16));
    top->Add(manualRunButton_, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, 16));
    top->AddSpacer(16);
    top->Add(buttons, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(top);
    CentreOnParent();
}

void COptionDlg::OnAutoRun(wxCommandEvent&) {
    autoRun_ = 1;
}

void COptionDlg::OnManualRun(wxCommandEvent&) {
    autoRun_ = 0;
}

bool COptionDlg::ApplyToAutostartEntry(std::string& error) const {
    if (autoRun_ == 0) {
        return RemoveAutostartEntry(error);
    }
    std::string program;
    return RunningProgramPath(program, error) && WriteAutostartEntry(program, error);
}

void COptionDlg::OnOk(wxCommandEvent&) {
    SaveAutoRunFlag(autoRun_);
    std::string error;
    if (!ApplyToAutostartEntry(error)) {
        LogError("The start at log-in was not changed: " + error);
        return;
    }
    FinishDialog(*this, wxID_OK);
}

}  // namespace calvendra
