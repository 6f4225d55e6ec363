#include "view/reminder_wording.h"

#include <wx/translation.h>
#include <wx/uilocale.h>

#include "platform/translatable.h"
#include "reminders/weekday_names.h"

namespace calvendra {

namespace {

std::string Translated(const char* text) {
    return wxGetTranslation(wxString::FromUTF8(text)).utf8_string();
}

}  // namespace

ReminderWording UserReminderWording() {
    ReminderWording wording;
    for (std::size_t day = 0; day < kWeekdayNames.size(); ++day) {
        wording.weekdayNames[day] = Translated(kWeekdayNames[day]);
    }
    wording.noReminder = Translated(TRANSLATABLE("No Reminder setting for this schedule"));
    // TRANSLATORS: a schedule's reminder in the list: the date or weekday (empty for a daily
    // reminder), then the time.
    wording.reminderAt = Translated(TRANSLATABLE("Reminder at %s %s"));
    // TRANSLATORS: a special day's reminder that repeats every year, in the list: the month's
    // number, then the day's (the order may change: "%2$d.%1$d.").
    wording.everyYear = Translated(TRANSLATABLE("every year %d-%d"));
    // TRANSLATORS: a special day's reminder that repeats every month, in the list: the day's
    // number.
    wording.everyMonth = Translated(TRANSLATABLE("every month %d"));
    const wxUILocale& locale = wxUILocale::GetCurrent();
    const wxString name = locale.GetName();
    if (!name.empty() && name != "C" && name != "POSIX" && !name.StartsWith("C.")) {
        wording.dateFormat = locale.GetInfo(wxLOCALE_SHORT_DATE_FMT).utf8_string();
        wording.timeFormat = locale.GetInfo(wxLOCALE_TIME_FMT).utf8_string();
    }
    return wording;
}

}  // namespace calvendra
