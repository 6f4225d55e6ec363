#pragma once

#include <optional>
#include <string>
#include <vector>

#include <wx/dialog.h>

#include "editors/attendant_choice.h"
#include "editors/edit_mode.h"
#include "editors/schedule_record.h"
#include "store/db_connection.h"
#include "store/identifiers.h"

class wxButton;
class wxTextCtrl;

namespace calvendra {

// "New Schedule": creates a schedule or changes a stored one (subject, text, group, and through
// "Remind Setting" its reminder and attendants). It writes nothing itself: after OK its caller
// stores the schedule (Statement(), or Values() and GroupId()) and, in the same change, replaces
// its attendants with Attendants() for a new schedule, and for a stored one only when
// RemindSettingConfirmed() (StoreNewSchedule, SaveEditedSchedule).
class CNewScheduleDlg : public wxDialog {
public:
    // `values` are the schedule's as stored (LoadSchedule), or the defaults for a new one. The
    // connection, which the group picker and the reminder settings read, must outlive the dialog.
    CNewScheduleDlg(wxWindow* parent, CDBConnection& connection, EditMode mode,
                    Identifier scheduleId, Identifier groupId,
                    const ScheduleValues& values = ScheduleValues());

    // After OK: the insert or the update of the schedule; empty before.
    const std::string& Statement() const { return statement_; }

    // Whether "Remind Setting" was confirmed in this editing. Only then do the attendant
    // statements say who the attendants are: a confirmation with nobody ticked hands back none.
    bool RemindSettingConfirmed() const { return attendants_.has_value(); }

    // The link inserts of the last confirmation of "Remind Setting"; empty without one.
    const std::vector<std::string>& AttendantStatements() const { return attendantStatements_; }
    // The contacts those inserts link, in their order.
    const std::vector<Identifier>& Attendants() const { return attendantIds_; }

    // After OK on a stored schedule: what saves the editing as one change, its update followed,
    // when RemindSettingConfirmed(), by the replacement of its attendants.
    std::vector<std::string> EditStatements() const;

    // The schedule as edited: subject and text as typed, the reminder as last confirmed.
    const ScheduleValues& Values() const { return values_; }
    Identifier GroupId() const { return groupId_; }
    Identifier ScheduleId() const { return scheduleId_; }

    wxTextCtrl* SubjectEdit() const { return subjectEdit_; }
    wxTextCtrl* TextEdit() const { return textEdit_; }
    wxButton* RemindSettingButton() const { return remindSettingButton_; }
    wxButton* ChangeGroupButton() const { return changeGroupButton_; }

private:
    void ReadEdits();
    void OnRemindSetting(wxCommandEvent& event);
    void OnChangeGroup(wxCommandEvent& event);
    void OnOk(wxCommandEvent& event);

    CDBConnection& connection_;
    EditMode mode_;
    Identifier scheduleId_;
    Identifier groupId_;
    ScheduleValues values_;
    std::string statement_;
    // The attendants of the last confirmation of "Remind Setting", which the next opening ticks.
    std::optional<AttendantSet> attendants_;
    std::vector<std::string> attendantStatements_;
    std::vector<Identifier> attendantIds_;

    wxTextCtrl* subjectEdit_ = nullptr;
    wxTextCtrl* textEdit_ = nullptr;
    wxButton* remindSettingButton_ = nullptr;
    wxButton* changeGroupButton_ = nullptr;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
