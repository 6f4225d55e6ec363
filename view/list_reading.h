#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/change_mark.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"
#include "store/reminder_encoding.h"
#include "store/repeat_rule.h"
#include "view/listed_rows.h"

namespace calvendra {

// What the item list shows for a group: its contacts or its schedules.
enum class ListKind { kNone, kContacts, kSchedules };

ListKind ListKindOf(Identifier groupId);

// How the list words a schedule's reminder: English by default; the window hands the reading the
// words and the date and time forms of the user's language and locale. What is stored does not
// change with them.
struct ReminderWording {
    std::array<std::string, kWeekdayCount> weekdayNames{
        "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    std::string noReminder = "No Reminder setting for this schedule";
    // The day (or nothing, for a daily reminder) for the first %s, the time for the second.
    std::string reminderAt = "Reminder at %s %s";
    // The rule of a repeating special day, in printf forms: a yearly one's month and day, a monthly
    // one's day. The English forms are the rule as stored ("every year 6-14", "every month 31").
    std::string everyYear = "every year %d-%d";
    std::string everyMonth = "every month %d";
    // strftime forms of the date and the time; empty shows them as stored ("2027-4-4", "19:00:00").
    std::string dateFormat;
    std::string timeFormat;
};

// The rows of one group as the list shows them, read in one go.
struct ListReading {
    Identifier groupId = 0;
    ListKind kind = ListKind::kNone;
    ListedRows rows;
    // The rows' fingerprint (ListedRows::Fingerprint), taken where they were read, and the mark
    // of the database read right before them (change_mark.h), when it was.
    std::uint64_t fingerprint = 0;
    ChangeMark mark;
    // Why the rows could not be read (or ended early); empty when they could.
    OdbcDiagnostic failure;
    // The largest item id listed; 0 for none.
    Identifier largestId = 0;
    // Weekly reminders whose weekday is none: how many, and the first one's id and stored text.
    int invalidWeekdays = 0;
    Identifier firstInvalidId = 0;
    std::string firstInvalidText;
};

// The text of a schedule's "Remind Time" column, into `text`: "Reminder at " the day, a space and
// the time when the reminder is on (the day: the date of a special day, the weekday's name of a
// weekly reminder, nothing for a daily one), otherwise "No Reminder setting for this schedule";
// worded, and the date and time shown, as `wording` says. A special day that repeats by `rule`
// shows the rule ("Reminder at every year 6-14 08:00:00") while its date is an occurrence of it.
// A date or time that cannot be read shows as stored. False for a weekly reminder whose weekday is
// none, which then shows as stored.
bool ReminderText(bool reminderOn, int remindType, int weekday, std::string_view storedWeek,
                  std::string_view remindDate, std::string_view remindTime,
                  const ReminderWording& wording, std::string& text,
                  const RepeatRule* rule = nullptr);

// Reads the contacts or schedules of the group and builds each row's texts: a contact's name,
// home phone and e-mail; a schedule's subject and its reminder ("Reminder at " the day, a space
// and the time, or "No Reminder setting for this schedule"), with the rules of schedule_repeat on
// a database that has the table. A weekday out of range shows as
// stored. Touches nothing but the connection, so it may run on any thread that owns it. Never
// throws: a failure of any kind comes back as the reading's failure, with the rows read before it.
ListReading ReadListRows(CDBConnection& connection, Identifier groupId,
                         const ReminderWording& wording);

}  // namespace calvendra
