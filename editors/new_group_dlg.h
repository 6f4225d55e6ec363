#pragma once

#include <string>
#include <vector>

#include <wx/dialog.h>

#include "editors/contact_list_dlg.h"
#include "editors/default_browser.h"
#include "editors/group_members.h"
#include "editors/stored_item_editing.h"
#include "editors/web_address.h"
#include "store/db_connection.h"
#include "store/identifiers.h"

class wxButton;
class wxListCtrl;
class wxListEvent;
class wxTextCtrl;

namespace calvendra {

// "New Group Dialog": names a new contact group (kind 1) or schedule group (kind 2) and gathers
// its members, picked among the stored items or created on the spot. The caller inserts the group
// after OK and then runs MemberStatements(). What "New Contact", "Remove" and "Properties" do to
// items is written at once, and stays written whether the group is saved or not; when it is not,
// the caller sends the items made here to the base group (ReleaseCreatedMembersChange), which
// Cancel says before it happens.
class CNewGroupDlg : public wxDialog {
public:
    // `groupId` is the id the new group will have; `itemCounter` the highest contact id (kind 1)
    // or schedule id (kind 2) in use, above which items created here take their ids. The
    // connection must outlive the dialog. "GO" in the contact editors hands the web field to
    // `launch`.
    CNewGroupDlg(wxWindow* parent, CDBConnection& connection, int kind, Identifier groupId,
                 Identifier itemCounter, WebLauncher launch = OpenInDefaultBrowser);

    // After OK: the name as typed (its quotes not doubled), and one statement per member row
    // that moves the member into the group, in row order. Both empty after Cancel.
    const std::string& GroupName() const { return groupName_; }
    const std::vector<std::string>& MemberStatements() const { return memberStatements_; }

    // The highest id in use after the items created here, after OK and after Cancel alike: those
    // items are stored either way, and the next new item must take an id above them.
    Identifier ItemCounter() const { return itemCounter_; }

    // The member rows, as the list shows them.
    const std::vector<GroupMember>& Members() const { return members_; }

    // Appends a row for each picked item, in ascending order of id, as "Select" does with what
    // its picker hands back. Rows already listed are not looked for.
    void AddPicked(const CContactListDlg::PickedItems& picked);

    wxTextCtrl* NameEdit() const { return nameEdit_; }
    wxListCtrl* MemberList() const { return memberList_; }
    wxButton* SelectButton() const { return selectButton_; }
    wxButton* NewItemButton() const { return newItemButton_; }
    wxButton* RemoveButton() const { return removeButton_; }
    wxButton* PropertiesButton() const { return propertiesButton_; }

private:
    void CreateControls();
    void AppendMember(GroupMember member);
    void SetMemberText(long row, const std::string& text);
    long SelectedRow() const;
    // "Remove" and "Properties" are usable while a row is selected.
    void UpdateRowButtons();

    void NewContact();
    void NewSchedule();
    void ContactProperties(long row);
    void ScheduleProperties(long row);
    // How the editing of a member's item goes: above the items made here, in this group.
    ItemEditingContext EditingContext() const;
    // The member row after its item was edited: renamed, standing for the item stored as new, or
    // gone with its item.
    void TakeEditedMember(long row, ItemEditingResult result, Identifier id,
                          const std::string& text);
    // Says where an item made here went when the group chosen for it was deleted meanwhile.
    void TellFiling(const Filing& filing);

    void OnSelect(wxCommandEvent& event);
    void OnNewItem(wxCommandEvent& event);
    void OnRemove(wxCommandEvent& event);
    void OnProperties(wxCommandEvent& event);
    void OnSelectionChanged(wxListEvent& event);
    void OnOk(wxCommandEvent& event);
    void OnCancel(wxCommandEvent& event);

    CDBConnection& connection_;
    int kind_;
    Identifier groupId_;
    Identifier itemCounter_;
    WebLauncher launch_;
    std::string groupName_;
    std::vector<std::string> memberStatements_;
    // One entry per row of the member list, in the list's order.
    std::vector<GroupMember> members_;

    wxTextCtrl* nameEdit_ = nullptr;
    wxButton* selectButton_ = nullptr;
    wxButton* newItemButton_ = nullptr;
    wxButton* removeButton_ = nullptr;
    wxButton* propertiesButton_ = nullptr;
    wxListCtrl* memberList_ = nullptr;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
