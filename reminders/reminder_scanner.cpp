#include "reminders/reminder_scanner.h"

#include <algorithm>
#include <utility>

#include "reminders/minute_batch.h"
#include "reminders/reminder_rule.h"
#include "store/column_values.h"
#include "store/db_result_set.h"
#include "store/statements.h"

namespace calvendra {

namespace {

// Positions in the select list of the scan's statement.
enum ScanColumn : int {
    kScheduleIdColumn = 0,
    kSubjectColumn = 2,
    kTextColumn = 3,
    kRemindColumn = 4,
    kRemindTypeColumn = 5,
    kRemindWeekColumn = 6,
    kRemindDateColumn = 7,
    kRemindTimeColumn = 8,
    kEmailRemindColumn = 9,
};

std::time_t MinuteStartOf(std::time_t instant) {
    const std::optional<LocalMinute> minute = LocalMinuteAt(instant);
    return minute ? minute->start : instant;
}

// Clears the flag however the scan ends.
class ScanningFlag {
public:
    explicit ScanningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~ScanningFlag() { flag_ = false; }
    ScanningFlag(const ScanningFlag&) = delete;
    ScanningFlag& operator=(const ScanningFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

ReminderScanner::ReminderScanner(Clock clock, std::time_t start, ConnectionSource connection,
                                 std::time_t catchUp)
    : clock_(std::move(clock)),
      connection_(std::move(connection)),
      catchUp_(std::max<std::time_t>(catchUp, 1)),
      anchor_(MinuteStartOf(start)),
      lastTickMinute_(anchor_) {}

void ReminderScanner::Scan() noexcept {
    if (scanning_) {
        return;
    }
    ScanningFlag scanning(scanning_);
    try {
        CDBConnection* connection = connection_ ? connection_() : nullptr;
        if (connection == nullptr) {
            return;
        }
        const std::optional<LocalMinute> current = LocalMinuteAt(clock_());
        if (!current) {
            return;
        }
        const MinuteBatch batch(TakePendingMinutes(*current));
        if (batch.Minutes().empty()) {
            return;
        }
        ScanRows(*connection, batch);
    } catch (...) {
        // A timer tick must never take the program down; the next tick starts afresh.
    }
}

std::vector<LocalMinute> ReminderScanner::TakePendingMinutes(const LocalMinute& current) {
    if (current.start < lastTickMinute_) {
        anchor_ = current.start;
    }
    lastTickMinute_ = current.start;

    std::vector<LocalMinute> pending;
    // The cursor only moves forward, by at least a second a step.
    std::time_t cursor = std::max(anchor_, current.start - catchUp_ + 1);
    while (cursor <= current.start) {
        const std::optional<LocalMinute> minute = LocalMinuteAt(cursor);
        if (!minute) {
            break;
        }
        if (minute->start < cursor) {
            // Began before the window: take the next one.
            cursor = std::max(cursor + 1, minute->end);
            continue;
        }
        if (const std::optional<std::time_t> until = scanned_.ScannedUntil(minute->start)) {
            cursor = std::max(cursor + 1, *until);
            continue;
        }
        pending.push_back(*minute);
        cursor = minute->end;
    }
    for (const LocalMinute& minute : pending) {
        scanned_.Add(minute.start, minute.end);
    }
    scanned_.KeepWithin(current.start - catchUp_, current.end + catchUp_);
    return pending;
}

void ReminderScanner::ScanRows(CDBConnection& connection, const MinuteBatch& batch) {
    // Reminders due in the later minutes of a catching-up tick wait until every row is read, so
    // that the minutes go out in time order; those of the first minute go out as their row is
    // read, before the next one.
    std::vector<DueReminder> later;
    {
        CDBResultSet results(connection);
        if (results.OpenQuery(statements::SelectSchedulesForScan())) {
            std::string remind, remindType, remindWeek, remindDate, remindTime, value;
            std::vector<std::size_t> dueMinutes;
            do {
                results.ReadColumn(kRemindColumn, remind);
                if (!IsFlagOn(remind)) {
                    continue;
                }
                results.ReadColumn(kRemindTypeColumn, remindType);
                results.ReadColumn(kRemindWeekColumn, remindWeek);
                results.ReadColumn(kRemindDateColumn, remindDate);
                results.ReadColumn(kRemindTimeColumn, remindTime);
                const ReminderRule rule =
                    ReadReminderRule(remind, remindType, remindWeek, remindDate, remindTime);
                batch.DueMinutes(rule, dueMinutes);
                if (dueMinutes.empty()) {
                    continue;
                }
                DueReminder reminder;
                results.ReadColumn(kScheduleIdColumn, value);
                reminder.scheduleId = ReadIdentifier(value);
                results.ReadColumn(kSubjectColumn, reminder.subject);
                results.ReadColumn(kTextColumn, reminder.text);
                results.ReadColumn(kEmailRemindColumn, value);
                reminder.mail = IsFlagOn(value);
                for (const std::size_t minute : dueMinutes) {
                    reminder.minute = minute;
                    if (minute == 0) {
                        Deliver(reminder);
                    } else {
                        later.push_back(reminder);
                    }
                }
            } while (results.MoveToNext());
        }
    }
    std::stable_sort(later.begin(), later.end(), [](const DueReminder& a, const DueReminder& b) {
        return a.minute < b.minute;
    });
    for (const DueReminder& reminder : later) {
        Deliver(reminder);
    }
}

void ReminderScanner::Deliver(const DueReminder& reminder) {
    // The delivery is looked up for each call: a delivery may unset itself while it runs.
    // A failure of one call does not keep the other, or the next schedule, from going out.
    if (ReminderDelivery* delivery = delivery_) {
        try {
            delivery->ShowReminderWindow(reminder.subject, reminder.text);
        } catch (...) {
        }
    }
    if (!reminder.mail) {
        return;
    }
    if (ReminderDelivery* delivery = delivery_) {
        try {
            delivery->MailAttendants(reminder.subject, reminder.text, reminder.scheduleId);
        } catch (...) {
        }
    }
}

}  // namespace calvendra
