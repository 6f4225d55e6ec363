#include "editors/new_schedule_dlg.h"

#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

#include "editors/dialog_buttons.h"
#include "editors/group_list_dlg.h"
#include "editors/picker_rows.h"
#include "editors/remind_set_dlg.h"
#include "platform/translatable.h"
#include "resources/store_text.h"
#include "resources/strings.h"

namespace calvendra {

namespace {

enum ControlId : int {
    kIdRemindSetting = 100,
    kIdChangeGroup,
};

constexpr char kNoSubject[] = TRANSLATABLE("Please input the subject!");
constexpr char kCreateQuestion[] =
    TRANSLATABLE("Do you want to create this new schedule and insert into the selected group?");

}  // namespace

wxBEGIN_EVENT_TABLE(CNewScheduleDlg, wxDialog)
    EVT_BUTTON(kIdRemindSetting, CNewScheduleDlg::OnRemindSetting)
    EVT_BUTTON(kIdChangeGroup, CNewScheduleDlg::OnChangeGroup)
    EVT_BUTTON(wxID_OK, CNewScheduleDlg::OnOk)
wxEND_EVENT_TABLE()

CNewScheduleDlg::CNewScheduleDlg(wxWindow* parent, CDBConnection& connection, EditMode mode,
                                 Identifier scheduleId, Identifier groupId,
                                 const ScheduleValues& values)
    : wxDialog(parent, wxID_ANY, _("New Schedule"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      connection_(connection),
      mode_(mode),
      scheduleId_(scheduleId),
      groupId_(groupId),
      values_(values) {
    // Created in tab order: subject, text, the two buttons, then OK and Cancel.
    auto* subjectLabel = new wxStaticText(this, wxID_ANY, _("Subject:"));
    subjectEdit_ = new wxTextCtrl(this, wxID_ANY, resources::FromStoreText(values_.subject));
    auto* textLabel = new wxStaticText(this, wxID_ANY, _("Text:"));
    // Enter starts a new line; long lines scroll sideways.
    textEdit_ =
        new wxTextCtrl(this, wxID_ANY, resources::FromStoreText(values_.text), wxDefaultPosition,
                       FromDIP(wxSize(380, 180)), wxTE_MULTILINE | wxTE_DONTWRAP | wxVSCROLL);
    remindSettingButton_ = new wxButton(this, kIdRemindSetting, _("Remind Setting"));
    changeGroupButton_ = new wxButton(this, kIdChangeGroup, _("Change Group"));

    auto* grid = new wxFlexGridSizer(2, wxSize(12, 6));
    grid->AddGrowableCol(1);
    grid->AddGrowableRow(1);
    grid->Add(subjectLabel, wxSizerFlags().CentreVertical());
    grid->Add(subjectEdit_, wxSizerFlags().Expand());
    grid->Add(textLabel);
    grid->Add(textEdit_, wxSizerFlags(1).Expand());

    auto* actions = new wxBoxSizer(wxHORIZONTAL);
    actions->Add(remindSettingButton_, wxSizerFlags().Border(wxRIGHT, 6));
    actions->Add(changeGroupButton_);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(grid, wxSizerFlags(1).Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    top->Add(actions, wxSizerFlags().Border(wxALL, 12));
    top->Add(CreateOkCancelButtons(this),
             wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(top);
    CentreOnParent();
    subjectEdit_->SetFocus();
}

void CNewScheduleDlg::ReadEdits() {
    values_.subject = resources::ToStoreText(subjectEdit_->GetValue());
    values_.text = resources::ToStoreText(textEdit_->GetValue());
}

void CNewScheduleDlg::OnRemindSetting(wxCommandEvent&) {
    // A new schedule starts without attendants. Its id is only proposed: links stored under it
    // belong to a schedule of another user, or to none.
    const std::optional<AttendantSet> chosen =
        attendants_ || mode_ == EditMode::kExisting ? attendants_ : AttendantSet();
    CRemindSetDlg dialog(this, connection_, scheduleId_, values_.reminder, chosen);
    if (dialog.ShowModal() != wxID_OK) {
        return;
    }
    values_.reminder = dialog.Settings();
    // A later confirmation replaces an earlier one: the attendants are who was ticked last.
    attendants_ = AttendantSet(dialog.Attendants().begin(), dialog.Attendants().end());
    attendantStatements_ = dialog.AttendantStatements();
    attendantIds_ = dialog.Attendants();
}

std::vector<std::string> CNewScheduleDlg::EditStatements() const {
    if (!RemindSettingConfirmed()) {
        return {statement_};
    }
    return ScheduleWithAttendants(statement_, scheduleId_, attendantStatements_);
}

void CNewScheduleDlg::OnChangeGroup(wxCommandEvent&) {
    CGroupListDlg dialog(this, connection_, kScheduleKind, groupId_);
    if (dialog.ShowModal() == wxID_OK) {
        groupId_ = dialog.GroupId();
    }
}

void CNewScheduleDlg::OnOk(wxCommandEvent&) {
    ReadEdits();
    // Blanks make a subject; only an empty one is refused.
    if (values_.subject.empty()) {
        wxMessageBox(wxGetTranslation(kNoSubject), resources::kApplicationTitle,
                     wxOK | wxICON_WARNING, this);
        return;
    }
    if (!AskTips(this, wxGetTranslation(mode_ == EditMode::kNew ? kCreateQuestion
                                                                : kSaveChangesQuestion))) {
        return;
    }
    // The statement doubles the quotes; the values keep the text as typed, so that another try
    // after No starts again from what is typed.
    statement_ = ScheduleStatement(mode_ == EditMode::kExisting, scheduleId_, groupId_, values_);
    FinishDialog(*this, wxID_OK);
}

}  // namespace calvendra
