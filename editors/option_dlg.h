#pragma once

#include <string>

#include <wx/dialog.h>

class wxRadioButton;

namespace calvendra {

// "Option Dialog": whether the organizer starts when the user logs in. The choice is kept twice:
// as the flag in the profile (settings/auto_run_flag.h), which the dialog shows, and as the
// desktop's autostart entry (settings/autostart_entry.h), which starts the program. OK saves the
// flag first, then writes or removes the entry; when the entry cannot be changed, the reason goes
// to the log and the dialog stays open, so that OK can be tried again or the dialog cancelled.
class COptionDlg : public wxDialog {
public:
    explicit COptionDlg(wxWindow* parent);

    wxRadioButton* AutoRunButton() const { return autoRunButton_; }
    wxRadioButton* ManualRunButton() const { return manualRunButton_; }

    // 1 for "Auto Run when windows start", 0 for "Manually Run", as last clicked.
    int AutoRunFlag() const { return autoRun_; }

private:
    void OnAutoRun(wxCommandEvent& event);
    void OnManualRun(wxCommandEvent& event);
    void OnOk(wxCommandEvent& event);
    // Writes or removes the autostart entry; false, with the reason in `error`, when it could not.
    bool ApplyToAutostartEntry(std::string& error) const;

    int autoRun_ = 0;
    wxRadioButton* autoRunButton_ = nullptr;
    wxRadioButton* manualRunButton_ = nullptr;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
