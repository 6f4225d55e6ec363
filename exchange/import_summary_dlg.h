#pragma once

#include <wx/dialog.h>

#include "exchange/exchange_jobs.h"

class wxCheckBox;
class wxTextCtrl;

namespace calvendra {

// "Import": what the chosen files will bring in before anything is stored (counts per kind,
// groups to create, duplicates found, what is approximated), with the choice to import the
// duplicates anyway. "Import" confirms, "Cancel" stores nothing.
class CImportSummaryDlg : public wxDialog {
public:
    CImportSummaryDlg(wxWindow* parent, const exchange::ImportReading& reading);

    // The import as the dialog shows it: without the duplicates, or with them when ticked.
    const exchange::ImportPlan& Plan() const { return plan_; }

    wxCheckBox* DuplicatesBox() const { return duplicates_; }
    wxTextCtrl* SummaryText() const { return summary_; }

private:
    void ShowPlan();
    void OnDuplicates(wxCommandEvent& event);

    const exchange::ImportReading& reading_;
    exchange::ImportPlan plan_;
    wxTextCtrl* summary_ = nullptr;
    wxCheckBox* duplicates_ = nullptr;
};

}  // namespace calvendra
