#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <wx/dialog.h>

#include "editors/attendant_choice.h"
#include "editors/reminder_settings.h"
#include "store/db_connection.h"
#include "store/identifiers.h"

class wxCheckBox;
class wxChoice;
class wxDatePickerCtrl;
class wxRadioButton;
class wxTimePickerCtrl;

namespace calvendra {

class CCheckedListCtrl;

// "Remind Setting": edits a schedule's reminder (whether, on which day, at what time, and whether
// its attendants get a mail) and chooses its attendants among the contacts. It reads the
// database and writes nothing: the caller runs the link statements it hands back.
class CRemindSetDlg : public wxDialog {
public:
    // Shows `settings`; the database is asked whether it keeps repetitions. An empty remind date
    // starts at today and an empty or unreadable remind time at the current time. The attendants
    // are ticked from `chosenAttendants` when given (an earlier confirmation in the same editing),
    // otherwise from the schedule's stored links. The connection must outlive the dialog.
    CRemindSetDlg(wxWindow* parent, CDBConnection& connection, Identifier scheduleId,
                  const ReminderSettings& settings,
                  const std::optional<AttendantSet>& chosenAttendants = std::nullopt);

    // After OK: the reminder, with the date as "2005-3-7" and the time as "09:05:00".
    const ReminderSettings& Settings() const { return settings_; }

    // After OK: the attendants, ticked contacts in list order, then those the list could not
    // show; and the link inserts that store exactly them once the schedule's links are deleted.
    const std::vector<Identifier>& Attendants() const { return attendants_; }
    const std::vector<std::string>& AttendantStatements() const { return attendantStatements_; }

    wxCheckBox* RemindCheck() const { return remindCheck_; }
    // The button of a remind type: 1 "Special Day", 2 "Everyweek", 3 "Everyday".
    wxRadioButton* TypeButton(int remindType) const;
    wxDatePickerCtrl* DatePicker() const { return datePicker_; }
    // How a special day repeats: "once", "every year", "every month". Disabled on a database
    // without the table that keeps it, with a tip that names the README step adding it.
    wxChoice* RepeatChoice() const { return repeatChoice_; }
    wxChoice* WeekdayChoice() const { return weekdayChoice_; }
    wxTimePickerCtrl* TimePicker() const { return timePicker_; }
    wxCheckBox* EmailCheck() const { return emailCheck_; }
    CCheckedListCtrl* AttendantList() const { return attendantList_; }

private:
    void CreateControls();
    void ShowSettings();
    void FillAttendants(CDBConnection& connection, const std::optional<AttendantSet>& chosen);
    // Enables the controls and checks the type button by whether the schedule reminds.
    void ApplyEnabling();
    // The controls' values into the fields; the type changes only through its buttons.
    void ReadControls();
    // The repetition chosen, with the special day moved to the occurrence a reader of the four
    // tables fires next.
    void TakeRepetition();

    void OnRemindClicked(wxCommandEvent& event);
    void OnTypeClicked(wxCommandEvent& event);
    void OnOk(wxCommandEvent& event);

    Identifier scheduleId_;
    ReminderSettings settings_;
    CalendarDate date_;
    TimeOfDay time_;
    std::vector<Identifier> unlistedAttendants_;
    std::vector<Identifier> attendants_;
    std::vector<std::string> attendantStatements_;

    wxCheckBox* remindCheck_ = nullptr;
    std::array<wxRadioButton*, 3> typeButtons_{};
    wxDatePickerCtrl* datePicker_ = nullptr;
    wxChoice* repeatChoice_ = nullptr;
    bool repeatAvailable_ = false;
    wxChoice* weekdayChoice_ = nullptr;
    wxTimePickerCtrl* timePicker_ = nullptr;
    wxCheckBox* emailCheck_ = nullptr;
    CCheckedListCtrl* attendantList_ = nullptr;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
