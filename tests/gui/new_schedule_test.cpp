// The schedule editor: the statement it hands back for a new and for a stored schedule, the
// question before it and the subject check, the group picker, and the reminder settings with the
// attendants they choose, run as its callers run them.

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/datectrl.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/timectrl.h>

#include "app/user_locale.h"
#include "editors/attendant_choice.h"
#include "editors/checked_list_ctrl.h"
#include "editors/group_list_dlg.h"
#include "editors/new_schedule_dlg.h"
#include "editors/remind_set_dlg.h"
#include "editors/schedule_record.h"
#include "store/db_transaction.h"
#include "tests/editors/editor_test_data.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/editor_fixture.h"
#include "tests/gui/support/gui_test.h"
#include "tests/support/scoped_locale.h"

namespace calvendra::testing {
namespace {

using Strings = std::vector<std::string>;

constexpr char kCreateQuestion[] =
    "Do you want to create this new schedule and insert into the selected group?";
constexpr char kSaveQuestion[] = "Do you want to save all you changed?";
constexpr char kNoSubject[] = "Please input the subject!";

class NewScheduleTest : public EditorDialogTest {
protected:
    static void Type(CNewScheduleDlg& dialog, const std::string& subject, const std::string& text) {
        dialog.SubjectEdit()->ChangeValue(wxString::FromUTF8(subject));
        dialog.TextEdit()->ChangeValue(wxString::FromUTF8(text));
    }

    // "Remind Setting", where `choose` does what the user does before OK.
    template <class Choose>
    static void ConfirmRemindSetting(CNewScheduleDlg& dialog, Choose choose) {
        wxTEST_DIALOG(PressButton(dialog, dialog.RemindSettingButton()->GetId()),
                      ExpectDialog<CRemindSetDlg>([choose](CRemindSetDlg* settings) {
                          choose(*settings);
                          PressButton(*settings, wxID_OK);
                          return settings->GetReturnCode();
                      }));
    }

    // What the organizer does after OK, as one change: the statement, then the attendants of a
    // new schedule, or of a stored one whose reminder settings were confirmed.
    void RunAsTheCallerDoes(const CNewScheduleDlg& dialog, EditMode mode) {
        const OdbcDiagnostic failure = RunAsOneChange(
            Connection(), mode == EditMode::kNew
                              ? ScheduleWithAttendants(dialog.Statement(), dialog.ScheduleId(),
                                                       dialog.AttendantStatements())
                              : dialog.EditStatements());
        ASSERT_TRUE(failure.Empty()) << failure.Text();
    }

    std::string Stored(const std::string& column, long scheduleId) {
        return Database().QueryValue("select " + column +
                                     " from assist_scheduleinfo where schedule_id='" +
                                     std::to_string(scheduleId) + "'");
    }
};

void Tick(CCheckedListCtrl& list, const std::string& name, bool ticked) {
    for (long row = 0; row < list.GetItemCount(); ++row) {
        if (list.RowAt(row).texts[0] == name) {
            list.CheckItem(row, ticked);
            return;
        }
    }
    ADD_FAILURE() << name << " is not listed";
}

Strings TickedNames(CCheckedListCtrl& list) {
    Strings names;
    for (const CCheckedListCtrl::Row* row : list.CheckedRows()) {
        names.push_back(row->texts[0]);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(NewScheduleTest, ANewScheduleSavedWithoutReminderSettingsHasTheDefaults) {
    CNewScheduleDlg dialog(nullptr, Connection(), EditMode::kNew, 2000000077, 2000000002);
    EXPECT_EQ(dialog.GetTitle(), "New Schedule");
    EXPECT_TRUE(HasLabel(dialog, "Subject:"));
    EXPECT_TRUE(HasLabel(dialog, "Text:"));
    EXPECT_TRUE(dialog.TextEdit()->IsMultiLine());
    // Tab order: subject, text, the two buttons, then OK and Cancel in the order the platform
    // shows them.
    const wxWindowList& children = dialog.GetChildren();
    std::vector<int> order;
    for (wxWindow* control :
         {static_cast<wxWindow*>(dialog.SubjectEdit()), static_cast<wxWindow*>(dialog.TextEdit()),
          static_cast<wxWindow*>(dialog.RemindSettingButton()),
          static_cast<wxWindow*>(dialog.ChangeGroupButton())}) {
        order.push_back(children.IndexOf(control));
    }
    order.push_back(std::min(children.IndexOf(dialog.FindWindow(wxID_OK)),
                             children.IndexOf(dialog.FindWindow(wxID_CANCEL))));
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << ::testing::PrintToString(order);
    EXPECT_EQ(dialog.RemindSettingButton()->GetLabel(), "Remind Setting");
    EXPECT_EQ(dialog.ChangeGroupButton()->GetLabel(), "Change Group");

    dialog.Show();
    Type(dialog, "Dentist", "Bring the card");
    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kCreateQuestion, wxYES));
    EXPECT_FALSE(dialog.IsShown());
    EXPECT_EQ(dialog.Statement(),
              "insert into assist_scheduleinfo(schedule_id,group_id,schedule_subject,"
              "schedule_text,remind,remindtype,remind_week,remind_date,remind_time,emailremind) "
              "values('2000000077','2000000002','Dentist','Bring the card',0,3,'0','','',0)");
    EXPECT_FALSE(dialog.RemindSettingConfirmed());
    EXPECT_TRUE(dialog.AttendantStatements().empty());
}

TEST_F(NewScheduleTest, QuotesAreDoubledOnceAfterARefusedQuestionAndStoredAsTyped) {
    CNewScheduleDlg dialog(nullptr, Connection(), EditMode::kNew, 2999999995, 2000000003);
    dialog.Show();
    Type(dialog, "Anna's party", "It's at eight");
    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kCreateQuestion, wxNO));
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_TRUE(dialog.Statement().empty());

    Type(dialog, "Anna's 'big' party", "It's at eight");
    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kCreateQuestion, wxYES));
    EXPECT_NE(dialog.Statement().find("'Anna''s ''big'' party','It''s at eight'"),
              std::string::npos)
        << dialog.Statement();
    EXPECT_EQ(dialog.Values().subject, "Anna's 'big' party");
    RunAsTheCallerDoes(dialog, EditMode::kNew);
    EXPECT_EQ(Stored("schedule_subject", 2999999995), "Anna's 'big' party");
    EXPECT_EQ(Stored("schedule_text", 2999999995), "It's at eight");
}

TEST_F(NewScheduleTest, AnEmptySubjectIsRefusedAndABlankOneAccepted) {
    CNewScheduleDlg dialog(nullptr, Connection(), EditMode::kNew, 2000000077, 2000000002);
    dialog.Show();
    Type(dialog, "", "Text without a subject");
    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kNoSubject, wxOK));
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_TRUE(dialog.Statement().empty());

    Type(dialog, " ", "");
    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kCreateQuestion, wxYES));
    EXPECT_NE(dialog.Statement().find("'2000000002',' ',''"), std::string::npos)
        << dialog.Statement();
}

TEST_F(NewScheduleTest, EditingWithoutReminderSettingsKeepsTheAttendants) {
    const auto stored = LoadSchedule(Connection(), kLinkedSchedule);
    ASSERT_TRUE(stored);
    CNewScheduleDlg dialog(nullptr, Connection(), EditMode::kExisting, stored->scheduleId,
                           stored->groupId, stored->values);
    EXPECT_EQ(dialog.GetTitle(), "New Schedule");
    EXPECT_EQ(dialog.SubjectEdit()->GetValue(), "Standup");
    EXPECT_EQ(dialog.TextEdit()->GetValue(), "Daily, short");
    dialog.Show();
    dialog.SubjectEdit()->ChangeValue("Stand-up");
    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kSaveQuestion, wxYES));
    EXPECT_EQ(dialog.Statement(),
              "update assist_scheduleinfo set group_id='2000000002',schedule_subject='Stand-up',"
              "schedule_text='Daily, short',remind=1,remindtype=2,remind_week='1',remind_date='',"
              "remind_time='09:30:00',emailremind=1 where schedule_id='2999999990'");
    EXPECT_FALSE(dialog.RemindSettingConfirmed());
    EXPECT_TRUE(dialog.AttendantStatements().empty());

    const Strings before = Links(kLinkedSchedule);
    RunAsTheCallerDoes(dialog, EditMode::kExisting);
    EXPECT_EQ(Links(kLinkedSchedule), before);
    EXPECT_EQ(Stored("schedule_subject", kLinkedSchedule), "Stand-up");
}

TEST_F(NewScheduleTest, ASecondReminderConfirmationReplacesTheFirst) {
    const auto stored = LoadSchedule(Connection(), kLinkedSchedule);
    ASSERT_TRUE(stored);
    CNewScheduleDlg dialog(nullptr, Connection(), EditMode::kExisting, stored->scheduleId,
                           stored->groupId, stored->values);
    dialog.Show();
    ConfirmRemindSetting(dialog, [](CRemindSetDlg& settings) {
        // Hidden Person's group row is missing: listed all the same, and ticked.
        EXPECT_EQ(TickedNames(*settings.AttendantList()), (Strings{"Anna Berg", "Hidden Person"}));
        Tick(*settings.AttendantList(), "Anna Berg", false);
        Tick(*settings.AttendantList(), "Kim O'Neil", true);
        Tick(*settings.AttendantList(), "Solo", true);
        Click(settings.EmailCheck());
    });
    EXPECT_TRUE(dialog.RemindSettingConfirmed());
    EXPECT_FALSE(dialog.Values().reminder.emailRemind);

    // The second opening shows what the first chose, not what is stored.
    ConfirmRemindSetting(dialog, [](CRemindSetDlg& settings) {
        EXPECT_EQ(TickedNames(*settings.AttendantList()),
                  (Strings{"Hidden Person", "Kim O'Neil", "Solo"}));
        EXPECT_FALSE(settings.EmailCheck()->GetValue());
        Tick(*settings.AttendantList(), "Solo", false);
        Click(settings.TypeButton(3));
    });
    // Kim once, Solo no more, and Hidden Person still there.
    EXPECT_EQ(dialog.AttendantStatements(),
              (Strings{"insert into schedule_contact(schedule_id,contact_id) "
                       "values('2999999990','1000000012')",
                       "insert into schedule_contact(schedule_id,contact_id) "
                       "values('2999999990','1000000014')"}));
    EXPECT_EQ(dialog.Values().reminder.remindType, 3);

    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kSaveQuestion, wxYES));
    RunAsTheCallerDoes(dialog, EditMode::kExisting);
    EXPECT_EQ(Links(kLinkedSchedule), (Strings{"1000000012", "1000000014"}));
    EXPECT_EQ(Stored("remindtype", kLinkedSchedule), "3");
    EXPECT_EQ(Stored("emailremind", kLinkedSchedule), "0");
}

TEST_F(NewScheduleTest, CancelledReminderSettingsChangeNothing) {
    CNewScheduleDlg dialog(nullptr, Connection(), EditMode::kNew, 2000000077, 2000000002);
    dialog.Show();
    wxTEST_DIALOG(PressButton(dialog, dialog.RemindSettingButton()->GetId()),
                  ExpectDialog<CRemindSetDlg>([](CRemindSetDlg* settings) {
                      Click(settings->RemindCheck());
                      settings->AttendantList()->CheckItem(0, true);
                      return static_cast<int>(wxID_CANCEL);
                  }));
    EXPECT_FALSE(dialog.RemindSettingConfirmed());
    Type(dialog, "Plain", "");
    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kCreateQuestion, wxYES));
    EXPECT_NE(dialog.Statement().find("'Plain','',0,3,'0','','',0)"), std::string::npos)
        << dialog.Statement();
    EXPECT_TRUE(dialog.AttendantStatements().empty());
}

// The organizer's typical reminder: every Wednesday at 09:30 with two attendants by mail.
TEST_F(NewScheduleTest, ANewWeeklyReminderWithTwoAttendantsIsStoredWhole) {
    CNewScheduleDlg dialog(nullptr, Connection(), EditMode::kNew, 2000000077, 2000000002);
    dialog.Show();
    ConfirmRemindSetting(dialog, [](CRemindSetDlg& settings) {
        Click(settings.RemindCheck());
        Click(settings.TypeButton(2));
        settings.WeekdayChoice()->SetSelection(3);
        settings.TimePicker()->SetTime(9, 30, 0);
        Click(settings.EmailCheck());
        Tick(*settings.AttendantList(), "Anna Berg", true);
        Tick(*settings.AttendantList(), "Kim O'Neil", true);
    });
    Type(dialog, "Team meeting", "Room 4");
    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kCreateQuestion, wxYES));
    RunAsTheCallerDoes(dialog, EditMode::kNew);
    EXPECT_EQ(Database().Query("select remind,remindtype,remind_week,remind_time,emailremind "
                               "from assist_scheduleinfo where schedule_id='2000000077'"),
              (Rows{{"1", "2", "3", "09:30:00", "1"}}));
    EXPECT_EQ(Links(2000000077), (Strings{"1000000011", "1000000012"}));
}

TEST_F(NewScheduleTest, ChangeGroupTakesThePickedScheduleGroupOnlyOnOk) {
    CNewScheduleDlg dialog(nullptr, Connection(), EditMode::kNew, 2000000077, 2000000002);
    dialog.Show();
    wxTEST_DIALOG(
        PressButton(dialog, dialog.ChangeGroupButton()->GetId()),
        ExpectDialog<CGroupListDlg>([](CGroupListDlg* groups) {
            EXPECT_EQ(Entries(*groups->GroupChoice()), (Strings{"All Schedules", "Work", "Home"}));
            groups->GroupChoice()->SetSelection(2);
            return static_cast<int>(wxID_CANCEL);
        }));
    EXPECT_EQ(dialog.GroupId(), 2000000002);
    wxTEST_DIALOG(PressButton(dialog, dialog.ChangeGroupButton()->GetId()),
                  ExpectDialog<CGroupListDlg>([](CGroupListDlg* groups) {
                      EXPECT_EQ(groups->GroupChoice()->GetStringSelection(), "Work");
                      groups->GroupChoice()->SetSelection(2);
                      PressButton(*groups, wxID_OK);
                      return groups->GetReturnCode();
                  }));
    EXPECT_EQ(dialog.GroupId(), 2000000003);
    Type(dialog, "Moved", "");
    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kCreateQuestion, wxYES));
    EXPECT_NE(dialog.Statement().find("values('2000000077','2000000003','Moved'"),
              std::string::npos)
        << dialog.Statement();
}

// The organizer as started by a user whose environment names this locale (LC_ALL, which
// scripts/test sets too), for the life of the object; the C locale comes back afterwards.
class UserLocale {
public:
    explicit UserLocale(const char* name) : previous_(Variable("LC_ALL")) {
        setenv("LC_ALL", name, 1);
        FollowUserLocale();
    }
    ~UserLocale() {
        setenv("LC_ALL", "C", 1);
        FollowUserLocale();
        if (previous_) {
            setenv("LC_ALL", previous_->c_str(), 1);
        } else {
            unsetenv("LC_ALL");
        }
    }
    UserLocale(const UserLocale&) = delete;
    UserLocale& operator=(const UserLocale&) = delete;

private:
    static std::optional<std::string> Variable(const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }
    std::optional<std::string> previous_;
};

// The text that a date picker shows in its box.
std::string ShownDate(wxWindow& picker) {
    for (wxWindow* child : picker.GetChildren()) {
        if (auto* box = wxDynamicCast(child, wxTextCtrl)) {
            return box->GetValue().utf8_string();
        }
        if (const std::string shown = ShownDate(*child); !shown.empty()) {
            return shown;
        }
    }
    return std::string();
}

// What the schedule editor made, and the date its reminder settings showed.
struct Made {
    std::string shownDate;
    Strings statements;
};

class ScheduleEditorInLocale : public NewScheduleTest,
                               public ::testing::WithParamInterface<const char*> {
protected:
    // A special-day reminder on 7 March 2005 at 14:05:09 with a subject that holds a decimal
    // comma, mailed to one attendant.
    Made MakeSchedule() {
        Made made;
        CNewScheduleDlg dialog(nullptr, Connection(), EditMode::kNew, 2000000077, 2000000002);
        dialog.Show();
        ConfirmRemindSetting(dialog, [&made](CRemindSetDlg& settings) {
            Click(settings.RemindCheck());
            Click(settings.TypeButton(1));
            settings.DatePicker()->SetValue(wxDateTime(7, wxDateTime::Mar, 2005));
            settings.TimePicker()->SetTime(14, 5, 9);
            Click(settings.EmailCheck());
            Tick(*settings.AttendantList(), "Anna Berg", true);
            made.shownDate = ShownDate(*settings.DatePicker());
        });
        Type(dialog, "Zahnarzt 1,5 h", "Praxis M\xc3\xbcller");
        wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kCreateQuestion, wxYES));
        made.statements.push_back(dialog.Statement());
        for (const std::string& statement : dialog.AttendantStatements()) {
            made.statements.push_back(statement);
        }
        return made;
    }
};

// The pickers show the user's forms, and the statements stay byte for byte those of the C locale:
// the reminder scan and every other organizer on the database read them.
TEST_P(ScheduleEditorInLocale, ShowsTheUsersDateAndStoresWhatTheCLocaleStores) {
    Made inC;
    {
        const UserLocale locale("C");
        inC = MakeSchedule();
    }
    ASSERT_EQ(inC.shownDate, "03/07/2005");
    ASSERT_EQ(inC.statements.size(), 2u);
    EXPECT_NE(inC.statements[0].find("'Zahnarzt 1,5 h','Praxis M\xc3\xbcller',1,1,'0','2005-3-7',"
                                     "'14:05:09',1)"),
              std::string::npos)
        << inC.statements[0];

    const UserLocale locale(GetParam());
    ASSERT_STREQ(std::setlocale(LC_TIME, nullptr), GetParam())
        << GetParam() << " is not generated: run scripts/install-deps";
    // Numbers keep the C form, whatever the user's locale writes.
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_EQ(wxString::Format("%.1f", 1.5), "1.5");
    const Made inUsers = MakeSchedule();
    EXPECT_EQ(inUsers.shownDate,
              std::string(GetParam()) == "de_DE.UTF-8" ? "07.03.2005" : "03/07/2005");
    EXPECT_EQ(inUsers.statements, inC.statements);
}

INSTANTIATE_TEST_SUITE_P(Locales, ScheduleEditorInLocale,
                         ::testing::Values("de_DE.UTF-8", "en_US.UTF-8"), LocaleParamName);

}  // namespace
}  // namespace calvendra::testing
