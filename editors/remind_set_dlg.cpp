#include "editors/remind_set_dlg.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/datectrl.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/timectrl.h>
#include <wx/translation.h>

#include "editors/checked_list_ctrl.h"
#include "editors/dialog_buttons.h"
#include "editors/remind_enabling.h"
#include "reminders/weekday_names.h"
#include "store/repeat_table.h"

namespace calvendra {

namespace {

enum ControlId : int {
    kIdRemind = 100,
    kIdSpecialDay,
    kIdEveryWeek,
    kIdEveryDay,
};

constexpr int kFirstType = kRemindSpecialDay;

// The repeat choice's entries, by position.
enum RepeatEntry : int { kOnce, kEveryYear, kEveryMonth };
// TRANSLATORS: how a special day's reminder repeats, chosen beside its date.
constexpr const char* kRepeatEntries[] = {TRANSLATABLE("once"), TRANSLATABLE("every year"),
                                          TRANSLATABLE("every month")};

// The button of a type, by position; a type that is neither of the first two counts as every day.
std::size_t TypeButtonIndex(int remindType) {
    switch (remindType) {
        case kRemindSpecialDay:
        case kRemindEveryWeek:
            return static_cast<std::size_t>(remindType - kFirstType);
        default:
            return static_cast<std::size_t>(kRemindEveryDay - kFirstType);
    }
}

CalendarDate DateOf(const wxDateTime& day) {
    return {day.GetYear(), static_cast<int>(day.GetMonth()) + 1, day.GetDay()};
}

TimeOfDay TimeOf(const wxDateTime& instant) {
    return {instant.GetHour(), instant.GetMinute(), instant.GetSecond()};
}

// A box whose label is a check box. wxGTK makes the label of every box the mnemonic of the control
// after it, taking the label for a text; a check box label has no mnemonic to give.
class CheckBoxFrame : public wxStaticBox {
public:
    CheckBoxFrame(wxWindow* parent, wxCheckBox* label) : wxStaticBox(parent, wxID_ANY, label) {}

protected:
#ifdef __WXGTK__
    bool GTKWidgetNeedsMnemonic() const override {
        return false;
    }
#endif
};

void AddLabelled(wxFlexGridSizer& grid, wxWindow* parent, const wxString& label,
                 wxWindow* control) {
    grid.Add(new wxStaticText(parent, wxID_ANY, label), wxSizerFlags().CentreVertical());
    grid.Add(control, wxSizerFlags().CentreVertical());
}

}  // namespace

wxBEGIN_EVENT_TABLE(CRemindSetDlg, wxDialog)
    EVT_CHECKBOX(kIdRemind, CRemindSetDlg::OnRemindClicked)
    EVT_RADIOBUTTON(kIdSpecialDay, CRemindSetDlg::OnTypeClicked)
    EVT_RADIOBUTTON(kIdEveryWeek, CRemindSetDlg::OnTypeClicked)
    EVT_RADIOBUTTON(kIdEveryDay, CRemindSetDlg::OnTypeClicked)
    EVT_BUTTON(wxID_OK, CRemindSetDlg::OnOk)
wxEND_EVENT_TABLE()

CRemindSetDlg::CRemindSetDlg(wxWindow* parent, CDBConnection& connection, Identifier scheduleId,
                             const ReminderSettings& settings,
                             const std::optional<AttendantSet>& chosenAttendants)
    : wxDialog(parent, wxID_ANY, _("Remind Setting"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      scheduleId_(scheduleId),
      settings_(settings),
      date_(DateOf(wxDateTime::Today())),
      time_(TimeOf(wxDateTime::Now())) {
    OdbcDiagnostic unknown;
    const std::optional<bool> repeatTable = HasRepeatTable(connection, unknown);
    repeatAvailable_ = repeatTable.value_or(false);
    if (const auto stored = ReadStoredTime(settings_.remindTime)) {
        time_ = *stored;
    }
    if (const auto stored = ReadStoredDate(settings_.remindDate)) {
        date_ = *stored;
    }
    CreateControls();
    if (!repeatAvailable_) {
        repeatChoice_->SetToolTip(
            repeatTable
                // TRANSLATORS: %s is the title of a step in the README, which is in English.
                ? wxString::Format(_("Repeating needs the table schedule_repeat, which this "
                                     "database lacks: the README's step \"%s\" adds it."),
                                   kAddTablesStep)
                : _("The database could not say whether it keeps repetitions:") + " " +
                      wxString::FromUTF8(unknown.Text()));
    }
    ApplyEnabling();
    FillAttendants(connection, chosenAttendants);
    ShowSettings();
}

void CRemindSetDlg::CreateControls() {
    // The reminder: "Remind" sits in the frame of its box.
    remindCheck_ = new wxCheckBox(this, kIdRemind, _("Remind"));
    auto* reminderBox = new wxStaticBoxSizer(new CheckBoxFrame(this, remindCheck_), wxVERTICAL);
    wxWindow* box = reminderBox->GetStaticBox();
    auto* typeRow = new wxBoxSizer(wxHORIZONTAL);
    const wxString typeLabels[] = {_("Special Day"), _("Everyweek"), _("Everyday")};
    const int typeIds[] = {kIdSpecialDay, kIdEveryWeek, kIdEveryDay};
    for (std::size_t i = 0; i < typeButtons_.size(); ++i) {
        typeButtons_[i] = new wxRadioButton(box, typeIds[i], typeLabels[i], wxDefaultPosition,
                                            wxDefaultSize, i == 0 ? wxRB_GROUP : 0);
        typeRow->Add(typeButtons_[i], wxSizerFlags().Border(wxRIGHT, 18));
    }
    datePicker_ = new wxDatePickerCtrl(box, wxID_ANY, wxDefaultDateTime, wxDefaultPosition,
                                       wxDefaultSize, wxDP_DROPDOWN | wxDP_SHOWCENTURY);
    // A choice rather than an editable box: no typed text can select no weekday.
    weekdayChoice_ = new wxChoice(box, wxID_ANY);
    for (const char* weekday : kWeekdayNames) {
        weekdayChoice_->Append(wxGetTranslation(weekday));
    }
    repeatChoice_ = new wxChoice(box, wxID_ANY);
    for (const char* entry : kRepeatEntries) {
        repeatChoice_->Append(wxGetTranslation(entry));
    }
    timePicker_ = new wxTimePickerCtrl(box, wxID_ANY);
    auto* grid = new wxFlexGridSizer(2, wxSize(12, 6));
    auto* dateRow = new wxBoxSizer(wxHORIZONTAL);
    dateRow->Add(datePicker_, wxSizerFlags().CentreVertical());
    dateRow->Add(repeatChoice_, wxSizerFlags().CentreVertical().Border(wxLEFT, 6));
    grid->Add(new wxStaticText(box, wxID_ANY, _("Date:")), wxSizerFlags().CentreVertical());
    grid->Add(dateRow, wxSizerFlags().CentreVertical());
    AddLabelled(*grid, box, _("Weekday:"), weekdayChoice_);
    AddLabelled(*grid, box, _("Time:"), timePicker_);
    reminderBox->Add(typeRow, wxSizerFlags().Border(wxALL, 6));
    reminderBox->Add(grid, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxBOTTOM, 6));

    auto* attendantBox = new wxStaticBoxSizer(wxVERTICAL, this, _("Attendant"));
    box = attendantBox->GetStaticBox();
    emailCheck_ = new wxCheckBox(box, wxID_ANY, _("Email to remind attendant"));
    attendantList_ = new CCheckedListCtrl(box);
    attendantList_->SetHeadings(
        {TRANSLATABLE("Name"), TRANSLATABLE("Email"), TRANSLATABLE("Group")}, {30, 45, 25});
    attendantList_->SetMinSize(FromDIP(wxSize(470, 220)));
    attendantBox->Add(emailCheck_, wxSizerFlags().Border(wxALL, 6));
    attendantBox->Add(attendantList_, wxSizerFlags(1).Expand().Border(wxALL, 6));

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(reminderBox, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    top->Add(attendantBox, wxSizerFlags(1).Expand().Border(wxALL, 12));
    top->Add(CreateOkCancelButtons(this),
             wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(top);
    CentreOnParent();
}

wxRadioButton* CRemindSetDlg::TypeButton(int remindType) const {
    return typeButtons_[TypeButtonIndex(remindType)];
}

void CRemindSetDlg::ShowSettings() {
    remindCheck_->SetValue(settings_.remind);
    emailCheck_->SetValue(settings_.emailRemind);
    datePicker_->SetValue(wxDateTime(static_cast<wxDateTime::wxDateTime_t>(date_.day),
                                     static_cast<wxDateTime::Month>(date_.month - 1), date_.year));
    // A stored weekday outside the week selects none, and stays as it is unless one is chosen.
    const bool inWeek = settings_.remindWeek >= 0 && settings_.remindWeek < kWeekdayCount;
    weekdayChoice_->SetSelection(inWeek ? settings_.remindWeek : wxNOT_FOUND);
    timePicker_->SetTime(time_.hour, time_.minute, time_.second);
    const bool yearly = settings_.repeat && settings_.repeat->every == RepeatRule::Every::kYear;
    repeatChoice_->SetSelection(!settings_.repeat ? kOnce : yearly ? kEveryYear : kEveryMonth);
    // One button of a group is always checked here: while the schedule does not remind, it shows
    // the stored type.
    TypeButton(settings_.remindType)->SetValue(true);
}

void CRemindSetDlg::FillAttendants(CDBConnection& connection,
                                   const std::optional<AttendantSet>& chosen) {
    AttendantChoice choice = LoadAttendantChoice(connection, scheduleId_, chosen);
    std::vector<CCheckedListCtrl::Row> rows;
    rows.reserve(choice.listed.size());
    for (AttendantCandidate& candidate : choice.listed) {
        rows.push_back(
            {candidate.contactId,
             {std::move(candidate.name), std::move(candidate.email), std::move(candidate.group)},
             candidate.ticked});
    }
    attendantList_->SetRows(std::move(rows));
    unlistedAttendants_ = std::move(choice.unlisted);
}

void CRemindSetDlg::ApplyEnabling() {
    const RemindControlStates states = ControlStatesFor(settings_.remind, settings_.remindType);
    for (wxRadioButton* button : typeButtons_) {
        button->Enable(states.typeButtonsEnabled);
    }
    if (states.checkedType) {
        TypeButton(*states.checkedType)->SetValue(true);
    }
    datePicker_->Enable(states.dateEnabled);
    repeatChoice_->Enable(states.dateEnabled && repeatAvailable_);
    weekdayChoice_->Enable(states.weekdayEnabled);
    timePicker_->Enable(states.timeEnabled);
}

void CRemindSetDlg::ReadControls() {
    settings_.remind = remindCheck_->GetValue();
    settings_.emailRemind = emailCheck_->GetValue();
    const wxDateTime day = datePicker_->GetValue();
    if (day.IsValid()) {
        date_ = DateOf(day);
    }
    const int weekday = weekdayChoice_->GetSelection();
    if (weekday != wxNOT_FOUND) {
        settings_.remindWeek = weekday;
    }
    timePicker_->GetTime(&time_.hour, &time_.minute, &time_.second);
}

void CRemindSetDlg::TakeRepetition() {
    // A database that could not be asked keeps the rule as it was read.
    if (!repeatAvailable_) {
        return;
    }
    const int entry = repeatChoice_->GetSelection();
    if (settings_.remindType != kRemindSpecialDay || entry == kOnce || entry == wxNOT_FOUND) {
        settings_.repeat.reset();
        return;
    }
    const RepeatRule::Every every =
        entry == kEveryYear ? RepeatRule::Every::kYear : RepeatRule::Every::kMonth;
    const SpecialDate picked{date_.year, date_.month, date_.day};
    // A 31st stored on 30 April keeps repeating on the 31st while its date stays an occurrence.
    if (!settings_.repeat || settings_.repeat->every != every ||
        !IsOccurrence(*settings_.repeat, picked)) {
        settings_.repeat = RuleFor(every, picked);
    }
    const wxDateTime now = wxDateTime::Now();
    const CalendarDate today = DateOf(now);
    const bool todayPassed = time_.hour * 60 + time_.minute < now.GetHour() * 60 + now.GetMinute();
    const SpecialDate next = UpcomingOccurrence(*settings_.repeat, picked,
                                                {today.year, today.month, today.day}, todayPassed);
    date_ = {next.year, next.month, next.day};
}

void CRemindSetDlg::OnRemindClicked(wxCommandEvent&) {
    ReadControls();
    ApplyEnabling();
}

void CRemindSetDlg::OnTypeClicked(wxCommandEvent& event) {
    settings_.remindType = kFirstType + (event.GetId() - kIdSpecialDay);
    const RemindControlStates states = ControlStatesFor(true, settings_.remindType);
    datePicker_->Enable(states.dateEnabled);
    repeatChoice_->Enable(states.dateEnabled && repeatAvailable_);
    weekdayChoice_->Enable(states.weekdayEnabled);
}

void CRemindSetDlg::OnOk(wxCommandEvent&) {
    ReadControls();
    TakeRepetition();
    settings_.remindTime = RemindTimeText(time_);
    settings_.remindDate = RemindDateText(date_);
    attendants_.clear();
    for (const CCheckedListCtrl::Row* row : attendantList_->CheckedRows()) {
        attendants_.push_back(row->id);
    }
    attendants_.insert(attendants_.end(), unlistedAttendants_.begin(), unlistedAttendants_.end());
    attendantStatements_ = calvendra::AttendantStatements(scheduleId_, attendants_);
    FinishDialog(*this, wxID_OK);
}

}  // namespace calvendra
