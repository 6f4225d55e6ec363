#include "view/list_reading.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <map>
#include <optional>
#include <string_view>

#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/reminder_encoding.h"
#include "store/repeat_table.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

// The stored date "2027-4-4" or time "19:00:00" in the form `format` gives; as stored when there is
// no form or the text is no date or time.
std::string Shown(std::string_view stored, const std::string& format, bool date) {
    if (format.empty()) {
        return std::string(stored);
    }
    std::tm when{};
    const std::string text(stored);
    if (date) {
        int year = 0;
        int month = 0;
        int day = 0;
        char end = '\0';
        if (std::sscanf(text.c_str(), "%d-%d-%d%c", &year, &month, &day, &end) != 3 || month < 1 ||
            month > 12 || day < 1 || day > 31) {
            return text;
        }
        when.tm_year = year - 1900;
        when.tm_mon = month - 1;
        when.tm_mday = day;
    } else {
        if (!ReadReminderTime(text, when.tm_hour, when.tm_min) || when.tm_hour < 0 ||
            when.tm_hour > 23 || when.tm_min < 0 || when.tm_min > 59) {
            return text;
        }
        when.tm_mday = 1;
    }
    char shown[128];
    const std::size_t length = std::strftime(shown, sizeof shown, format.c_str(), &when);
    return length == 0 ? text : std::string(shown, length);
}

// The rule of a repeating special day in the list's words: as stored ("every year 6-14") in
// English.
std::string ShownRule(const RepeatRule& rule, const ReminderWording& wording) {
    char shown[128];
    const int length =
        rule.every == RepeatRule::Every::kYear
            ? std::snprintf(shown, sizeof shown, wording.everyYear.c_str(), rule.month, rule.day)
            : std::snprintf(shown, sizeof shown, wording.everyMonth.c_str(), rule.day);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof shown) {
        return RuleText(rule);
    }
    return std::string(shown, static_cast<std::size_t>(length));
}

// A special day's date in the list's form, or its rule while the stored date is an occurrence of
// it.
std::string SpecialDay(std::string_view stored, const RepeatRule* rule,
                       const ReminderWording& wording) {
    if (rule != nullptr) {
        const std::optional<SpecialDate> date = ReadSpecialDate(std::string(stored));
        if (date && IsOccurrence(*rule, *date)) {
            return ShownRule(*rule, wording);
        }
    }
    return Shown(stored, wording.dateFormat, true);
}

void ReadContacts(CDBConnection& connection, ListReading& reading) {
    using Column = catalogue::ContactListColumns;
    CDBResultSet results(connection);
    std::string name;
    for (const ResultRow& row :
         QueryRows(results, reading.groupId == kContactBaseGroupId
                                ? statements::SelectAllContacts()
                                : statements::SelectContactsOfGroup(reading.groupId))) {
        const Identifier contactId = row.Id(Column::kContactId);
        name.assign(results.ColumnText(Column::kFirstName));
        name += ' ';
        name.append(results.ColumnText(Column::kLastName));
        reading.rows.Add(contactId, name, results.ColumnText(Column::kHomePhone),
                         results.ColumnText(Column::kHomeEmail));
        reading.largestId = std::max(reading.largestId, contactId);
    }
    reading.failure = results.LastError();
}

void ReadSchedules(CDBConnection& connection, const ReminderWording& wording,
                   ListReading& reading) {
    using Column = catalogue::ScheduleListColumns;
    // Read before the schedules, whose result set then stays the connection's only open one.
    const std::map<Identifier, RepeatRule> rules = LoadRepeatRules(connection, reading.failure);
    if (!reading.failure.Empty()) {
        return;
    }
    CDBResultSet results(connection);
    std::string reminder;
    for (const ResultRow& row :
         QueryRows(results, reading.groupId == kScheduleBaseGroupId
                                ? statements::SelectAllSchedules()
                                : statements::SelectSchedulesOfGroup(reading.groupId))) {
        const Identifier scheduleId = row.Id(Column::kScheduleId);
        const std::string_view storedWeek = results.ColumnText(Column::kRemindWeek);
        const auto rule = rules.find(scheduleId);
        const bool weekdayValid = ReminderText(
            row.Flag(Column::kRemind), row.Int(Column::kRemindType), row.Int(Column::kRemindWeek),
            storedWeek, results.ColumnText(Column::kRemindDate),
            results.ColumnText(Column::kRemindTime), wording, reminder,
            rule != rules.end() ? &rule->second : nullptr);
        // No weekday has this number: the row shows what is stored, and the reading goes on, so
        // that no row hides behind it.
        if (!weekdayValid && reading.invalidWeekdays++ == 0) {
            reading.firstInvalidId = scheduleId;
            reading.firstInvalidText.assign(storedWeek);
        }
        reading.rows.Add(scheduleId, results.ColumnText(Column::kSubject), reminder,
                         std::string_view());
        reading.largestId = std::max(reading.largestId, scheduleId);
    }
    reading.failure = results.LastError();
}

}  // namespace

bool ReminderText(bool reminderOn, int remindType, int weekday, std::string_view storedWeek,
                  std::string_view remindDate, std::string_view remindTime,
                  const ReminderWording& wording, std::string& text, const RepeatRule* rule) {
    // The day text matters only for a reminder that is on: whatever the other columns hold, a
    // schedule without one lists as such.
    if (!reminderOn) {
        text = wording.noReminder;
        return true;
    }
    bool weekdayValid = true;
    std::string day;
    switch (remindType) {
        case kRemindSpecialDay:
            day = SpecialDay(remindDate, rule, wording);
            break;
        case kRemindEveryWeek:
            if (weekday >= 0 && weekday < kWeekdayCount) {
                day = wording.weekdayNames[static_cast<std::size_t>(weekday)];
            } else {
                day.assign(storedWeek);
                weekdayValid = false;
            }
            break;
        default:
            break;
    }
    // The day's and the time's places in the words.
    text = wording.reminderAt;
    const std::size_t dayAt = text.find("%s");
    if (dayAt != std::string::npos) {
        text.replace(dayAt, 2, day);
        const std::size_t timeAt = text.find("%s", dayAt + day.size());
        if (timeAt != std::string::npos) {
            text.replace(timeAt, 2, Shown(remindTime, wording.timeFormat, false));
        }
    }
    return weekdayValid;
}

ListKind ListKindOf(Identifier groupId) {
    if (IsContactRange(groupId)) {
        return ListKind::kContacts;
    }
    if (IsScheduleRange(groupId)) {
        return ListKind::kSchedules;
    }
    return ListKind::kNone;
}

ListReading ReadListRows(CDBConnection& connection, Identifier groupId,
                         const ReminderWording& wording) {
    ListReading reading;
    reading.groupId = groupId;
    reading.kind = ListKindOf(groupId);
    try {
        switch (reading.kind) {
            case ListKind::kContacts:
                ReadContacts(connection, reading);
                break;
            case ListKind::kSchedules:
                ReadSchedules(connection, wording, reading);
                break;
            case ListKind::kNone:
                break;
        }
    } catch (const std::exception& failure) {
        // The rows read so far stay, as after a failed fetch.
        reading.failure = {std::string(), 0, failure.what()};
    }
    // The rows are kept as long as the list shows them.
    reading.rows.ShrinkToFit();
    reading.fingerprint = reading.rows.Fingerprint();
    return reading;
}

}  // namespace calvendra
