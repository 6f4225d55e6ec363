// The repetition of a special day in "Remind Setting": the choice, when a user can use it, and the
// rule and the date its OK hands back.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/datectrl.h>
#include <wx/radiobut.h>
#include <wx/timectrl.h>
#include <wx/tooltip.h>

#include "editors/remind_set_dlg.h"
#include "tests/gui/support/editor_fixture.h"
#include "tests/gui/support/gui_test.h"

namespace calvendra::testing {
namespace {

using Strings = std::vector<std::string>;

ReminderSettings SpecialDay(const std::string& date) {
    ReminderSettings settings;
    settings.remind = true;
    settings.remindType = kRemindSpecialDay;
    settings.remindDate = date;
    settings.remindTime = "12:00:00";
    return settings;
}

using Falls = std::function<bool(const wxDateTime&)>;

// The first day from today on that `falls` on, as "%d-%d-%d"; today only while its minute 12:00
// has not passed.
std::string FirstDayFromToday(const Falls& falls) {
    const wxDateTime now = wxDateTime::Now();
    wxDateTime day = now.GetDateOnly();
    if (now.GetHour() * 60 + now.GetMinute() > 12 * 60) {
        day += wxDateSpan::Day();
    }
    while (!falls(day)) {
        day += wxDateSpan::Day();
    }
    return std::to_string(day.GetYear()) + "-" + std::to_string(day.GetMonth() + 1) + "-" +
           std::to_string(day.GetDay());
}

// Presses OK and expects the date of the first day from today that `falls` on: today as it was
// before the press or after it, should the clock pass noon or midnight meanwhile.
void ExpectNextDayAfterOk(CRemindSetDlg& dialog, const Falls& falls) {
    const std::string before = FirstDayFromToday(falls);
    PressButton(dialog, wxID_OK);
    const std::string after = FirstDayFromToday(falls);
    const std::string stored = dialog.Settings().remindDate;
    EXPECT_TRUE(stored == before || stored == after)
        << stored << " is neither " << before << " nor " << after;
}

class RepeatRemindSetTest : public EditorDialogTest {};

TEST_F(RepeatRemindSetTest, TheChoiceIsForARemindingSpecialDayOnly) {
    ReminderSettings off = SpecialDay("2026-6-14");
    off.remind = false;
    CRemindSetDlg dialog(nullptr, Connection(), 2000000077, off);
    wxChoice& repeat = *dialog.RepeatChoice();
    EXPECT_EQ(Entries(repeat), (Strings{"once", "every year", "every month"}));
    EXPECT_EQ(repeat.GetStringSelection(), "once");
    EXPECT_FALSE(repeat.IsEnabled());
    EXPECT_EQ(repeat.GetToolTipText(), "");
    const struct {
        const char* what;
        int typeButton;  // 0: "Remind"
        bool enabled;
    } steps[] = {
        {"Remind on", 0, true},   {"Everyweek", 2, false},  {"Everyday", 3, false},
        {"Special Day", 1, true}, {"Remind off", 0, false},
    };
    for (const auto& step : steps) {
        if (step.typeButton == 0) {
            Click(dialog.RemindCheck());
        } else {
            Click(dialog.TypeButton(step.typeButton));
        }
        EXPECT_EQ(repeat.IsEnabled(), step.enabled) << step.what;
        EXPECT_EQ(repeat.IsEnabled(), dialog.DatePicker()->IsEnabled()) << step.what;
    }
}

TEST_F(RepeatRemindSetTest, OkHandsBackTheRuleWithTheDateOfItsNextOccurrence) {
    // A birthday picked in the year of birth is stored on its next one.
    CRemindSetDlg yearly(nullptr, Connection(), 2000000077, SpecialDay("1990-6-14"));
    yearly.RepeatChoice()->SetSelection(1);
    ExpectNextDayAfterOk(yearly, [](const wxDateTime& day) {
        return day.GetMonth() == wxDateTime::Jun && day.GetDay() == 14;
    });
    EXPECT_EQ(yearly.Settings().repeat, (RepeatRule{RepeatRule::Every::kYear, 6, 14}));
    EXPECT_EQ(yearly.Settings().remindType, kRemindSpecialDay);

    // The 31st falls on each month's last day.
    CRemindSetDlg monthly(nullptr, Connection(), 2000000077, SpecialDay("2026-1-31"));
    monthly.RepeatChoice()->SetSelection(2);
    ExpectNextDayAfterOk(monthly, [](const wxDateTime& day) {
        return day.GetDay() == wxDateTime::GetNumberOfDays(day.GetMonth(), day.GetYear());
    });
    EXPECT_EQ(monthly.Settings().repeat, (RepeatRule{RepeatRule::Every::kMonth, 1, 31}));

    // "once" hands back no rule, and the day as picked.
    ReminderSettings stored = SpecialDay("1990-6-14");
    stored.repeat = RepeatRule{RepeatRule::Every::kYear, 6, 14};
    CRemindSetDlg once(nullptr, Connection(), 2000000077, stored);
    EXPECT_EQ(once.RepeatChoice()->GetStringSelection(), "every year");
    once.RepeatChoice()->SetSelection(0);
    PressButton(once, wxID_OK);
    EXPECT_FALSE(once.Settings().repeat);
    EXPECT_EQ(once.Settings().remindDate, "1990-6-14");
}

TEST_F(RepeatRemindSetTest, AStoredRuleKeepsTheDayItWasSetFor) {
    // Every 31st, stored on 30 April: still every 31st, and still 30 April.
    ReminderSettings rent = SpecialDay("2099-4-30");
    rent.repeat = RepeatRule{RepeatRule::Every::kMonth, 1, 31};
    CRemindSetDlg kept(nullptr, Connection(), 2000000077, rent);
    EXPECT_EQ(kept.RepeatChoice()->GetStringSelection(), "every month");
    PressButton(kept, wxID_OK);
    EXPECT_EQ(kept.Settings().repeat, rent.repeat);
    EXPECT_EQ(kept.Settings().remindDate, "2099-4-30");

    // Another day picked: the rule follows it.
    CRemindSetDlg moved(nullptr, Connection(), 2000000077, rent);
    moved.DatePicker()->SetValue(wxDateTime(15, wxDateTime::May, 2099));
    PressButton(moved, wxID_OK);
    EXPECT_EQ(moved.Settings().repeat, (RepeatRule{RepeatRule::Every::kMonth, 5, 15}));
    EXPECT_EQ(moved.Settings().remindDate, "2099-5-15");

    // A rule left on another type goes.
    ReminderSettings weekly = rent;
    weekly.remindType = kRemindEveryWeek;
    CRemindSetDlg gone(nullptr, Connection(), 2000000077, weekly);
    PressButton(gone, wxID_OK);
    EXPECT_FALSE(gone.Settings().repeat);
}

TEST_F(RepeatRemindSetTest, WithoutTheTableTheChoiceIsOffAndSaysWhichReadmeStepAddsIt) {
    Database().Execute("drop table schedule_repeat");
    CRemindSetDlg dialog(nullptr, Connection(), 2000000077, SpecialDay("2099-6-14"));
    wxChoice& repeat = *dialog.RepeatChoice();
    EXPECT_TRUE(dialog.DatePicker()->IsEnabled());
    EXPECT_FALSE(repeat.IsEnabled());
    const std::string tip = repeat.GetToolTipText().ToStdString();
    EXPECT_NE(tip.find("schedule_repeat"), std::string::npos) << tip;
    EXPECT_NE(tip.find("\"Adding the newer tables to an existing database\""), std::string::npos)
        << tip;
    Click(dialog.TypeButton(kRemindEveryDay));
    Click(dialog.TypeButton(kRemindSpecialDay));
    EXPECT_FALSE(repeat.IsEnabled());
    PressButton(dialog, wxID_OK);
    EXPECT_FALSE(dialog.Settings().repeat);
    EXPECT_EQ(dialog.Settings().remindDate, "2099-6-14");
}

}  // namespace
}  // namespace calvendra::testing
