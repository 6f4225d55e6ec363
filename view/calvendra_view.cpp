#include "view/calvendra_view.h"

#include <algorithm>
#include <cctype>
#include <set>

#include <wx/frame.h>
#include <wx/imaglist.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/translation.h>
#include <wx/treectrl.h>

#include "editors/email_set_dlg.h"
#include "editors/shared_column_widths.h"
#include "platform/log.h"
#include "platform/translatable.h"
#include "resources/images.h"
#include "resources/resource_ids.h"
#include "resources/store_text.h"
#include "resources/strings.h"
#include "settings/email_settings_profile.h"
#include "store/db_result_set.h"
#include "store/organizer_database.h"
#include "store/query_rows.h"
#include "store/reminder_encoding.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"
#include "view/item_list_ctrl.h"
#include "view/reminder_wording.h"
#include "view/search_field.h"
#include "view/window_reading.h"

namespace calvendra {

namespace {

using namespace resources;

// Images of the shared image list.
constexpr int kContactGroupImage = 0;
constexpr int kScheduleGroupImage = 1;
constexpr int kContactImage = 2;
constexpr int kScheduleImage = 3;

constexpr char kInitializeError[] = TRANSLATABLE("Initialize error, please contact ");
constexpr char kInvalidArgument[] = TRANSLATABLE("An invalid argument was encountered.");

// The group id that a tree item carries.
class GroupData : public wxTreeItemData {
public:
    explicit GroupData(Identifier id) : id_(id) {}
    Identifier Id() const { return id_; }

private:
    Identifier id_;
};

constexpr int kReadAgainTimerId = 1;
constexpr int kFollowTimerId = 2;

// The first sentence of a read failure's status text says what it means for the user.
std::string FailureStatus(const char* what, const OdbcDiagnostic& failure) {
    switch (failure.kind) {
        case FailureKind::kUnreachable:
            return std::string("The database is unreachable, so ") + what +
                   " cannot be shown: " + failure.Text();
        case FailureKind::kBusy:
            return std::string("The database is busy, held by another program, so ") + what +
                   " cannot be shown: " + failure.Text();
        case FailureKind::kMissing:
            return std::string("The database is missing, so ") + what +
                   " cannot be shown: " + failure.Text() + "; it is opened again once it is back";
        case FailureKind::kOther:
            break;
    }
    std::string text = std::string(what) + " cannot be shown: " + failure.Text();
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

// FailureStatus in the user's language, for the status bar.
wxString ShownFailureStatus(const char* what, const OdbcDiagnostic& failure) {
    const wxString shownWhat = wxGetTranslation(what);
    const wxString reason = resources::FromStoreText(failure.Text());
    switch (failure.kind) {
        case FailureKind::kUnreachable:
            // TRANSLATORS: %1$s is what could not be read ("the groups", "the list"), %2$s the
            // database's reason.
            return wxString::Format(_("The database is unreachable, so %s cannot be shown: %s"),
                                    shownWhat, reason);
        case FailureKind::kBusy:
            return wxString::Format(
                _("The database is busy, held by another program, so %s cannot be shown: %s"),
                shownWhat, reason);
        case FailureKind::kMissing:
            return wxString::Format(_("The database is missing, so %s cannot be shown: %s; it is "
                                      "opened again once it is back"),
                                    shownWhat, reason);
        case FailureKind::kOther:
            break;
    }
    wxString text = wxString::Format(_("%s cannot be shown: %s"), shownWhat, reason);
    text[0] = wxToupper(text[0]);
    return text;
}

}  // namespace

wxBEGIN_EVENT_TABLE(CCalvendraView, wxPanel)
    EVT_TREE_SEL_CHANGED(kTreeControlId, CCalvendraView::OnTreeSelectionChanged)
    EVT_TIMER(kReadAgainTimerId, CCalvendraView::OnReadAgainTimer)
    EVT_TIMER(kFollowTimerId, CCalvendraView::OnFollowTimer)
    EVT_MENU(kIdRefresh, CCalvendraView::OnRefresh)
    EVT_UPDATE_UI(kIdRefresh, CCalvendraView::OnUpdateHandledCommand)
    EVT_SIZE(CCalvendraView::OnSize)
    EVT_MENU(kIdEmailSetting, CCalvendraView::OnEmailSetting)
    EVT_MENU(kIdNewContactGroup, CCalvendraView::OnNewContactGroup)
    EVT_MENU(kIdNewGroupMenu, CCalvendraView::OnNewContactGroup)
    EVT_MENU(kIdNewContact, CCalvendraView::OnNewContact)
    EVT_MENU(kIdNewDocument, CCalvendraView::OnNewContact)
    EVT_MENU(kIdNewScheduleGroup, CCalvendraView::OnNewScheduleGroup)
    EVT_MENU(kIdNewSchedule, CCalvendraView::OnNewSchedule)
    EVT_MENU(kIdNewSubGroup, CCalvendraView::OnNewSubGroup)
    EVT_MENU(kIdDeleteItem, CCalvendraView::OnDeleteItem)
    EVT_MENU(kIdDeleteContactGroup, CCalvendraView::OnDeleteContactGroup)
    EVT_MENU(kIdDeleteScheduleGroup, CCalvendraView::OnDeleteScheduleGroup)
    EVT_UPDATE_UI(kIdEmailSetting, CCalvendraView::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdNewContactGroup, CCalvendraView::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdNewGroupMenu, CCalvendraView::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdNewContact, CCalvendraView::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdNewDocument, CCalvendraView::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdNewScheduleGroup, CCalvendraView::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdNewSchedule, CCalvendraView::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdNewSubGroup, CCalvendraView::OnUpdateNewSubGroup)
    EVT_UPDATE_UI(kIdDeleteItem, CCalvendraView::OnUpdateDeleteItem)
    EVT_UPDATE_UI(kIdDeleteContactGroup, CCalvendraView::OnUpdateDeleteContactGroup)
    EVT_UPDATE_UI(kIdDeleteScheduleGroup, CCalvendraView::OnUpdateDeleteScheduleGroup)
    EVT_LIST_ITEM_ACTIVATED(kListControlId, CCalvendraView::OnListItemActivated)
wxEND_EVENT_TABLE()

CCalvendraView::CCalvendraView(wxWindow* parent, CDBConnection& connection,
                               EmailSettings& mailSettings)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_NONE),
      connection_(connection),
      mailSettings_(mailSettings),
      reminderWording_(UserReminderWording()),
      readAgainTimer_(this, kReadAgainTimerId),
      followTimer_(this, kFollowTimerId) {
    SetSize(ConvertDialogToPixels(wxSize(kFormWidthDlu, kFormHeightDlu)));
    tree_ = new wxTreeCtrl(
        this, kTreeControlId, ConvertDialogToPixels(wxPoint(7, 7)),
        ConvertDialogToPixels(wxSize(120, 283)),
        wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxTR_SINGLE | wxBORDER_THEME);
    tree_->AddRoot(wxEmptyString);
    // The search field above the list, as high as the theme makes a text field; the list below
    // it ends where the tree does.
    searchField_ = new CSearchField(this, kSearchFieldId, ConvertDialogToPixels(wxPoint(134, 7)),
                                    ConvertDialogToPixels(wxSize(386, -1)));
    const wxRect field = searchField_->GetRect();
    const int listTop = field.GetBottom() + 1 + ConvertDialogToPixels(wxSize(0, 3)).y;
    const int listBottom = ConvertDialogToPixels(wxPoint(0, 7 + 283)).y;
    list_ = new CItemListCtrl(this, kListControlId, wxPoint(field.GetLeft(), listTop),
                              wxSize(field.GetWidth(), listBottom - listTop),
                              wxLC_REPORT | wxLC_HRULES | wxLC_VRULES | wxBORDER_THEME);
    listReader_ = MakeReadingThreadFor(*this, connection);
    // Once the reader has gone, what the list lets go of is freed where it does.
    list_->FreeReplacedRowsWith([this](ListedRows rows) {
        if (listReader_) {
            listReader_->LetGo(std::move(rows));
        }
    });
    columnWidths_ = std::make_unique<SharedColumnWidths>(*list_);
    list_->Bind(wxEVT_LIST_COL_CLICK, &CCalvendraView::OnColumnClick, this);

    tree_->Bind(wxEVT_LEFT_DOWN, &CCalvendraView::OnTreeMouseDown, this);
    tree_->Bind(wxEVT_LEFT_UP, &CCalvendraView::OnTreeClick, this);
    tree_->Bind(wxEVT_TREE_KEY_DOWN, &CCalvendraView::OnTreeKeyDown, this);
    wxWindow* rows = list_->RowsWindow();
    rows->Bind(wxEVT_LEFT_UP, &CCalvendraView::OnListClick, this);
    rows->Bind(wxEVT_SET_FOCUS, &CCalvendraView::OnListFocus, this);
    rows->Bind(wxEVT_LEFT_DCLICK, &CCalvendraView::OnListDoubleClick, this);
    rows->Bind(wxEVT_KEY_DOWN, &CCalvendraView::OnListKeyDown, this);
    searchField_->Bind(wxEVT_TEXT, &CCalvendraView::OnSearchText, this);
    searchField_->Bind(wxEVT_SEARCH, &CCalvendraView::OnSearchText, this);
    searchField_->Bind(wxEVT_SEARCH_CANCEL, &CCalvendraView::OnSearchCancel, this);
    Bind(wxEVT_MENU, &CCalvendraView::OnFind, this, kIdFind);
    Bind(wxEVT_UPDATE_UI, &CCalvendraView::OnUpdateHandledCommand, this, kIdFind);
}

CCalvendraView::~CCalvendraView() {
    followTimer_.Stop();
    // A reading still away is waited for and dropped; a search does not run to its end first.
    CancelSearch();
    listReader_.reset();
    // Its handlers are bound to the list.
    columnWidths_.reset();
    // The controls use the image list until they go.
    DestroyChildren();
}

void CCalvendraView::OnInitialUpdate() {
    // Fit the frame to the form, shrinking only.
    if (auto* frame = wxDynamicCast(GetParent(), wxFrame)) {
        frame->Layout();
        const wxSize form = ConvertDialogToPixels(wxSize(kFormWidthDlu, kFormHeightDlu));
        const wxSize client = frame->GetClientSize();
        const wxSize fitted(std::min(client.x, form.x), std::min(client.y, form.y));
        frame->SetClientSize(fitted);
        SetSize(fitted);
    }

    mailSettings_ = LoadEmailSettings();

    images_ = std::make_unique<wxImageList>(16, 16, true, 4);
    images_->Add(LoadIconImage(kContactGroupIconNumber));
    images_->Add(LoadIconImage(kScheduleGroupIconNumber));
    images_->Add(LoadIconImage(kContactIconNumber));
    images_->Add(LoadIconImage(kScheduleIconNumber));
    tree_->SetImageList(images_.get());
    list_->SetImageList(images_.get(), wxIMAGE_LIST_SMALL);

    // Until a group is listed: the contacts' columns, without headings.
    SetHeadings("contacts", {"", "", ""}, {30, 25, 45});

    // A database that another program holds only busy is no error to click away at log-in: the
    // status bar says so, as later in the run, and the window fills itself once it is free.
    const DatabaseFault fault = OpenOrganizerDatabase(connection_);
    if (!fault.Empty() && fault.kind != FailureKind::kBusy) {
        ReportInitializeError(fault.reason);
    }
    // A database that lacks a table stays connected: what it holds is shown. One that cannot
    // serve now (busy, unreachable) leaves the tree to be read again when it does.
    unattended_ = true;
    LoadTree();
    unattended_ = false;
    followTimer_.StartOnce(static_cast<int>(followPeriod_.count()));

    // Measured from the form as it was designed: on a screen smaller than the form the window
    // is smaller than that, and the controls must still keep inside it.
    const wxSize designed = ConvertDialogToPixels(wxSize(kFormWidthDlu, kFormHeightDlu));
    const wxSize current = GetClientSize();
    layout_.Bind(this,
                 {
                     {kTreeControlId,
                      {layout::kSameOffset, 0, layout::kEdgeLeft},
                      {layout::kSameOffset, 0, layout::kEdgeTop},
                      {layout::kKeepWidth, 0, layout::kEdgeRight},
                      {layout::kProportional, 0, layout::kEdgeBottom}},
                     {kSearchFieldId,
                      {layout::kSameOffset, 0, layout::kEdgeLeft},
                      {layout::kSameOffset, 0, layout::kEdgeTop},
                      {layout::kProportional, 0, layout::kEdgeRight},
                      {layout::kKeepHeight, 0, layout::kEdgeBottom}},
                     {kListControlId,
                      {layout::kSameOffset, 0, layout::kEdgeLeft},
                      {layout::kSameOffset, 0, layout::kEdgeTop},
                      {layout::kProportional, 0, layout::kEdgeRight},
                      {layout::kProportional, 0, layout::kEdgeBottom}},
                 },
                 wxSize(std::max(current.x, designed.x), std::max(current.y, designed.y)));
    layout_.Relayout();
}

void CCalvendraView::ReportInitializeError(const std::string& reason) {
    // One log line: the reason's lines joined.
    std::string line = reason;
    for (std::size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n', at)) {
        line.replace(at, 1, "; ");
    }
    LogError("Initialize error: " + line);
    wxMessageDialog message(wxGetTopLevelParent(this), WithSupportAddress(kInitializeError),
                            kApplicationTitle, wxOK | wxICON_WARNING);
    message.SetExtendedMessage(FromStoreText(reason));
    message.ShowModal();
}

bool CCalvendraView::LoadTree() {
    // What an earlier attempt read before it failed is read again whole.
    ++treeVersion_;
    tree_->DeleteChildren(tree_->GetRootItem());
    // Every item went; none may be used again, also not by a command whose dialog the read ran
    // under.
    currentGroupItem_ = wxTreeItemId();
    contactRootItem_ = wxTreeItemId();
    scheduleRootItem_ = wxTreeItemId();
    contactGroups_.clear();
    scheduleGroups_.clear();
    lastContactId_ = kContactCounterStart;
    lastContactGroupId_ = 0;
    lastScheduleId_ = kScheduleCounterStart;
    lastScheduleGroupId_ = 0;

    const GroupTreeReading reading = ReadGroupTree(connection_);
    treeLoaded_ = reading.failure.Empty();
    if (!treeLoaded_) {
        ReportReadFailure(TRANSLATABLE("the groups"), reading.failure);
        return false;
    }
    ShowGroupTree(reading, false);
    treeMark_ = ChangeMark();
    if (contactRootItem_.IsOk()) {
        tree_->Expand(contactRootItem_);
    }
    if (scheduleRootItem_.IsOk()) {
        tree_->SelectItem(scheduleRootItem_);
    } else {
        ClearReadFailure();
    }
    return true;
}

wxTreeItemId CCalvendraView::GroupItem(Identifier groupId) const {
    const GroupMap& groups = IsContactRange(groupId) ? contactGroups_ : scheduleGroups_;
    const auto found = groups.find(static_cast<unsigned long>(groupId));
    return found != groups.end() ? found->second : wxTreeItemId();
}

void CCalvendraView::ShowGroupTree(const GroupTreeReading& reading, bool followed) {
    ++treeVersion_;
    const wxTreeItemId selection = tree_->GetSelection();
    const Identifier selectedId = GroupIdOf(selection);
    const wxString selectedName = selection.IsOk() ? tree_->GetItemText(selection) : wxString();
    const Identifier currentId = GroupIdOf(currentGroupItem_);

    std::vector<Identifier> expanded;
    const wxTreeItemId lastContactTop = ShowHierarchy(
        reading.contactGroups,
        {&contactGroups_, kContactGroupImage, &contactRootItem_, &lastContactGroupId_},
        wxTreeItemId(), expanded);
    ShowHierarchy(
        reading.scheduleGroups,
        {&scheduleGroups_, kScheduleGroupImage, &scheduleRootItem_, &lastScheduleGroupId_},
        lastContactTop, expanded);
    // Items taken out and put back in another place open as they were, now that their children
    // are in.
    for (const Identifier id : expanded) {
        const wxTreeItemId item = GroupItem(id);
        if (item.IsOk()) {
            tree_->Expand(item);
        }
    }
    treeFingerprint_ = reading.fingerprint;

    if (selectedId == 0) {
        return;
    }
    const wxTreeItemId kept = GroupItem(selectedId);
    if (kept.IsOk()) {
        if (tree_->GetSelection() != kept) {
            // The same group in another place: it stays in sight, and its list as it is.
            keepingList_ = true;
            tree_->SelectItem(kept);
            keepingList_ = false;
            tree_->EnsureVisible(kept);
        }
        if (currentId != selectedId && currentId != 0 && GroupItem(currentId).IsOk()) {
            currentGroupItem_ = GroupItem(currentId);
        }
        return;
    }
    // The selected group was deleted: its kind's base group is shown in its place.
    const bool contacts = IsContactRange(selectedId);
    wxTreeItemId base = GroupItem(contacts ? kContactBaseGroupId : kScheduleBaseGroupId);
    if (!base.IsOk()) {
        base = contacts ? contactRootItem_ : scheduleRootItem_;
    }
    if (base.IsOk()) {
        tree_->SelectItem(base);
    } else {
        currentGroupItem_ = wxTreeItemId();
        FillList(currentGroupItem_);
    }
    if (followed) {
        const wxString shownInstead =
            base.IsOk() ? "\"" + tree_->GetItemText(base) + "\" is shown in its place"
                        : wxString("no group is shown in its place");
        const wxString notice =
            "The group \"" + selectedName + "\" was deleted elsewhere; " + shownInstead + ".";
        WriteLog(LogLevel::kInfo, notice.utf8_string());
        ShowStatus(base.IsOk() ? wxString::Format(_("The group \"%s\" was deleted elsewhere; "
                                                    "\"%s\" is shown in its place."),
                                                  selectedName, tree_->GetItemText(base))
                               : wxString::Format(_("The group \"%s\" was deleted elsewhere; no "
                                                    "group is shown in its place."),
                                                  selectedName));
    }
}

wxTreeItemId CCalvendraView::ShowHierarchy(const std::vector<GroupRow>& rows,
                                           const Hierarchy& hierarchy,
                                           const wxTreeItemId& topLevelBefore,
                                           std::vector<Identifier>& expanded) {
    const std::vector<const GroupRow*> shown = ShownGroups(rows);
    std::map<Identifier, const GroupRow*> wanted;
    for (const GroupRow* row : shown) {
        wanted[row->id] = row;
    }
    GroupMap& groups = *hierarchy.groups;

    // The items of groups that are no longer shown, or shown under another parent, go with
    // everything below them; what is still shown of that comes back below.
    std::vector<std::pair<Identifier, wxTreeItemId>> going;
    for (const auto& [id, item] : groups) {
        const auto found = wanted.find(static_cast<Identifier>(id));
        if (found == wanted.end() ||
            found->second->parentId != GroupIdOf(tree_->GetItemParent(item))) {
            going.emplace_back(static_cast<Identifier>(id), item);
        }
    }
    for (const auto& [id, item] : going) {
        if (groups.count(static_cast<unsigned long>(id)) == 0) {
            continue;  // it went with a group above it
        }
        for (const wxTreeItemId& gone : ItemsFrom(item)) {
            if (tree_->IsExpanded(gone)) {
                expanded.push_back(GroupIdOf(gone));
            }
            groups.erase(static_cast<unsigned long>(GroupIdOf(gone)));
        }
        tree_->Delete(item);
    }

    // Every shown group in order: the items that stay keep their places, a new one comes right
    // after the item placed last under the same parent (first when there is none).
    std::map<Identifier, wxTreeItemId> lastPlaced;
    if (topLevelBefore.IsOk()) {
        lastPlaced[kRootParentId] = topLevelBefore;
    }
    wxTreeItemId lastTop = topLevelBefore;
    *hierarchy.rootItem = wxTreeItemId();
    for (const GroupRow* row : shown) {
        const wxString name = FromStoreText(row->name);
        const auto existing = groups.find(static_cast<unsigned long>(row->id));
        wxTreeItemId item;
        if (existing != groups.end()) {
            item = existing->second;
            if (tree_->GetItemText(item) != name) {
                tree_->SetItemText(item, name);
            }
        } else {
            const wxTreeItemId parent = row->parentId == kRootParentId
                                            ? tree_->GetRootItem()
                                            : groups.at(static_cast<unsigned long>(row->parentId));
            const auto after = lastPlaced.find(row->parentId);
            item = after != lastPlaced.end()
                       ? tree_->InsertItem(parent, after->second, name, hierarchy.image,
                                           hierarchy.image, new GroupData(row->id))
                       : tree_->PrependItem(parent, name, hierarchy.image, hierarchy.image,
                                            new GroupData(row->id));
            groups[static_cast<unsigned long>(row->id)] = item;
        }
        lastPlaced[row->parentId] = item;
        if (row->parentId == kRootParentId) {
            // Of several top-level groups, the last one is the root that new groups go under.
            *hierarchy.rootItem = item;
            lastTop = item;
        }
    }
    for (const GroupRow& row : rows) {
        // Also groups that are not shown: a new group's id must pass theirs too.
        *hierarchy.lastGroupId = std::max(*hierarchy.lastGroupId, row.id);
    }
    return lastTop;
}

wxTreeItemId CCalvendraView::AddGroupItem(const wxTreeItemId& parent, Identifier groupId,
                                          const std::string& name) {
    const bool contacts = IsContactRange(groupId);
    const int image = contacts ? kContactGroupImage : kScheduleGroupImage;
    const wxTreeItemId item =
        tree_->AppendItem(parent, FromStoreText(name), image, image, new GroupData(groupId));
    (contacts ? contactGroups_ : scheduleGroups_)[static_cast<unsigned long>(groupId)] = item;
    ++treeVersion_;
    return item;
}

std::vector<wxTreeItemId> CCalvendraView::ItemsFrom(const wxTreeItemId& item) const {
    std::vector<wxTreeItemId> items{item};
    for (std::size_t next = 0; next < items.size(); ++next) {
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = tree_->GetFirstChild(items[next], cookie); child.IsOk();
             child = tree_->GetNextChild(items[next], cookie)) {
            items.push_back(child);
        }
    }
    return items;
}

Identifier CCalvendraView::GroupIdOf(const wxTreeItemId& item) const {
    if (!item.IsOk()) {
        return 0;
    }
    const auto* data = dynamic_cast<const GroupData*>(tree_->GetItemData(item));
    return data == nullptr ? 0 : data->Id();
}

void CCalvendraView::SetGroupFlags(const wxTreeItemId& item) {
    const Identifier id = GroupIdOf(item);
    contactGroupDeleteEnabled_ =
        item.IsOk() && id > kContactCounterStart && id < kScheduleCounterStart;
    scheduleGroupDeleteEnabled_ = item.IsOk() && id > kScheduleCounterStart;
}

void CCalvendraView::OnTreeSelectionChanged(wxTreeEvent& event) {
    if (keepingList_) {
        currentGroupItem_ = event.GetItem();
        return;
    }
    itemDeleteEnabled_ = false;
    currentGroupItem_ = event.GetItem();
    SetGroupFlags(currentGroupItem_);
    // A group chosen in the tree is what the user wants to see now, rather than what was found.
    EndSearch();
    FillList(currentGroupItem_);
}

void CCalvendraView::OnTreeMouseDown(wxMouseEvent& event) {
    event.Skip();
    int flags = 0;
    const wxTreeItemId hit = tree_->HitTest(event.GetPosition(), flags);
    // Only a click on the selected group's icon or name reads it again, not one on its button.
    const wxTreeItemId selection = tree_->GetSelection();
    groupAtClick_ = hit.IsOk() && hit == selection && (flags & wxTREE_HITTEST_ONITEM) != 0
                        ? GroupIdOf(selection)
                        : 0;
}

void CCalvendraView::OnTreeClick(wxMouseEvent& event) {
    event.Skip();
    itemDeleteEnabled_ = false;
    SetGroupFlags(tree_->GetSelection());
    int flags = 0;
    const wxTreeItemId hit = tree_->HitTest(event.GetPosition(), flags);
    const Identifier clicked = groupAtClick_;
    groupAtClick_ = 0;
    if (clicked != 0 && hit.IsOk() && hit == tree_->GetSelection() && GroupIdOf(hit) == clicked) {
        RefreshFromDatabase();
    }
}

void CCalvendraView::OnListClick(wxMouseEvent& event) {
    event.Skip();
    int flags = 0;
    const long row = list_->HitTest(event.GetPosition(), flags);
    itemDeleteEnabled_ = row >= 0;
    contactGroupDeleteEnabled_ = false;
    scheduleGroupDeleteEnabled_ = false;
}

void CCalvendraView::OnListFocus(wxFocusEvent& event) {
    event.Skip();
    contactGroupDeleteEnabled_ = false;
    scheduleGroupDeleteEnabled_ = false;
}

void CCalvendraView::OnSize(wxSizeEvent& event) {
    event.Skip();
    layout_.Relayout();
}

void CCalvendraView::OnEmailSetting(wxCommandEvent&) {
    CEmailSetDlg dialog(wxGetTopLevelParent(this), mailSettings_);
    dialog.ShowModal();
}

void CCalvendraView::OnUpdateHandledCommand(wxUpdateUIEvent& event) {
    event.Enable(true);
}

void CCalvendraView::SetHeadings(const char* kind, const std::vector<const char*>& headings,
                                 std::vector<int> shares) {
    const int count = static_cast<int>(headings.size());
    while (list_->GetColumnCount() > count) {
        list_->DeleteColumn(list_->GetColumnCount() - 1);
    }
    while (list_->GetColumnCount() < count) {
        list_->AppendColumn(wxEmptyString);
    }
    for (int column = 0; column < count; ++column) {
        wxListItem heading;
        heading.SetMask(wxLIST_MASK_TEXT);
        // An empty heading stays empty: the catalogue's empty text is its header.
        const char* text = headings[static_cast<std::size_t>(column)];
        heading.SetText(*text == '\0' ? wxString() : wxGetTranslation(text));
        list_->SetColumn(column, heading);
    }
    columnWidths_->SetShares(kind, std::move(shares));
    ShowSortMark();
    // The list repaints its header only when it next finds idle time, and a window manager that
    // keeps the window busy can leave the old headings over the new rows: the list, header
    // included, is asked to repaint now.
    list_->Refresh();
}

void CCalvendraView::FillList(const wxTreeItemId& item) {
    // While the list shows what a search found, reading the group's list again (after an edit or
    // a delete) means reading the search again.
    if (searching_ && item == currentGroupItem_) {
        Search();
        return;
    }
    const Identifier groupId = GroupIdOf(item);
    // A fill still away is not shown: this one takes its place, and so does a selection that
    // waited for it.
    const unsigned long generation = ++listGeneration_;
    ++listVersion_;
    waitingSelection_.reset();
    list_->Clear();
    listedGroupId_ = groupId;
    listMark_ = ChangeMark();
    const ListKind kind = ListKindOf(groupId);
    if (kind == ListKind::kNone) {
        // No group: the list stays empty under the headings it had.
        listFilling_ = false;
        listFailed_ = false;
        ClearReadFailure();
        return;
    }
    if (kind == ListKind::kContacts) {
        SetHeadings("contacts",
                    {TRANSLATABLE("Name"), TRANSLATABLE("Home Phone"), TRANSLATABLE("Email")},
                    {30, 25, 45});
    } else {
        SetHeadings("schedules", {TRANSLATABLE("Subject"), TRANSLATABLE("Remind Time")}, {55, 45});
    }
    listFilling_ = true;
    listReader_->Read<ListReading>(
        [groupId, wording = reminderWording_, order = rowOrder_](CDBConnection& connection) {
            // The mark first: what is committed while the rows are read moves the next one.
            OdbcDiagnostic markFailure;
            ChangeMark mark = ReadChangeMark(connection, markFailure);
            ListReading reading = ReadListRows(connection, groupId, wording);
            reading.mark = std::move(mark);
            SortRows(reading.rows, order);
            return reading;
        },
        [this, alive = std::weak_ptr<int>(alive_), generation, unattended = unattended_,
         order = rowOrder_](ListReading reading) {
            if (!alive.expired() && generation == listGeneration_) {
                ShowListReading(std::move(reading), unattended);
                if (order != rowOrder_) {
                    SortShownRows();
                }
            }
        });
}

void CCalvendraView::OnColumnClick(wxListEvent& event) {
    SortByColumn(event.GetColumn());
}

void CCalvendraView::SortByColumn(int column) {
    if (column < 0 || column >= list_->GetColumnCount()) {
        return;
    }
    rowOrder_ = rowOrder_.ClickedOn(column);
    ShowSortMark();
    SortShownRows();
}

void CCalvendraView::ShowSortMark() {
    if (rowOrder_.column >= 0 && rowOrder_.column < list_->GetColumnCount()) {
        list_->ShowSortIndicator(rowOrder_.column, rowOrder_.ascending);
    } else {
        list_->RemoveSortIndicator();
    }
}

void CCalvendraView::SortShownRows() {
    if (list_->Rows().Empty()) {
        return;
    }
    // The copy is what the window thread spends; the sort itself runs on the reading thread.
    // Rows that changed meanwhile (read again, deleted, another group) are not replaced by it.
    ++sortsAway_;
    listReader_->Read<ListedRows>(
        [rows = std::make_shared<const ListedRows>(list_->Rows()),
         order = rowOrder_](CDBConnection&) { return SortedRows(*rows, order); },
        [this, alive = std::weak_ptr<int>(alive_), version = list_->RowsVersion(),
         order = rowOrder_](ListedRows sorted) {
            if (alive.expired()) {
                return;
            }
            --sortsAway_;
            if (version == list_->RowsVersion() && order == rowOrder_) {
                list_->ShowSortedRows(std::move(sorted));
            }
        });
}

void CCalvendraView::ShowListReading(ListReading reading, bool unattended, bool inPlace) {
    const bool contacts = reading.kind == ListKind::kContacts;
    const int image = contacts ? kContactImage : kScheduleImage;
    listFingerprint_ = reading.fingerprint;
    listMark_ = reading.mark;
    if (inPlace) {
        list_->ShowRowsInPlace(std::move(reading.rows), image);
    } else {
        listFilling_ = false;
        list_->ShowRows(std::move(reading.rows), image);
    }
    SelectWaitingRow();
    // Listing a base group raises its kind's counter past every item listed.
    if (reading.groupId == kContactBaseGroupId) {
        lastContactId_ = std::max(lastContactId_, reading.largestId);
    } else if (reading.groupId == kScheduleBaseGroupId) {
        lastScheduleId_ = std::max(lastScheduleId_, reading.largestId);
    }
    const bool wasUnattended = unattended_;
    unattended_ = unattended;
    if (reading.invalidWeekdays > 0) {
        ReportInvalidWeekdays(reading.invalidWeekdays, reading.firstInvalidId,
                              reading.firstInvalidText);
    }
    listFailed_ = !reading.failure.Empty();
    if (listFailed_) {
        ReportReadFailure(TRANSLATABLE("the list"), reading.failure);
    } else {
        ClearReadFailure();
    }
    unattended_ = wasUnattended;
}

void CCalvendraView::SelectRowOnceListed(Identifier itemId, bool enablesDelete) {
    waitingSelection_ = WaitingSelection{itemId, enablesDelete};
    if (!listFilling_) {
        SelectWaitingRow();
    }
}

void CCalvendraView::SelectWaitingRow() {
    if (!waitingSelection_) {
        return;
    }
    const WaitingSelection waiting = *waitingSelection_;
    waitingSelection_.reset();
    const long row = list_->FindRow(waiting.itemId);
    if (row < 0) {
        return;
    }
    list_->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                        wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    list_->EnsureVisible(row);
    if (waiting.enablesDelete) {
        itemDeleteEnabled_ = true;
    }
}

long CCalvendraView::FirstSelectedRow() const {
    return list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

std::vector<Identifier> CCalvendraView::SelectedItemIds() const {
    std::vector<Identifier> ids;
    for (long row = FirstSelectedRow(); row >= 0;
         row = list_->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        ids.push_back(list_->ItemIdAt(row));
    }
    return ids;
}

Identifier CCalvendraView::ItemIdAt(long row) const {
    return list_->ItemIdAt(row);
}

void CCalvendraView::RemoveRow(long row) {
    ++listVersion_;
    list_->RemoveRow(row);
}

void CCalvendraView::ReloadTree() {
    if (!treeLoaded_) {
        ReadAgain();
        return;
    }
    const GroupTreeReading reading = ReadGroupTree(connection_);
    if (!reading.failure.Empty()) {
        // The tree stays as it is; the next look for changes reads the groups again.
        ReportReadFailure(TRANSLATABLE("the groups"), reading.failure);
        return;
    }
    ShowGroupTree(reading, false);
    treeMark_ = ChangeMark();
    FillList(currentGroupItem_);
}

void CCalvendraView::ReadAgain() {
    unattended_ = true;
    if (!treeLoaded_) {
        LoadTree();
    } else if (listFailed_) {
        FillList(currentGroupItem_);
    }
    unattended_ = false;
}

void CCalvendraView::OnReadAgainTimer(wxTimerEvent&) {
    ReadAgain();
}

void CCalvendraView::ReportReadFailure(const char* what, const OdbcDiagnostic& failure) {
    const std::string status = FailureStatus(what, failure);
    if (status != lastFailureLogged_) {
        LogError(status);
        lastFailureLogged_ = status;
    }
    failureStatus_ = ShownFailureStatus(what, failure);
    ShowStatus(failureStatus_);
    if (!readAgainTimer_.IsRunning()) {
        readAgainTimer_.Start(kReadAgainPeriodMs);
    }
}

void CCalvendraView::ClearReadFailure() {
    // While the tree or the list is still missing, or changes cannot be looked for, its word
    // stays.
    if (!treeLoaded_ || listFailed_ || followFailed_) {
        return;
    }
    lastFailureLogged_.clear();
    readAgainTimer_.Stop();
    if (failureStatus_.empty()) {
        return;
    }
    // Only the failure's own text goes; a later word in the status bar stays.
    auto* frame = wxDynamicCast(GetParent(), wxFrame);
    if (frame != nullptr && frame->GetStatusBar() != nullptr &&
        frame->GetStatusBar()->GetStatusText(0) == failureStatus_) {
        ShowStatus(wxEmptyString);
    }
    failureStatus_.clear();
}

void CCalvendraView::ShowStatus(const wxString& text) {
    auto* frame = wxDynamicCast(GetParent(), wxFrame);
    if (frame != nullptr && frame->GetStatusBar() != nullptr) {
        frame->SetStatusText(text, 0);
    }
}

void CCalvendraView::ReportInvalidWeekdays(int count, Identifier firstScheduleId,
                                           const std::string& stored) {
    const std::string detail = "Schedule " + std::to_string(firstScheduleId) +
                               " is reminded on weekday \"" + stored + "\", which is none" +
                               (count > 1 ? " (and " + std::to_string(count - 1) + " more)" : "") +
                               "; the list shows it as stored.";
    LogWarning(std::string(kInvalidArgument) + " " + detail);
    if (unattended_) {
        ShowStatus(wxGetTranslation(kInvalidArgument) + " " + FromStoreText(detail));
    } else {
        wxMessageBox(wxGetTranslation(kInvalidArgument), kApplicationTitle, wxOK | wxICON_WARNING,
                     wxGetTopLevelParent(this));
    }
}

}  // namespace calvendra
