// The reminder settings: their defaults, which controls a user can use as "Remind" and the type
// buttons are clicked, the date and time texts they hand back in every locale, and the attendants.

#include <gtest/gtest.h>

#include <cstdlib>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/datectrl.h>
#include <wx/radiobut.h>
#include <wx/timectrl.h>
#include <wx/uiaction.h>

#include "editors/checked_list_ctrl.h"
#include "editors/remind_set_dlg.h"
#include "tests/editors/editor_test_data.h"
#include "tests/gui/support/editor_fixture.h"
#include "tests/gui/support/gui_test.h"
#include "tests/support/scoped_locale.h"

namespace calvendra::testing {
namespace {

using Strings = std::vector<std::string>;

// Which of the reminder's controls are enabled, and which type button is checked.
struct Shown {
    bool typeButtons, date, weekday, time;
    int checkedType;

    bool operator==(const Shown& o) const {
        return typeButtons == o.typeButtons && date == o.date && weekday == o.weekday &&
               time == o.time && checkedType == o.checkedType;
    }
};

void PrintTo(const Shown& s, std::ostream* out) {
    *out << "{buttons " << s.typeButtons << ", date " << s.date << ", weekday " << s.weekday
         << ", time " << s.time << ", checked " << s.checkedType << "}";
}

Shown ShownBy(CRemindSetDlg& dialog) {
    int checked = 0;
    for (int type = 1; type <= 3; ++type) {
        if (dialog.TypeButton(type)->GetValue()) {
            checked = type;
        }
    }
    const bool buttons = dialog.TypeButton(1)->IsEnabled();
    EXPECT_EQ(dialog.TypeButton(2)->IsEnabled(), buttons);
    EXPECT_EQ(dialog.TypeButton(3)->IsEnabled(), buttons);
    return {buttons, dialog.DatePicker()->IsEnabled(), dialog.WeekdayChoice()->IsEnabled(),
            dialog.TimePicker()->IsEnabled(), checked};
}

// Seconds between the time picker's time of day and the clock's, across midnight too.
long SecondsFromNow(wxTimePickerCtrl& picker) {
    int hour = 0, minute = 0, second = 0;
    picker.GetTime(&hour, &minute, &second);
    const wxDateTime now = wxDateTime::Now();
    const long shown = (hour * 60L + minute) * 60 + second;
    const long clock = (now.GetHour() * 60L + now.GetMinute()) * 60 + now.GetSecond();
    const long apart = std::labs(shown - clock);
    return std::min(apart, 24 * 3600 - apart);
}

class RemindSetTest : public EditorDialogTest {};

TEST_F(RemindSetTest, ANewScheduleStartsWithoutReminderAtTodayNowAndSunday) {
    CRemindSetDlg dialog(nullptr, Connection(), 2000000077, ReminderSettings());
    EXPECT_EQ(dialog.GetTitle(), "Remind Setting");
    EXPECT_FALSE(dialog.RemindCheck()->GetValue());
    EXPECT_TRUE(dialog.RemindCheck()->IsEnabled());
    EXPECT_EQ(ShownBy(dialog), (Shown{false, false, false, false, 3}));
    EXPECT_TRUE(dialog.DatePicker()->GetValue().IsSameDate(wxDateTime::Today()));
    EXPECT_LE(SecondsFromNow(*dialog.TimePicker()), 60);
    EXPECT_EQ(dialog.WeekdayChoice()->GetStringSelection(), "Sunday");
    EXPECT_EQ(Entries(*dialog.WeekdayChoice()), (Strings{"Sunday", "Monday", "Tuesday", "Wednesday",
                                                         "Thursday", "Friday", "Saturday"}));
    EXPECT_FALSE(dialog.EmailCheck()->GetValue());
    EXPECT_TRUE(dialog.EmailCheck()->IsEnabled());
    EXPECT_TRUE(dialog.AttendantList()->IsEnabled());
    // Every contact, the one whose group row is missing too.
    EXPECT_EQ(dialog.AttendantList()->GetItemCount(), 4);
    EXPECT_TRUE(CheckedRows(*dialog.AttendantList()).empty());
}

// What the controls show after each click, from a schedule that does not remind.
struct ClickStep {
    const char* what;
    int typeButton;  // 0: "Remind"
    Shown shown;
};

TEST_F(RemindSetTest, RemindAndTheTypeButtonsEnableTheirControls) {
    ReminderSettings weekly;
    weekly.remindType = 2;
    CRemindSetDlg dialog(nullptr, Connection(), 2000000077, weekly);
    EXPECT_EQ(ShownBy(dialog), (Shown{false, false, false, false, 2}));
    const ClickStep steps[] = {
        {"Remind on", 0, {true, false, true, true, 2}},
        {"Special Day", 1, {true, true, false, true, 1}},
        {"Everyday", 3, {true, false, false, true, 3}},
        {"Everyweek", 2, {true, false, true, true, 2}},
        // Off again: every control goes, the checked button stays.
        {"Remind off", 0, {false, false, false, false, 2}},
        // On again: the type is the one clicked last.
        {"Remind on again", 0, {true, false, true, true, 2}},
    };
    for (const ClickStep& step : steps) {
        if (step.typeButton == 0) {
            Click(dialog.RemindCheck());
        } else {
            Click(dialog.TypeButton(step.typeButton));
        }
        EXPECT_EQ(ShownBy(dialog), step.shown) << step.what;
    }
    PressButton(dialog, wxID_OK);
    EXPECT_TRUE(dialog.Settings().remind);
    EXPECT_EQ(dialog.Settings().remindType, 2);
}

TEST_F(RemindSetTest, StoredSettingsShowAsStored) {
    ReminderSettings special;
    special.remind = true;
    special.remindType = 1;
    special.remindWeek = 4;
    special.remindDate = "2005-03-07";
    special.remindTime = "7:5:09";
    special.emailRemind = true;
    CRemindSetDlg dialog(nullptr, Connection(), 2000000077, special);
    EXPECT_TRUE(dialog.RemindCheck()->GetValue());
    EXPECT_TRUE(dialog.EmailCheck()->GetValue());
    EXPECT_EQ(ShownBy(dialog), (Shown{true, true, false, true, 1}));
    EXPECT_EQ(dialog.DatePicker()->GetValue().Format("%Y-%m-%d"), "2005-03-07");
    int hour = 0, minute = 0, second = 0;
    dialog.TimePicker()->GetTime(&hour, &minute, &second);
    EXPECT_EQ(hour * 10000 + minute * 100 + second, 70509);
    EXPECT_EQ(dialog.WeekdayChoice()->GetStringSelection(), "Thursday");
}

TEST_F(RemindSetTest, UnreadableStoredTextsStartAtTodayAndNow) {
    ReminderSettings unreadable;
    unreadable.remindDate = "7.3.2005";
    unreadable.remindTime = "10:30";
    CRemindSetDlg dialog(nullptr, Connection(), 2000000077, unreadable);
    EXPECT_TRUE(dialog.DatePicker()->GetValue().IsSameDate(wxDateTime::Today()));
    EXPECT_LE(SecondsFromNow(*dialog.TimePicker()), 60);
}

TEST_F(RemindSetTest, AWeekdayOutsideTheWeekSelectsNoneAndStaysUntilOneIsChosen) {
    ReminderSettings odd;
    odd.remind = true;
    odd.remindType = 2;
    odd.remindWeek = 9;
    CRemindSetDlg kept(nullptr, Connection(), 2000000077, odd);
    EXPECT_EQ(kept.WeekdayChoice()->GetSelection(), wxNOT_FOUND);
    PressButton(kept, wxID_OK);
    EXPECT_EQ(kept.Settings().remindWeek, 9);

    CRemindSetDlg chosen(nullptr, Connection(), 2000000077, odd);
    chosen.WeekdayChoice()->SetSelection(2);
    PressButton(chosen, wxID_OK);
    EXPECT_EQ(chosen.Settings().remindWeek, 2);
}

class RemindTextsInLocale : public EditorDialogTest,
                            public ::testing::WithParamInterface<const char*> {};

// The reminder scan compares these texts with its own, so no locale may change them: not the
// German one with its dotted dates, nor the American one with its 12-hour clock.
TEST_P(RemindTextsInLocale, OkHandsBackTheDateAndTimeTheScanCompares) {
    ScopedLocale locale(GetParam());
    ASSERT_TRUE(locale.Active()) << GetParam() << " is not generated: run scripts/install-deps";

    CRemindSetDlg picked(nullptr, Connection(), 2000000077, ReminderSettings());
    picked.DatePicker()->SetValue(wxDateTime(7, wxDateTime::Mar, 2005));
    picked.TimePicker()->SetTime(9, 5, 0);
    PressButton(picked, wxID_OK);
    EXPECT_EQ(picked.Settings().remindDate, "2005-3-7");
    EXPECT_EQ(picked.Settings().remindTime, "09:05:00");

    // Texts are produced on every OK, also without a reminder, and afternoon times stay 24-hour.
    ReminderSettings stored;
    stored.remindDate = "2026-12-31";
    stored.remindTime = "19:00:00";
    CRemindSetDlg unchanged(nullptr, Connection(), 2000000077, stored);
    PressButton(unchanged, wxID_OK);
    EXPECT_EQ(unchanged.Settings().remindDate, "2026-12-31");
    EXPECT_EQ(unchanged.Settings().remindTime, "19:00:00");
    EXPECT_FALSE(unchanged.Settings().remind);
}

INSTANTIATE_TEST_SUITE_P(Locales, RemindTextsInLocale, ::testing::ValuesIn(kTestLocales),
                         LocaleParamName);

long RowOf(CCheckedListCtrl& list, const std::string& name) {
    for (long row = 0; row < list.GetItemCount(); ++row) {
        if (list.RowAt(row).texts[0] == name) {
            return row;
        }
    }
    ADD_FAILURE() << name << " is not listed";
    return -1;
}

TEST_F(RemindSetTest, TheStoredAttendantsAreTickedAmongAllContacts) {
    CRemindSetDlg dialog(nullptr, Connection(), kLinkedSchedule, ReminderSettings());
    CCheckedListCtrl& list = *dialog.AttendantList();
    EXPECT_EQ(RowTexts(list), (std::vector<std::vector<std::string>>{
                                  {"Anna Berg", "anna@example.org", "Family"},
                                  {"Kim O'Neil", "kim@example.org", "Work mates"},
                                  // No last name: no trailing blank either.
                                  {"Solo", "solo@example.org", "All Contacts"},
                                  // Her group row is missing: listed where the tree has her.
                                  {"Hidden Person", "hidden@example.org", "All Contacts"}}));
    EXPECT_EQ(CheckedRows(list),
              (std::vector<long>{RowOf(list, "Anna Berg"), RowOf(list, "Hidden Person")}));
}

TEST_F(RemindSetTest, OkHandsBackTheTickedContactsAndKeepsThoseTheListCannotShow) {
    CRemindSetDlg dialog(nullptr, Connection(), kLinkedSchedule, ReminderSettings());
    CCheckedListCtrl& list = *dialog.AttendantList();
    list.CheckItem(RowOf(list, "Anna Berg"), false);
    list.CheckItem(RowOf(list, "Kim O'Neil"), true);
    PressButton(dialog, wxID_OK);
    // Kim ticked; the contact whose group row is missing stays; the deleted contact's link goes.
    EXPECT_EQ(dialog.AttendantStatements(),
              (Strings{"insert into schedule_contact(schedule_id,contact_id) "
                       "values('2999999990','1000000012')",
                       "insert into schedule_contact(schedule_id,contact_id) "
                       "values('2999999990','1000000014')"}));

    CRemindSetDlg none(nullptr, Connection(), 2000000005, ReminderSettings());
    none.AttendantList()->CheckItem(RowOf(*none.AttendantList(), "Kim O'Neil"), false);
    PressButton(none, wxID_OK);
    EXPECT_TRUE(none.AttendantStatements().empty());
    EXPECT_TRUE(none.Attendants().empty());
}

TEST_F(RemindSetTest, CancelEndsTheDialogWithoutStatements) {
    CRemindSetDlg dialog(nullptr, Connection(), kLinkedSchedule, ReminderSettings());
    dialog.Show();
    Click(dialog.RemindCheck());
    PressButton(dialog, wxID_CANCEL);
    EXPECT_FALSE(dialog.IsShown());
    EXPECT_TRUE(dialog.AttendantStatements().empty());
}

// The same with the mouse, as a user does it.
TEST_F(RemindSetTest, MouseClicksOnRemindAndOnAnAttendantReachTheSettings) {
    CRemindSetDlg dialog(nullptr, Connection(), 2000000077, ReminderSettings());
    ASSERT_TRUE(Activate(dialog));
    wxUIActionSimulator mouse;
    wxCheckBox& remind = *dialog.RemindCheck();
    mouse.MouseMove(remind.ClientToScreen(wxPoint(8, remind.GetClientSize().y / 2)));
    mouse.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return dialog.TimePicker()->IsEnabled(); }));
    EXPECT_TRUE(remind.GetValue());

    CCheckedListCtrl& list = *dialog.AttendantList();
    wxRect row;
    ASSERT_TRUE(list.GetItemRect(0, row));
    mouse.MouseMove(
        list.ClientToScreen(wxPoint(row.x + row.height / 2 + 2, row.y + row.height / 2)));
    mouse.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return list.IsItemChecked(0); }));
    PressButton(dialog, wxID_OK);
    EXPECT_TRUE(dialog.Settings().remind);
    EXPECT_EQ(dialog.Attendants(), (std::vector<Identifier>{list.RowAt(0).id}));
}

}  // namespace
}  // namespace calvendra::testing
