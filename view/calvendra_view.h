#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>

#include <wx/panel.h>
#include <wx/treebase.h>

#include "settings/email_settings.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "view/control_layout.h"

class wxImageList;
class wxListCtrl;
class wxListEvent;
class wxTreeCtrl;
class wxTreeEvent;

namespace calvendra {

// The form that fills the main window: the tree of contact and schedule groups on the left, the
// list of the selected group's contacts or schedules on the right.
class CCalvendraView : public wxPanel {
public:
    // Creates the form with its two controls at their places; nothing is loaded yet. The
    // connection and the e-mail settings record are the program's, owned by its document; they
    // must outlive the view.
    CCalvendraView(wxWindow* parent, CDBConnection& connection, EmailSettings& mailSettings);
    ~CCalvendraView() override;

    // The first update, once, after the main frame exists: loads the e-mail settings, opens the
    // database, loads both group hierarchies and selects the schedule root, which fills the list.
    // A database that cannot be opened, or lacks the organizer's tables, is reported with the
    // reason.
    void OnInitialUpdate();

    // Fills the list with the contacts or schedules of the group behind `item` (may be empty).
    void FillList(const wxTreeItemId& item);

    wxTreeCtrl* Tree() const { return tree_; }
    wxListCtrl* List() const { return list_; }

    // The group id that a tree item carries; 0 for an empty item.
    Identifier GroupIdOf(const wxTreeItemId& item) const;

    const wxTreeItemId& CurrentGroupItem() const { return currentGroupItem_; }
    const wxTreeItemId& ContactRootItem() const { return contactRootItem_; }
    const wxTreeItemId& ScheduleRootItem() const { return scheduleRootItem_; }

    bool ItemDeleteEnabled() const { return itemDeleteEnabled_; }
    bool ContactGroupDeleteEnabled() const { return contactGroupDeleteEnabled_; }
    bool ScheduleGroupDeleteEnabled() const { return scheduleGroupDeleteEnabled_; }

    Identifier LastContactId() const { return lastContactId_; }
    Identifier LastContactGroupId() const { return lastContactGroupId_; }
    Identifier LastScheduleId() const { return lastScheduleId_; }
    Identifier LastScheduleGroupId() const { return lastScheduleGroupId_; }

    using GroupMap = std::map<unsigned long, wxTreeItemId>;
    const GroupMap& ContactGroups() const { return contactGroups_; }
    const GroupMap& ScheduleGroups() const { return scheduleGroups_; }

    // The form's size in dialog units.
    static constexpr int kFormWidthDlu = 527;
    static constexpr int kFormHeightDlu = 297;

private:
    // What distinguishes the two hierarchies when they are loaded.
    struct Hierarchy {
        std::string query;
        GroupMap* groups;
        int image;
        wxTreeItemId* rootItem;
        Identifier* lastGroupId;
    };

    // Tells the user why the database cannot serve, and writes it to the log.
    void ReportInitializeError(const std::string& reason);
    void LoadHierarchy(const Hierarchy& hierarchy);
    void SetGroupFlags(const wxTreeItemId& item);
    void SetHeadings(const char* first, const char* second, const char* third);
    void FillContacts(Identifier groupId);
    void FillSchedules(Identifier groupId);

    void OnTreeSelectionChanged(wxTreeEvent& event);
    void OnTreeClick(wxMouseEvent& event);
    void OnListClick(wxMouseEvent& event);
    void OnListFocus(wxFocusEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnEmailSetting(wxCommandEvent& event);
    void OnUpdateHandledCommand(wxUpdateUIEvent& event);

    CDBConnection& connection_;
    EmailSettings& mailSettings_;
    wxTreeItemId currentGroupItem_;
    std::array<const char*, 7> weekdayNames_;
    bool itemDeleteEnabled_ = false;
    bool contactGroupDeleteEnabled_ = false;
    bool scheduleGroupDeleteEnabled_ = false;
    GroupMap contactGroups_;
    GroupMap scheduleGroups_;
    CControlLayout layout_;
    wxTreeItemId contactRootItem_;
    wxTreeItemId scheduleRootItem_;
    Identifier lastContactId_ = 0;
    Identifier lastContactGroupId_ = 0;
    Identifier lastScheduleId_ = 0;
    Identifier lastScheduleGroupId_ = 0;
    wxTreeCtrl* tree_ = nullptr;
    wxListCtrl* list_ = nullptr;
    std::unique_ptr<wxImageList> images_;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
