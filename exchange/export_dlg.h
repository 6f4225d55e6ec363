#pragma once

#include <optional>
#include <string>

#include <wx/dialog.h>

#include "exchange/exchange_jobs.h"
#include "store/identifiers.h"

class wxCheckBox;
class wxChoice;
class wxRadioButton;
class wxTextCtrl;

namespace calvendra {

// "Export": everything, or the selected group with the groups below it; contacts to a vCard
// file (version 4.0, or 3.0 for older programs) and schedules to an iCalendar file.
class CExportDlg : public wxDialog {
public:
    // `group` is the group selected in the tree (0 for none), `groupName` its name.
    CExportDlg(wxWindow* parent, Identifier group, const std::string& groupName);

    // What the user asked for; valid after OK.
    exchange::ExportRequest Request() const;

    wxRadioButton* EverythingButton() const { return everything_; }
    wxRadioButton* GroupButton() const { return inGroup_; }
    wxCheckBox* ContactsBox() const { return contacts_; }
    wxCheckBox* SchedulesBox() const { return schedules_; }
    wxTextCtrl* ContactsPath() const { return contactsPath_; }
    wxTextCtrl* SchedulesPath() const { return schedulesPath_; }
    wxChoice* VersionChoice() const { return version_; }

private:
    void UpdateEnabling();
    void Browse(wxTextCtrl* path, const wxString& wildcard);
    void OnExport(wxCommandEvent& event);

    Identifier group_;
    wxRadioButton* everything_ = nullptr;
    wxRadioButton* inGroup_ = nullptr;
    wxCheckBox* contacts_ = nullptr;
    wxCheckBox* schedules_ = nullptr;
    wxTextCtrl* contactsPath_ = nullptr;
    wxTextCtrl* schedulesPath_ = nullptr;
    wxChoice* version_ = nullptr;
};

}  // namespace calvendra
