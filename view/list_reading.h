#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/change_mark.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"
#include "store/repeat_rule.h"
#include "view/listed_rows.h"

namespace calvendra {

// What the item list shows for a group: its contacts or its schedules.
enum class ListKind { kNone, kContacts, kSchedules };

ListKind ListKindOf(Identifier groupId);

using WeekdayNames = std::array<const char*, 7>;

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
// weekly reminder, nothing for a daily one), otherwise "No Reminder setting for this schedule".
// A special day that repeats by `rule` shows the rule ("Reminder at every year 6-14 08:00:00")
// while its date is an occurrence of it. False for a weekly reminder whose weekday is none, which
// then shows as stored.
bool ReminderText(bool reminderOn, int remindType, int weekday, std::string_view storedWeek,
                  std::string_view remindDate, std::string_view remindTime,
                  const WeekdayNames& weekdayNames, std::string& text,
                  const RepeatRule* rule = nullptr);

// Reads the contacts or schedules of the group and builds each row's texts: a contact's name,
// home phone and e-mail; a schedule's subject and its reminder ("Reminder at " the day, a space
// and the time, or "No Reminder setting for this schedule"), with the rules of schedule_repeat on
// a database that has the table. A weekday out of range shows as
// stored. Touches nothing but the connection, so it may run on any thread that owns it. Never
// throws: a failure of any kind comes back as the reading's failure, with the rows read before it.
ListReading ReadListRows(CDBConnection& connection, Identifier groupId,
                         const WeekdayNames& weekdayNames);

}  // namespace calvendra
