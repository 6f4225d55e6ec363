#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <wx/panel.h>
#include <wx/timer.h>
#include <wx/treebase.h>

#include "settings/email_settings.h"
#include "store/change_mark.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/new_identifier.h"
#include "store/odbc_diagnostic.h"
#include "store/reading_thread.h"
#include "store/statement_cancellation.h"
#include "view/control_layout.h"
#include "view/group_tree_reading.h"
#include "view/list_reading.h"
#include "view/row_order.h"

namespace calvendra::find {
struct FoundRows;
}

class wxImageList;
class wxKeyEvent;
class wxListEvent;
class wxTreeCtrl;
class wxTreeEvent;
class wxUpdateUIEvent;

namespace calvendra {

class CItemListCtrl;
class SharedColumnWidths;
class CSearchField;
struct GroupMember;
struct NewItemOutcome;
struct ChangeCheck;
enum class ItemEditingResult;

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
    // Every row is listed; a weekday out of range shows as stored, and "An invalid argument was
    // encountered." is said once for the fill. A list that cannot be read says why in the status
    // bar, so that it does not pass for an empty group.
    //
    // The headings change at once and the list empties; the rows are read on the list's reading
    // thread, over a connection of its own, and shown when they are back, so that the window
    // never waits for a large group. A fill asked for while another is under way replaces it.
    void FillList(const wxTreeItemId& item);
    // Whether the rows of the last fill are still being read.
    bool IsFillingList() const { return listFilling_; }
    // Whether the list shows rows of the search asked for last: its first screenful, while the
    // rest are read, or all of them.
    bool ShowsLatestSearch() const { return searching_ && shownSearch_ == listGeneration_; }

    // Shows the groups as they are stored now, in place (after an import made groups; the
    // selected group and the opened branches stay), and reads the list again.
    void ReloadTree();

    // Reads again what could not be read: the group tree while it is not loaded, otherwise the
    // list when its last fill failed. While something is missing, a timer calls it every
    // kReadAgainPeriodMs, so that the window fills itself once the database answers again.
    void ReadAgain();
    bool IsWaitingForTheDatabase() const { return readAgainTimer_.IsRunning(); }
    static constexpr int kReadAgainPeriodMs = 10000;

    // The window follows the database (following.cpp): what anybody stores, this organizer,
    // another one or another program, shows in the tree and the list by itself, with the selected
    // group, the expanded branches, the selected rows and the scroll position kept where they
    // still exist. Every period, a look on the reading thread reads a cheap mark of the database
    // (change_mark.h); only when it moved are the groups and the listed rows read, and only what
    // differs from what is shown comes back to the window. A look that had much to read puts the
    // next one off for a few times as long, so that a database that changes all the time costs a
    // bounded share of a core.
    static constexpr std::chrono::milliseconds kFollowPeriod{1000};
    // How often to look; for a test or benchmark that wants to see what a refresh alone does.
    void SetFollowPeriod(std::chrono::milliseconds period);
    // Reads the groups and the list again at once, whatever the mark says (View, Refresh; a click
    // on the selected group): what changed shows, the place in the tree and the list stays.
    void RefreshFromDatabase();
    // Whether a look or a refresh is away on the reading thread.
    bool IsLookingForChanges() const { return looksAway_ > 0; }
    // Called when the database file was found replaced, missing or back, so that connections
    // of other parts follow it at once rather than at their next use.
    void WhenDatabaseFileChanges(std::function<void()> follow) {
        databaseFileChanged_ = std::move(follow);
    }

    // Selects the list's row of this contact or schedule and scrolls it into view, as soon as the
    // list shows the rows of the fill under way (at once when none is); nothing when the list
    // does not show it. With `enablesDelete`, a row found also enables the item delete. A fill
    // asked for afterwards drops the selection that still waits.
    void SelectRowOnceListed(Identifier itemId, bool enablesDelete = false);
    // The first selected row, or -1; the items of the selected rows, in list order; the id of the
    // item a row shows; a deleted item's row taken out of the list.
    long FirstSelectedRow() const;
    std::vector<Identifier> SelectedItemIds() const;
    Identifier ItemIdAt(long row) const;
    void RemoveRow(long row);

    wxTreeCtrl* Tree() const { return tree_; }
    CItemListCtrl* List() const { return list_; }
    CSearchField* SearchField() const { return searchField_; }
    // Whether the list shows what the search field found rather than the group's items.
    bool IsSearching() const { return searching_; }

    // The name of a group as the tree shows it; empty when the tree does not show it.
    std::string GroupNameInTree(Identifier groupId) const;

    // The schedule editor on a stored schedule, as a double click on its row opens it.
    void OpenSchedule(Identifier scheduleId) { EditSchedule(scheduleId); }

    // What a click on a column's header does: the rows are sorted by that column on the reading
    // thread, rising, or falling when they rose by it already; the rows read later come in that
    // order too.
    void SortByColumn(int column);
    const RowOrder& ListOrder() const { return rowOrder_; }
    // Whether a sort of the shown rows is away on the reading thread.
    bool IsSortingList() const { return sortsAway_ > 0; }

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
        GroupMap* groups;
        int image;
        wxTreeItemId* rootItem;
        Identifier* lastGroupId;
    };

    // Tells the user why the database cannot serve, and writes it to the log.
    void ReportInitializeError(const std::string& reason);
    // Both hierarchies, then the schedule root selected; false when a query failed.
    bool LoadTree();
    // Shows the groups read: the items of groups that are no longer shown (or now under another
    // parent) go, new ones come in their places, renamed ones change their texts, and every other
    // item keeps its place and its expansion. The selected group stays selected where it still
    // is; when it went, its kind's base group is selected, and `followed` says so in the status
    // bar.
    void ShowGroupTree(const GroupTreeReading& reading, bool followed);
    // One hierarchy of it, with its top-level items after `topLevelBefore` (or first); gives its
    // last top-level item. The expansion of the items it takes out is added to `expanded`.
    wxTreeItemId ShowHierarchy(const std::vector<GroupRow>& rows, const Hierarchy& hierarchy,
                               const wxTreeItemId& topLevelBefore,
                               std::vector<Identifier>& expanded);
    wxTreeItemId GroupItem(Identifier groupId) const;
    // The item and every item below it, parents before their children.
    std::vector<wxTreeItemId> ItemsFrom(const wxTreeItemId& item) const;
    // Appends the item of a new group under `parent`, with its kind's image, and enters it into
    // its hierarchy's map.
    wxTreeItemId AddGroupItem(const wxTreeItemId& parent, Identifier groupId,
                              const std::string& name);
    void SetGroupFlags(const wxTreeItemId& item);
    // The list's columns for a kind of rows: their headings and their shares of the list's
    // width (until the user drags a column of that kind), with the sort mark on the column the
    // rows are sorted by.
    void SetHeadings(const char* kind, const std::vector<const char*>& headings,
                     std::vector<int> shares);
    void ShowSortMark();
    void OnColumnClick(wxListEvent& event);
    // The rows shown, sorted again in the list's order on the reading thread.
    void SortShownRows();
    // Shows the rows of a fill once they are back from the reading thread; `inPlace` keeps the
    // selected rows, the focus and the row at the top where they still are.
    void ShowListReading(ListReading reading, bool unattended, bool inPlace = false);
    void SelectWaitingRow();

    // What could not be read (`what`: "the groups", "the list") and why: in the status bar and
    // the log, and the timer reads it again.
    void ReportReadFailure(const char* what, const OdbcDiagnostic& failure);
    // Once the tree and the list could be read, the failure's status text goes, and so does the
    // timer.
    void ClearReadFailure();
    // Says "An invalid argument was encountered." for a fill that met weekdays out of range:
    // in a message box when the user asked for the fill, in the status bar otherwise.
    void ReportInvalidWeekdays(int count, Identifier firstScheduleId, const std::string& stored);
    void ShowStatus(const wxString& text);
    void OnReadAgainTimer(wxTimerEvent& event);

    // Following the database (following.cpp).
    void StartLook(bool refresh);
    void TakeChangeCheck(ChangeCheck check, unsigned long treeVersion, unsigned long listVersion,
                         bool refresh);
    // Tells the user and the other connections that the database file was replaced, went missing
    // or is back.
    void FollowDatabaseFile(const ChangeCheck& check);
    void OnFollowTimer(wxTimerEvent& event);
    void OnRefresh(wxCommandEvent& event);
    void OnTreeMouseDown(wxMouseEvent& event);

    // The commands (view_commands.cpp): new groups, contacts and schedules, the deletes, and the
    // editing of a row.
    // A new group of the kind under the group `parentId`, or under the kind's root when 0.
    void NewGroup(IdKind kind, Identifier parentId = 0);
    // The tree item of a listed group; not ok when the tree does not show it.
    wxTreeItemId GroupItemOf(Identifier groupId) const;
    void NewContact();
    void NewSchedule();
    // The group a new contact or schedule goes to: the selected one when it is of the item's
    // kind, otherwise the kind's base group.
    Identifier NewItemTarget(IdKind groupKind) const;
    // The id a new row of the kind takes; empty, after saying so, when the kind has none left.
    std::optional<Identifier> ProposeNewId(IdKind kind, Identifier counter);
    // After the editor of a new contact or schedule for the group `targetGroupId`, which filed it
    // in `chosenGroupId`: a refusal is said, and so is a chosen group deleted meanwhile; a stored
    // item raises its counter and is shown (ShowNewItem).
    void TakeNewItem(const NewItemOutcome& stored, Identifier targetGroupId,
                     Identifier chosenGroupId);
    // After the group editor ended without its group stored: the items made in it go to the base
    // group of their kind.
    void ReleaseCreatedMembers(int memberKind, Identifier groupId,
                               const std::vector<GroupMember>& members);
    // After a new item: the list shows the target group, or the group the editor filed the item
    // in when the target does not list it, with the item's row selected.
    void ShowNewItem(Identifier targetGroupId, Identifier itemGroupId, Identifier itemId);
    void DeleteItem();
    void DeleteGroup(IdKind kind);
    // Takes the item of a deleted group and of every group below it out of the tree and its map.
    void RemoveGroupItem(const wxTreeItemId& item);
    void EditItem(long row);
    void EditContact(Identifier contactId);
    void EditSchedule(Identifier scheduleId);
    // The list after an editing: read again, with the edited item's row selected (or the row of
    // the new item that holds what was entered, whose id raises `counter`).
    void ShowEditedItem(ItemEditingResult result, Identifier editedId, Identifier storedId,
                        Identifier& counter);
    wxWindow* DialogParent();

    void OnNewContactGroup(wxCommandEvent& event);
    void OnNewScheduleGroup(wxCommandEvent& event);
    void OnNewSubGroup(wxCommandEvent& event);
    void OnUpdateNewSubGroup(wxUpdateUIEvent& event);
    void OnNewContact(wxCommandEvent& event);
    void OnNewSchedule(wxCommandEvent& event);
    void OnDeleteItem(wxCommandEvent& event);
    void OnDeleteContactGroup(wxCommandEvent& event);
    void OnDeleteScheduleGroup(wxCommandEvent& event);
    void OnUpdateDeleteItem(wxUpdateUIEvent& event);
    void OnUpdateDeleteContactGroup(wxUpdateUIEvent& event);
    void OnUpdateDeleteScheduleGroup(wxUpdateUIEvent& event);
    void OnListKeyDown(wxKeyEvent& event);
    void OnTreeKeyDown(wxTreeEvent& event);
    void OnListDoubleClick(wxMouseEvent& event);
    void OnListItemActivated(wxListEvent& event);

    // The search (list_search.cpp): what the field holds, read on the list's reading thread and
    // shown in the list in place of the group's items, with the group in a fourth column.
    void Search();
    void ShowFoundRows(find::FoundRows found);
    // The first screenful of what the search under way found, while it reads the rest.
    void ShowFirstFoundRows(unsigned long generation, ListedRows rows);
    // A search still under way gives up, even in the middle of its statement.
    void CancelSearch();
    // Back to the group's items: the field empties and the group column goes.
    void EndSearch();
    void OnFind(wxCommandEvent& event);
    void OnSearchText(wxCommandEvent& event);
    void OnSearchCancel(wxCommandEvent& event);

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
    ReminderWording reminderWording_;
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
    CItemListCtrl* list_ = nullptr;
    CSearchField* searchField_ = nullptr;
    bool searching_ = false;
    // The list's columns fill its width.
    std::unique_ptr<SharedColumnWidths> columnWidths_;
    // The order the user chose for the list, and the sorts of shown rows still away.
    RowOrder rowOrder_;
    int sortsAway_ = 0;
    std::unique_ptr<wxImageList> images_;
    // Reads the list's rows; the fill that was asked for last is the one shown.
    std::unique_ptr<ReadingThread> listReader_;
    unsigned long listGeneration_ = 0;
    // Stops the search asked for last, when a newer one comes, the search ends or the window
    // goes: on the reading thread it gives up between rows, or inside its statement where the
    // driver allows, so that the newer search does not wait behind it.
    std::shared_ptr<StatementCancellation> runningSearch_;
    // The generation of the search whose rows, the first ones or all, the list shows.
    unsigned long shownSearch_ = 0;
    bool listFilling_ = false;
    // The row to select once the fill under way is shown: its item, and whether it enables the
    // item delete.
    struct WaitingSelection {
        Identifier itemId = 0;
        bool enablesDelete = false;
    };
    std::optional<WaitingSelection> waitingSelection_;
    // What a reading that comes back after the view has gone finds expired.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    bool treeLoaded_ = false;
    bool listFailed_ = false;
    // A look for changes failed (not for a busy database, which passes by itself).
    bool followFailed_ = false;
    // Set while the view reads without the user having asked for it (start-up, reading again):
    // what it has to say then goes to the status bar, never into a message box.
    bool unattended_ = false;
    wxTimer readAgainTimer_;
    // The status text of the last read failure, while it stands; its reason, for logging each
    // reason once.
    wxString failureStatus_;
    std::string lastFailureLogged_;

    // What the tree and the list show, as the looks for changes compare it: for each, the mark of
    // the database it was last found up to date with (none for groups read over the window's own
    // connection, whose marks say nothing about the reading thread's), and the fingerprint of its
    // reading; and the group whose rows the list shows.
    ChangeMark treeMark_;
    std::uint64_t treeFingerprint_ = 0;
    ChangeMark listMark_;
    std::uint64_t listFingerprint_ = 0;
    Identifier listedGroupId_ = 0;
    // Raised whenever the tree's items or the list's rows change here: a look that was asked for
    // before does not show what it read, which may be older.
    unsigned long treeVersion_ = 0;
    unsigned long listVersion_ = 0;
    int looksAway_ = 0;
    std::chrono::milliseconds followPeriod_ = kFollowPeriod;
    wxTimer followTimer_;
    // Set while the selection moves to the item of the same group that a reading put in another
    // place: the list stays as it is.
    bool keepingList_ = false;
    // The selected group when a click on the tree began; a click that ends on it reads its list
    // again.
    Identifier groupAtClick_ = 0;
    // The database file as the looks last found it.
    bool databaseFileMissing_ = false;
    unsigned long fileReopenCount_ = 0;
    std::function<void()> databaseFileChanged_;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
