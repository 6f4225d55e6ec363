// The commands of the organizer's form: new groups, contacts and schedules, the three deletes, the
// editing of a row by double click, and their enabling. Each change is stored whole or not at
// all, the tree and the list follow it, and a change the database refuses is said with its reason.

#include <algorithm>

#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/translation.h>
#include <wx/treectrl.h>

#include "editors/changed_elsewhere.h"
#include "editors/contact_record.h"
#include "editors/dialog_buttons.h"
#include "editors/new_contact_dlg.h"
#include "editors/new_group_dlg.h"
#include "editors/new_schedule_dlg.h"
#include "editors/picker_rows.h"
#include "editors/schedule_record.h"
#include "editors/store_failure.h"
#include "editors/stored_item_editing.h"
#include "platform/log.h"
#include "platform/translatable.h"
#include "resources/store_text.h"
#include "resources/strings.h"
#include "store/db_transaction.h"
#include "store/item_filing.h"
#include "view/calvendra_view.h"
#include "view/item_list_ctrl.h"
#include "view/organizer_changes.h"

namespace calvendra {

namespace {

using namespace resources;

constexpr char kInsertGroupError[] = TRANSLATABLE("Insert group error, please contact ");
constexpr char kDeleteItemError[] = TRANSLATABLE("Delete contact error,please item ");
constexpr char kDeleteContactGroupQuestion[] =
    TRANSLATABLE("Do you want to delete the selected group?");
constexpr char kDeleteScheduleGroupQuestion[] =
    TRANSLATABLE("Do you want to delete the selected schedule group?");
constexpr char kDeleteContactGroupError[] = TRANSLATABLE("Delete group error,please contact ");
constexpr char kDeleteScheduleGroupError[] =
    TRANSLATABLE("Delete schedule group error,please contact ");
constexpr char kBaseGroupRefusal[] = TRANSLATABLE("Sorry,you cannot delete this basic group!");

bool IsContactKind(IdKind kind) {
    return kind == IdKind::kContactGroup || kind == IdKind::kContact;
}

}  // namespace

wxWindow* CCalvendraView::DialogParent() {
    return wxGetTopLevelParent(this);
}

void CCalvendraView::OnNewContactGroup(wxCommandEvent&) {
    NewGroup(IdKind::kContactGroup);
}

void CCalvendraView::OnNewScheduleGroup(wxCommandEvent&) {
    NewGroup(IdKind::kScheduleGroup);
}

void CCalvendraView::OnNewSubGroup(wxCommandEvent&) {
    const Identifier parentId = GroupIdOf(tree_->GetSelection());
    if (IsContactRange(parentId) || IsScheduleRange(parentId)) {
        NewGroup(IsContactRange(parentId) ? IdKind::kContactGroup : IdKind::kScheduleGroup,
                 parentId);
    }
}

void CCalvendraView::OnUpdateNewSubGroup(wxUpdateUIEvent& event) {
    const Identifier selected = GroupIdOf(tree_->GetSelection());
    event.Enable(IsContactRange(selected) || IsScheduleRange(selected));
}

void CCalvendraView::OnNewContact(wxCommandEvent&) {
    NewContact();
}

void CCalvendraView::OnNewSchedule(wxCommandEvent&) {
    NewSchedule();
}

void CCalvendraView::OnDeleteItem(wxCommandEvent&) {
    DeleteItem();
}

void CCalvendraView::OnDeleteContactGroup(wxCommandEvent&) {
    DeleteGroup(IdKind::kContactGroup);
}

void CCalvendraView::OnDeleteScheduleGroup(wxCommandEvent&) {
    DeleteGroup(IdKind::kScheduleGroup);
}

void CCalvendraView::OnUpdateDeleteItem(wxUpdateUIEvent& event) {
    event.Enable(itemDeleteEnabled_);
}

void CCalvendraView::OnUpdateDeleteContactGroup(wxUpdateUIEvent& event) {
    event.Enable(contactGroupDeleteEnabled_);
}

void CCalvendraView::OnUpdateDeleteScheduleGroup(wxUpdateUIEvent& event) {
    event.Enable(scheduleGroupDeleteEnabled_);
}

wxTreeItemId CCalvendraView::GroupItemOf(Identifier groupId) const {
    const GroupMap& groups = IsContactRange(groupId) ? contactGroups_ : scheduleGroups_;
    const auto found = groups.find(static_cast<unsigned long>(groupId));
    return found != groups.end() ? found->second : wxTreeItemId();
}

void CCalvendraView::NewGroup(IdKind kind, Identifier parentId) {
    const bool contacts = IsContactKind(kind);
    const wxTreeItemId& root = contacts ? contactRootItem_ : scheduleRootItem_;
    // The parent is found by its id: the tree may be read again while the editor is open.
    const auto parentItem = [&]() { return parentId == 0 ? root : GroupItemOf(parentId); };
    Identifier& groupCounter = contacts ? lastContactGroupId_ : lastScheduleGroupId_;
    Identifier& itemCounter = contacts ? lastContactId_ : lastScheduleId_;
    const IdKind itemKind = contacts ? IdKind::kContact : IdKind::kSchedule;
    const int memberKind = contacts ? kContactKind : kScheduleKind;
    const OdbcDiagnostic noTree{std::string(), 0,
                                "The groups have not been read from the database yet."};
    const std::string action = std::string("Cannot create a ") + NameOf(kind);

    if (!parentItem().IsOk()) {
        ReportStoreFailure(DialogParent(), kInsertGroupError, action, noTree);
        tree_->SetFocus();
        return;
    }
    const std::optional<Identifier> groupId = ProposeNewId(kind, groupCounter);
    if (!groupId) {
        tree_->SetFocus();
        return;
    }
    // The editor creates items above the highest stored one; with none left, it refuses them.
    const Identifier items =
        NextNewId(connection_, itemKind, itemCounter).value_or(RangeOf(itemKind).last + 1) - 1;
    CNewGroupDlg dialog(DialogParent(), connection_, memberKind, *groupId, items);
    const bool saved = dialog.ShowModal() == wxID_OK;
    // What the editor created is stored whether the group is saved or not.
    itemCounter = std::max(itemCounter, dialog.ItemCounter());
    bool groupStored = false;
    const wxTreeItemId parent = parentItem();
    if (saved && !parent.IsOk()) {
        const OdbcDiagnostic parentGone{std::string(), 0,
                                        "The group it belongs below is no longer there."};
        ReportStoreFailure(DialogParent(), kInsertGroupError, action,
                           root.IsOk() ? parentGone : noTree);
    } else if (saved) {
        const NewGroupOutcome stored =
            StoreNewGroup(connection_, kind, *groupId, dialog.GroupName(), GroupIdOf(parent),
                          memberKind, dialog.Members());
        groupStored = stored.Stored();
        if (groupStored) {
            groupCounter = std::max(groupCounter, stored.id);
            tree_->EnsureVisible(AddGroupItem(parent, stored.id, dialog.GroupName()));
            if (!stored.missingMembers.empty()) {
                const std::string notice =
                    MissingMembersNotice(memberKind, stored.missingMembers.size());
                WriteLog(LogLevel::kInfo, notice);
                wxMessageBox(FromStoreText(notice), kApplicationTitle, wxOK | wxICON_WARNING,
                             DialogParent());
            }
        } else {
            ReportNewRowFailure(DialogParent(), kInsertGroupError, kind, stored);
        }
    }
    if (!groupStored) {
        ReleaseCreatedMembers(memberKind, *groupId, dialog.Members());
    }
    // Items the editor created, picked or moved may have left or joined the listed group.
    FillList(currentGroupItem_);
    tree_->SetFocus();
}

void CCalvendraView::ReleaseCreatedMembers(int memberKind, Identifier groupId,
                                           const std::vector<GroupMember>& members) {
    const std::vector<std::string> change =
        ReleaseCreatedMembersChange(memberKind, groupId, members);
    if (change.empty()) {
        return;
    }
    const OdbcDiagnostic failure = RunAsOneChange(connection_, change);
    if (!failure.Empty()) {
        ReportStoreFailure(DialogParent(),
                           memberKind == kContactKind ? kUpdateContactError : kUpdateScheduleError,
                           "Cannot move the items made for the group " + std::to_string(groupId) +
                               " to the base group",
                           failure);
    }
}

std::string CCalvendraView::GroupNameInTree(Identifier groupId) const {
    const wxTreeItemId item = GroupItemOf(groupId);
    return item.IsOk() ? ToStoreText(tree_->GetItemText(item)) : std::string();
}

Identifier CCalvendraView::NewItemTarget(IdKind groupKind) const {
    const bool contacts = IsContactKind(groupKind);
    const wxTreeItemId selected = tree_->GetSelection();
    const Identifier groupId = GroupIdOf(selected.IsOk() ? selected
                                         : contacts      ? contactRootItem_
                                                         : scheduleRootItem_);
    if (contacts ? !IsContactRange(groupId) : !IsScheduleRange(groupId)) {
        return contacts ? kContactBaseGroupId : kScheduleBaseGroupId;
    }
    return groupId;
}

std::optional<Identifier> CCalvendraView::ProposeNewId(IdKind kind, Identifier counter) {
    const std::optional<Identifier> id = NextNewId(connection_, kind, counter);
    if (!id) {
        ReportRangeUsedUp(DialogParent(), kind);
    }
    return id;
}

void CCalvendraView::NewContact() {
    const Identifier target = NewItemTarget(IdKind::kContactGroup);
    const std::optional<Identifier> contactId = ProposeNewId(IdKind::kContact, lastContactId_);
    if (!contactId) {
        return;
    }
    CNewContactDlg editor(DialogParent(), connection_, EditMode::kNew, *contactId, target);
    if (editor.ShowModal() == wxID_OK && !editor.Statement().empty()) {
        TakeNewItem(StoreNewContact(connection_, *contactId, editor.GroupId(), editor.Values()),
                    target, editor.GroupId());
    }
}

void CCalvendraView::NewSchedule() {
    const Identifier target = NewItemTarget(IdKind::kScheduleGroup);
    const std::optional<Identifier> scheduleId = ProposeNewId(IdKind::kSchedule, lastScheduleId_);
    if (!scheduleId) {
        return;
    }
    CNewScheduleDlg editor(DialogParent(), connection_, EditMode::kNew, *scheduleId, target);
    if (editor.ShowModal() == wxID_OK && !editor.Statement().empty()) {
        // With its attendants, and without links an earlier schedule of the same id left behind.
        TakeNewItem(StoreNewSchedule(connection_, *scheduleId, editor.GroupId(), editor.Values(),
                                     editor.Attendants()),
                    target, editor.GroupId());
    }
}

void CCalvendraView::TakeNewItem(const NewItemOutcome& stored, Identifier targetGroupId,
                                 Identifier chosenGroupId) {
    // The item's kind is its group's: the two share their range.
    const bool contacts = IsContactRange(targetGroupId);
    if (!stored.Stored()) {
        ReportNewRowFailure(DialogParent(), contacts ? kInsertContactError : kInsertScheduleError,
                            contacts ? IdKind::kContact : IdKind::kSchedule, stored);
        return;
    }
    Identifier& counter = contacts ? lastContactId_ : lastScheduleId_;
    counter = std::max(counter, stored.id);
    if (stored.filing.chosenGroupMissing) {
        const int kind = contacts ? kContactKind : kScheduleKind;
        ReportFiledInBaseGroup(DialogParent(), kind, BaseGroupName(connection_, kind),
                               GroupNameInTree(chosenGroupId));
    }
    ShowNewItem(targetGroupId, stored.filing.groupId, stored.id);
}

void CCalvendraView::ShowNewItem(Identifier targetGroupId, Identifier itemGroupId,
                                 Identifier itemId) {
    // A base group lists every item of its kind; another group only its own, so when the editor
    // filed the item elsewhere, that group is shown instead. The items are looked up now: the
    // tree may have been read again while the editor was open.
    const bool contacts = IsContactRange(itemId);
    const GroupMap& groups = contacts ? contactGroups_ : scheduleGroups_;
    const bool listsIt = targetGroupId == itemGroupId || targetGroupId == kContactBaseGroupId ||
                         targetGroupId == kScheduleBaseGroupId;
    auto found = groups.find(static_cast<unsigned long>(listsIt ? targetGroupId : itemGroupId));
    if (found == groups.end()) {
        found = groups.find(static_cast<unsigned long>(targetGroupId));
    }
    const wxTreeItemId shown = found != groups.end() ? found->second
                               : contacts            ? contactRootItem_
                                                     : scheduleRootItem_;
    if (shown.IsOk() && tree_->GetSelection() != shown) {
        // The selection change fills the list.
        tree_->SelectItem(shown);
    } else {
        FillList(shown);
    }
    SelectRowOnceListed(itemId, true);
}

void CCalvendraView::DeleteItem() {
    // What the question counts is what goes: the rows selected when it is asked.
    const std::vector<Identifier> selected = SelectedItemIds();
    if (!AskTips(DialogParent(), DeleteItemsQuestion(selected.size()).c_str())) {
        return;
    }
    if (selected.empty()) {
        return;
    }
    const OdbcDiagnostic failure = DeleteItems(connection_, selected);
    if (!failure.Empty()) {
        const std::string what = selected.size() == 1
                                     ? std::to_string(selected.front())
                                     : std::to_string(selected.size()) + " items, the first " +
                                           std::to_string(selected.front());
        ReportStoreFailure(DialogParent(), kDeleteItemError, "Cannot delete " + what, failure);
        return;
    }
    if (selected.size() > 1) {
        // The list reads what is stored now, whatever it showed while the question was open.
        FillList(currentGroupItem_);
        itemDeleteEnabled_ = false;
        return;
    }
    // By id: the list may have been read again while the question was open.
    const long row = list_->FindRow(selected.front());
    if (row >= 0) {
        RemoveRow(row);
    }
    itemDeleteEnabled_ = FirstSelectedRow() >= 0;
}

void CCalvendraView::DeleteGroup(IdKind kind) {
    const bool contacts = IsContactKind(kind);
    const Identifier asked = GroupIdOf(tree_->GetSelection());
    const bool ofKind = contacts ? IsContactRange(asked) : IsScheduleRange(asked);
    const bool isBase = asked == kContactBaseGroupId || asked == kScheduleBaseGroupId;

    // What goes with the group is said in the question, so it is read first.
    std::optional<GroupSubtree> subtree;
    OdbcDiagnostic readFailure;
    wxString details;
    if (ofKind && !isBase) {
        subtree = ReadGroupSubtree(connection_, asked, readFailure);
        if (subtree) {
            const GroupMap& groups = contacts ? contactGroups_ : scheduleGroups_;
            const auto base = groups.find(
                static_cast<unsigned long>(contacts ? kContactBaseGroupId : kScheduleBaseGroupId));
            const std::string baseName =
                base != groups.end()
                    ? ToStoreText(tree_->GetItemText(base->second))
                    : (contacts ? "the contact base group" : "the schedule base group");
            details = FromStoreText(GroupDeletionDetails(*subtree, baseName));
        }
    }
    if (!AskTips(
            DialogParent(),
            wxGetTranslation(contacts ? kDeleteContactGroupQuestion : kDeleteScheduleGroupQuestion),
            details)) {
        return;
    }
    // Taken after the question, as the user left it; a group of the other kind, or another group
    // than the one asked about (the tree was read again meanwhile), is not deleted.
    const wxTreeItemId item = tree_->GetSelection();
    if (!item.IsOk() || !ofKind || GroupIdOf(item) != asked) {
        return;
    }
    if (isBase) {
        wxMessageBox(wxGetTranslation(kBaseGroupRefusal), kApplicationTitle, wxOK | wxICON_WARNING,
                     DialogParent());
        return;
    }
    const char* error = contacts ? kDeleteContactGroupError : kDeleteScheduleGroupError;
    const std::string action =
        std::string("Cannot delete the ") + NameOf(kind) + " " + std::to_string(asked);
    if (!subtree) {
        ReportStoreFailure(DialogParent(), error, action, readFailure);
        return;
    }
    const OdbcDiagnostic failure = RunAsOneChange(connection_, DeleteGroupsChange(subtree->groups));
    if (!failure.Empty()) {
        ReportStoreFailure(DialogParent(), error, action, failure);
        return;
    }
    RemoveGroupItem(item);
}

void CCalvendraView::RemoveGroupItem(const wxTreeItemId& item) {
    const bool contacts = IsContactRange(GroupIdOf(item));
    GroupMap& groups = contacts ? contactGroups_ : scheduleGroups_;
    wxTreeItemId& root = contacts ? contactRootItem_ : scheduleRootItem_;

    ++treeVersion_;
    // The groups whose items go with it.
    const std::vector<wxTreeItemId> removed = ItemsFrom(item);
    bool rootRemoved = false;
    for (const wxTreeItemId& gone : removed) {
        groups.erase(static_cast<unsigned long>(GroupIdOf(gone)));
        rootRemoved = rootRemoved || gone == root;
    }
    if (rootRemoved) {
        const auto base = groups.find(
            static_cast<unsigned long>(contacts ? kContactBaseGroupId : kScheduleBaseGroupId));
        root = base != groups.end() ? base->second : wxTreeItemId();
    }

    // The selection moves to the parent (the root for a top-level group), whose list is then
    // shown, before the item goes.
    wxTreeItemId parent = tree_->GetItemParent(item);
    if (!parent.IsOk() || parent == tree_->GetRootItem()) {
        parent = root;
    }
    const wxTreeItemId selection = tree_->GetSelection();
    if (std::find(removed.begin(), removed.end(), selection) != removed.end()) {
        if (parent.IsOk()) {
            tree_->SelectItem(parent);
        } else {
            tree_->Unselect();
        }
    }
    if (std::find(removed.begin(), removed.end(), currentGroupItem_) != removed.end()) {
        currentGroupItem_ = tree_->GetSelection();
        FillList(currentGroupItem_);
    }
    tree_->Delete(item);
}

void CCalvendraView::OnListKeyDown(wxKeyEvent& event) {
    event.Skip();
    if (event.GetKeyCode() == WXK_DELETE || event.GetKeyCode() == WXK_NUMPAD_DELETE) {
        DeleteItem();
    }
}

// Delete on a selected group asks to delete it, as the menu command of its kind does.
void CCalvendraView::OnTreeKeyDown(wxTreeEvent& event) {
    const int key = event.GetKeyCode();
    const Identifier groupId = GroupIdOf(tree_->GetSelection());
    if ((key != WXK_DELETE && key != WXK_NUMPAD_DELETE) ||
        !(IsContactRange(groupId) || IsScheduleRange(groupId))) {
        event.Skip();
        return;
    }
    // Once the key has been handled, so that the question does not open inside its event.
    CallAfter([this, groupId] {
        if (GroupIdOf(tree_->GetSelection()) == groupId) {
            DeleteGroup(IsContactRange(groupId) ? IdKind::kContactGroup : IdKind::kScheduleGroup);
        }
    });
}

void CCalvendraView::OnListDoubleClick(wxMouseEvent& event) {
    event.Skip();
    int flags = 0;
    // A row is edited through its activation, which the list sends itself.
    if (list_->HitTest(event.GetPosition(), flags) < 0) {
        CallAfter([this] { EditItem(-1); });
    }
}

void CCalvendraView::OnListItemActivated(wxListEvent& event) {
    // After the list has finished with the click, so that the focus stays where the edit puts it;
    // by the row's item, since rows read meanwhile may have moved it.
    const Identifier itemId = ItemIdAt(event.GetIndex());
    CallAfter([this, itemId] { EditItem(itemId != 0 ? list_->FindRow(itemId) : -1); });
}

void CCalvendraView::EditItem(long row) {
    if (row >= 0 && row < list_->GetItemCount()) {
        const Identifier itemId = ItemIdAt(row);
        if (IsContactRange(itemId)) {
            EditContact(itemId);
        } else {
            EditSchedule(itemId);
        }
    }
    if (currentGroupItem_.IsOk() && tree_->GetSelection() != currentGroupItem_) {
        tree_->SelectItem(currentGroupItem_);
    }
    tree_->SetFocus();
}

void CCalvendraView::EditContact(Identifier contactId) {
    ItemEditingContext context;
    context.newIdCounter = lastContactId_;
    const ContactEditing edited =
        EditStoredContact(DialogParent(), connection_, contactId, context);
    // Read again after Cancel too: the row may have changed elsewhere meanwhile.
    ShowEditedItem(edited.result, contactId, edited.contactId, lastContactId_);
}

void CCalvendraView::EditSchedule(Identifier scheduleId) {
    ItemEditingContext context;
    context.newIdCounter = lastScheduleId_;
    const ScheduleEditing edited =
        EditStoredSchedule(DialogParent(), connection_, scheduleId, context);
    ShowEditedItem(edited.result, scheduleId, edited.scheduleId, lastScheduleId_);
}

void CCalvendraView::ShowEditedItem(ItemEditingResult result, Identifier editedId,
                                    Identifier storedId, Identifier& counter) {
    // Also after Cancel: the list shows what is stored now, whoever changed it.
    FillList(currentGroupItem_);
    if (result == ItemEditingResult::kSavedAsNew) {
        counter = std::max(counter, storedId);
        SelectRowOnceListed(storedId);
    } else if (result != ItemEditingResult::kGone) {
        SelectRowOnceListed(editedId);
    }
}

}  // namespace calvendra
