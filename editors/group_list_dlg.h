#pragma once

#include <vector>

#include <wx/dialog.h>

#include "store/db_connection.h"
#include "store/identifiers.h"

class wxChoice;

namespace calvendra {

// "Group List": picks one group of a kind from a drop-down list of the stored groups.
class CGroupListDlg : public wxDialog {
public:
    // Lists the groups whose ids begin with `kindDigit` (1 contact groups, 2 schedule groups) and
    // selects `groupId` when it is among them. The connection must outlive the dialog.
    CGroupListDlg(wxWindow* parent, CDBConnection& connection, int kindDigit, Identifier groupId);

    // After OK the picked group, or the given one when nothing was selected; after Cancel the
    // given one.
    Identifier GroupId() const { return groupId_; }

    wxChoice* GroupChoice() const { return choice_; }

private:
    void OnOk(wxCommandEvent& event);

    Identifier groupId_;
    // The id of each entry of the choice, by position.
    std::vector<Identifier> entryIds_;
    wxChoice* choice_ = nullptr;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
