#include "reminders/reminder_scanner.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "platform/log.h"
#include "reminders/minute_batch.h"
#include "reminders/reminder_rule.h"
#include "store/column_values.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

using Column = catalogue::ScheduleColumns;

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

// Writes "[Reminder of schedule <id>: ]<what>: <reason>" to the log. Never throws: it runs where a
// failure has already been caught.
void LogFailure(const char* what, const char* reason, Identifier scheduleId = 0) noexcept {
    try {
        const std::string schedule =
            scheduleId != 0 ? "Reminder of schedule " + std::to_string(scheduleId) + ": " : "";
        LogError(schedule + what + ": " + reason);
    } catch (...) {
        // Not even the line could be made; there is nothing left to tell it with.
    }
}

// The one place where a failed delivery step ends: its reason goes to the log, nothing is shown
// to the user, and the scan carries on with the next step.
template <class Step>
void DeliverStep(const char* step, Identifier scheduleId, Step&& deliver) noexcept {
    try {
        deliver();
    } catch (const std::exception& failure) {
        LogFailure(step, failure.what(), scheduleId);
    } catch (...) {
        LogFailure(step, "an unknown failure", scheduleId);
    }
}

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
        const MinuteBatch batch(PendingMinutes(*current));
        if (batch.Minutes().empty()) {
            return;
        }
        std::vector<DueReminder> due;
        if (!ReadDueReminders(*connection, batch, due)) {
            // The minutes stay unscanned: a later tick catches them up.
            return;
        }
        for (const LocalMinute& minute : batch.Minutes()) {
            scanned_.Add(minute.start, minute.end);
        }
        for (const DueReminder& reminder : due) {
            Deliver(reminder);
        }
    } catch (const std::exception& failure) {
        // A timer tick must never take the program down; the next tick starts afresh.
        LogFailure("The reminder scan stopped", failure.what());
    } catch (...) {
        LogFailure("The reminder scan stopped", "an unknown failure");
    }
}

std::vector<LocalMinute> ReminderScanner::PendingMinutes(const LocalMinute& current) {
    if (current.start < lastTickMinute_) {
        anchor_ = current.start;
    }
    lastTickMinute_ = current.start;
    scanned_.KeepWithin(current.start - catchUp_, current.end + catchUp_);

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
    return pending;
}

bool ReminderScanner::ReadDueReminders(CDBConnection& connection, const MinuteBatch& batch,
                                       std::vector<DueReminder>& due) {
    CDBResultSet results(connection);
    std::vector<std::size_t> dueMinutes;
    for (const ResultRow& row : QueryRows(results, statements::SelectSchedulesForScan())) {
        const std::string remind = row.Text(Column::kRemind);
        if (!IsFlagOn(remind)) {
            continue;
        }
        const ReminderRule rule =
            ReadReminderRule(remind, row.Text(Column::kRemindType), row.Text(Column::kRemindWeek),
                             row.Text(Column::kRemindDate), row.Text(Column::kRemindTime));
        batch.DueMinutes(rule, dueMinutes);
        if (dueMinutes.empty()) {
            continue;
        }
        DueReminder reminder;
        reminder.scheduleId = row.Id(Column::kScheduleId);
        reminder.subject = row.Text(Column::kSubject);
        reminder.text = row.Text(Column::kText);
        reminder.mail = row.Flag(Column::kEmailRemind);
        for (const std::size_t minute : dueMinutes) {
            reminder.minute = minute;
            due.push_back(reminder);
        }
    }
    NoteReadFailure(results.LastError());
    if (!results.LastError().Empty()) {
        return false;
    }
    // The minutes go out in time order, and within a minute in the order of the rows.
    std::stable_sort(due.begin(), due.end(), [](const DueReminder& a, const DueReminder& b) {
        return a.minute < b.minute;
    });
    return true;
}

void ReminderScanner::NoteReadFailure(const OdbcDiagnostic& failure) {
    // A database that keeps failing would write the same line every minute: it is written when
    // the reason first appears or changes.
    const std::string reason = failure.Text();
    if (!reason.empty() && reason != lastReadFailure_) {
        LogError("The reminder scan could not read the schedules: " + reason);
    }
    lastReadFailure_ = reason;
}

void ReminderScanner::Deliver(const DueReminder& reminder) {
    // The delivery is looked up for each step: a delivery may unset itself while it runs. A
    // failure of one step does not keep the other, or the next schedule, from going out.
    if (ReminderDelivery* delivery = delivery_) {
        DeliverStep("the note could not be opened", reminder.scheduleId,
                    [&] { delivery->ShowReminderWindow(reminder.subject, reminder.text); });
    }
    if (!reminder.mail) {
        return;
    }
    if (ReminderDelivery* delivery = delivery_) {
        DeliverStep("the mail could not be sent", reminder.scheduleId, [&] {
            delivery->MailAttendants(reminder.subject, reminder.text, reminder.scheduleId);
        });
    }
}

}  // namespace calvendra
