#pragma once

#include <map>
#include <string>

#include <wx/dialog.h>

#include "store/db_connection.h"
#include "store/identifiers.h"

namespace calvendra {

class CCheckedListCtrl;

// "Contact List": picks any number of contacts, or of schedules, by their check boxes.
class CContactListDlg : public wxDialog {
public:
    // The picked items: id and the text of the item's first column, in ascending order of id.
    using PickedItems = std::map<Identifier, std::string>;

    // Lists the contacts (kind 1) or the schedules (kind 2) whose group is stored; any other kind
    // lists nothing. The connection must outlive the dialog.
    CContactListDlg(wxWindow* parent, CDBConnection& connection, int kind);

    // What OK picked; empty before OK and after Cancel.
    const PickedItems& Picked() const { return picked_; }

    CCheckedListCtrl* List() const { return list_; }

private:
    void OnOk(wxCommandEvent& event);

    PickedItems picked_;
    CCheckedListCtrl* list_ = nullptr;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
