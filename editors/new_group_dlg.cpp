#include "editors/new_group_dlg.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

#include "editors/changed_elsewhere.h"
#include "editors/contact_record.h"
#include "editors/dialog_buttons.h"
#include "editors/new_contact_dlg.h"
#include "editors/new_schedule_dlg.h"
#include "editors/picker_rows.h"
#include "editors/schedule_record.h"
#include "editors/store_failure.h"
#include "platform/translatable.h"
#include "resources/store_text.h"
#include "resources/strings.h"
#include "store/new_identifier.h"

namespace calvendra {

namespace {

enum ControlId : int {
    kIdSelect = 100,
    kIdNewItem,
    kIdRemove,
    kIdProperties,
    kIdMembers,
};

constexpr char kNoName[] = TRANSLATABLE("Please input the new group name!");
constexpr char kRemoveError[] = TRANSLATABLE("Remove error, please contact ");
constexpr char kCancelQuestion[] = TRANSLATABLE("Do you want to cancel this new group?");

std::string ContactText(const ContactValues& values) {
    return MemberContactText(values[ContactField::kFirstName], values[ContactField::kLastName]);
}

}  // namespace

wxBEGIN_EVENT_TABLE(CNewGroupDlg, wxDialog)
    EVT_BUTTON(kIdSelect, CNewGroupDlg::OnSelect)
    EVT_BUTTON(kIdNewItem, CNewGroupDlg::OnNewItem)
    EVT_BUTTON(kIdRemove, CNewGroupDlg::OnRemove)
    EVT_BUTTON(kIdProperties, CNewGroupDlg::OnProperties)
    EVT_LIST_ITEM_SELECTED(kIdMembers, CNewGroupDlg::OnSelectionChanged)
    EVT_LIST_ITEM_DESELECTED(kIdMembers, CNewGroupDlg::OnSelectionChanged)
    EVT_BUTTON(wxID_OK, CNewGroupDlg::OnOk)
    EVT_BUTTON(wxID_CANCEL, CNewGroupDlg::OnCancel)
wxEND_EVENT_TABLE()

CNewGroupDlg::CNewGroupDlg(wxWindow* parent, CDBConnection& connection, int kind,
                           Identifier groupId, Identifier itemCounter, WebLauncher launch)
    : wxDialog(parent, wxID_ANY, _("New Group Dialog"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      connection_(connection),
      kind_(kind),
      groupId_(groupId),
      itemCounter_(itemCounter),
      launch_(std::move(launch)) {
    CreateControls();
    UpdateRowButtons();
    CentreOnParent();
    nameEdit_->SetFocus();
}

void CNewGroupDlg::CreateControls() {
    // Created in tab order: the name, the four member buttons, OK and Cancel, and last the member
    // list. They are all the dialog's own, so the list can come after OK and Cancel although its
    // frame holds it with the buttons.
    auto* nameLabel = new wxStaticText(this, wxID_ANY, _("New Group Name:"));
    nameEdit_ = new wxTextCtrl(this, wxID_ANY);
    auto* frame = new wxStaticBox(this, wxID_ANY, _("Group Members"));
    selectButton_ = new wxButton(this, kIdSelect, _("Select"));
    newItemButton_ = new wxButton(this, kIdNewItem, _("New Contact"));
    removeButton_ = new wxButton(this, kIdRemove, _("Remove"));
    propertiesButton_ = new wxButton(this, kIdProperties, _("Properties"));
    wxStdDialogButtonSizer* okCancel = CreateOkCancelButtons(this);
    memberList_ = new wxListCtrl(this, kIdMembers, wxDefaultPosition, FromDIP(wxSize(300, 200)),
                                 wxLC_LIST | wxLC_SINGLE_SEL | wxBORDER_THEME);

    auto* name = new wxBoxSizer(wxHORIZONTAL);
    name->Add(nameLabel, wxSizerFlags().CentreVertical().Border(wxRIGHT, 12));
    name->Add(nameEdit_, wxSizerFlags(1).CentreVertical());

    auto* buttons = new wxBoxSizer(wxVERTICAL);
    for (wxButton* button : {selectButton_, newItemButton_, removeButton_, propertiesButton_}) {
        buttons->Add(button, wxSizerFlags().Expand().Border(wxBOTTOM, 6));
    }
    auto* members = new wxStaticBoxSizer(frame, wxHORIZONTAL);
    members->Add(memberList_, wxSizerFlags(1).Expand().Border(wxALL, 6));
    members->Add(buttons, wxSizerFlags().Border(wxALL, 6));

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(name, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    top->Add(members, wxSizerFlags(1).Expand().Border(wxALL, 12));
    top->Add(okCancel, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(top);
}

void CNewGroupDlg::AddPicked(const CContactListDlg::PickedItems& picked) {
    for (const auto& [id, text] : picked) {
        AppendMember({id, text, false});
    }
}

void CNewGroupDlg::AppendMember(GroupMember member) {
    memberList_->InsertItem(memberList_->GetItemCount(), resources::FromStoreText(member.text));
    members_.push_back(std::move(member));
}

void CNewGroupDlg::SetMemberText(long row, const std::string& text) {
    members_.at(static_cast<std::size_t>(row)).text = text;
    memberList_->SetItemText(row, resources::FromStoreText(text));
}

long CNewGroupDlg::SelectedRow() const {
    return memberList_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

void CNewGroupDlg::UpdateRowButtons() {
    const bool onRow = SelectedRow() != -1;
    removeButton_->Enable(onRow);
    propertiesButton_->Enable(onRow);
}

void CNewGroupDlg::OnSelectionChanged(wxListEvent&) {
    UpdateRowButtons();
}

void CNewGroupDlg::OnSelect(wxCommandEvent&) {
    CContactListDlg picker(this, connection_, kind_);
    if (picker.ShowModal() == wxID_OK) {
        AddPicked(picker.Picked());
    }
}

void CNewGroupDlg::OnNewItem(wxCommandEvent&) {
    if (kind_ == kContactKind) {
        NewContact();
    } else if (kind_ == kScheduleKind) {
        NewSchedule();
    }
}

void CNewGroupDlg::NewContact() {
    const std::optional<Identifier> contactId = IdAfter(IdKind::kContact, itemCounter_);
    if (!contactId) {
        ReportRangeUsedUp(this, IdKind::kContact);
        return;
    }
    CNewContactDlg editor(this, connection_, EditMode::kNew, *contactId, groupId_,
                          NewContactValues(), launch_);
    if (editor.ShowModal() != wxID_OK) {
        return;
    }
    const NewItemOutcome stored =
        StoreNewContact(connection_, *contactId, editor.GroupId(), editor.Values(), groupId_);
    if (!stored.Stored()) {
        ReportNewRowFailure(this, resources::kInsertContactError, IdKind::kContact, stored);
        return;
    }
    TellFiling(stored.filing);
    itemCounter_ = std::max(itemCounter_, stored.id);
    AppendMember({stored.id, ContactText(editor.Values()), true});
}

void CNewGroupDlg::NewSchedule() {
    const std::optional<Identifier> scheduleId = IdAfter(IdKind::kSchedule, itemCounter_);
    if (!scheduleId) {
        ReportRangeUsedUp(this, IdKind::kSchedule);
        return;
    }
    CNewScheduleDlg editor(this, connection_, EditMode::kNew, *scheduleId, groupId_);
    if (editor.ShowModal() != wxID_OK) {
        return;
    }
    // With its attendants, and without links an earlier schedule of the same id left behind.
    const NewItemOutcome stored = StoreNewSchedule(connection_, *scheduleId, editor.GroupId(),
                                                   editor.Values(), editor.Attendants(), groupId_);
    if (!stored.Stored()) {
        ReportNewRowFailure(this, resources::kInsertScheduleError, IdKind::kSchedule, stored);
        return;
    }
    TellFiling(stored.filing);
    itemCounter_ = std::max(itemCounter_, stored.id);
    AppendMember({stored.id, editor.Values().subject, true});
}

void CNewGroupDlg::TellFiling(const Filing& filing) {
    if (filing.chosenGroupMissing) {
        ReportFiledInBaseGroup(this, kind_, BaseGroupName(connection_, kind_));
    }
}

void CNewGroupDlg::OnRemove(wxCommandEvent&) {
    const long row = SelectedRow();
    if (row == -1) {
        return;
    }
    const GroupMember& member = members_.at(static_cast<std::size_t>(row));
    // A picked item has not left its own group yet: dropping its row is all there is to undo.
    // An item created here already lies in the new group and goes back to the base group.
    if (member.createdHere &&
        !RunMemberStatement(connection_, ReleaseMemberStatement(kind_, member.id),
                            "move " + std::to_string(member.id) + " back to the base group")) {
        wxMessageBox(resources::WithSupportAddress(kRemoveError), resources::kApplicationTitle,
                     wxOK | wxICON_WARNING, this);
        return;
    }
    members_.erase(members_.begin() + row);
    memberList_->DeleteItem(row);
    UpdateRowButtons();
}

void CNewGroupDlg::OnProperties(wxCommandEvent&) {
    const long row = SelectedRow();
    if (row == -1) {
        return;
    }
    if (kind_ == kScheduleKind) {
        ScheduleProperties(row);
    } else {
        ContactProperties(row);
    }
}

ItemEditingContext CNewGroupDlg::EditingContext() const {
    ItemEditingContext context;
    context.newIdCounter = itemCounter_;
    context.pendingGroupId = groupId_;
    context.launch = launch_;
    return context;
}

void CNewGroupDlg::TakeEditedMember(long row, ItemEditingResult result, Identifier id,
                                    const std::string& text) {
    switch (result) {
        case ItemEditingResult::kSavedAsNew:
            // The row stands for the item that now holds what was entered.
            members_.at(static_cast<std::size_t>(row)).id = id;
            itemCounter_ = std::max(itemCounter_, id);
            SetMemberText(row, text);
            break;
        case ItemEditingResult::kSaved:
            SetMemberText(row, text);
            break;
        case ItemEditingResult::kGone:
            members_.erase(members_.begin() + row);
            memberList_->DeleteItem(row);
            UpdateRowButtons();
            break;
        case ItemEditingResult::kCancelled:
        case ItemEditingResult::kFailed:
            break;
    }
}

void CNewGroupDlg::ContactProperties(long row) {
    const ContactEditing edited = EditStoredContact(
        this, connection_, members_.at(static_cast<std::size_t>(row)).id, EditingContext());
    TakeEditedMember(row, edited.result, edited.contactId, ContactText(edited.stored.values));
}

void CNewGroupDlg::ScheduleProperties(long row) {
    const ScheduleEditing edited = EditStoredSchedule(
        this, connection_, members_.at(static_cast<std::size_t>(row)).id, EditingContext());
    TakeEditedMember(row, edited.result, edited.scheduleId, edited.values.subject);
}

void CNewGroupDlg::OnCancel(wxCommandEvent&) {
    // What was made here is stored already; the question says where it stays.
    const std::size_t made = CreatedHereCount(members_);
    if (made > 0) {
        const wxString base = resources::FromStoreText(BaseGroupName(connection_, kind_));
        // TRANSLATORS: the number of items made in the group editor, then the base group's name.
        const wxString stays = wxString::Format(
            kind_ == kScheduleKind ? wxPLURAL("%zu schedule made here stays, in %s.",
                                              "%zu schedules made here stay, in %s.", made)
                                   : wxPLURAL("%zu contact made here stays, in %s.",
                                              "%zu contacts made here stay, in %s.", made),
            made, base);
        if (!AskTips(this, wxGetTranslation(kCancelQuestion), stays)) {
            return;
        }
    }
    FinishDialog(*this, wxID_CANCEL);
}

void CNewGroupDlg::OnOk(wxCommandEvent&) {
    const std::string name = resources::ToStoreText(nameEdit_->GetValue());
    if (name.empty()) {
        wxMessageBox(wxGetTranslation(kNoName), resources::kApplicationTitle, wxOK | wxICON_WARNING,
                     this);
        return;
    }
    groupName_ = name;
    memberStatements_ = calvendra::MemberStatements(kind_, groupId_, members_);
    FinishDialog(*this, wxID_OK);
}

}  // namespace calvendra
