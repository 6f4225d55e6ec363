#include "reminders/reminder_scanner.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "platform/log.h"
#include "reminders/minute_batch.h"
#include "store/reading_thread.h"
#include "store/statement_catalogue.h"

namespace calvendra {

namespace {

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

// Ends the scan with its reason in the log, however it failed. Never throws.
template <class Work>
void RunGuarded(Work&& work) noexcept {
    try {
        work();
    } catch (const std::exception& failure) {
        // A timer tick must never take the program down; the next tick starts afresh.
        LogFailure("The reminder scan stopped", failure.what());
    } catch (...) {
        LogFailure("The reminder scan stopped", "an unknown failure");
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
    if (scanning_ || readInFlight_) {
        return;
    }
    ScanningFlag scanning(scanning_);
    RunGuarded([this] {
        CDBConnection* connection = connection_ ? connection_() : nullptr;
        if (connection == nullptr) {
            return;
        }
        const std::optional<LocalMinute> current = LocalMinuteAt(clock_());
        if (!current) {
            return;
        }
        MinuteBatch batch(PendingMinutes(*current));
        if (batch.Minutes().empty()) {
            return;
        }
        const bool checkIndex = !remindTimeIndexKnown_;
        if (reader_ == nullptr) {
            TakeReading(batch.Minutes(), ReadDueReminders(*connection, batch, checkIndex));
            return;
        }
        std::vector<LocalMinute> minutes = batch.Minutes();
        readInFlight_ = true;
        reader_->Read<ScheduleReading>(
            [batch = std::move(batch), checkIndex](CDBConnection& reading) {
                return ReadDueReminders(reading, batch, checkIndex);
            },
            [this, alive = std::weak_ptr<int>(alive_),
             minutes = std::move(minutes)](ScheduleReading reading) {
                if (!alive.expired()) {
                    OnReadingBack(minutes, reading);
                }
            });
    });
}

void ReminderScanner::OnReadingBack(const std::vector<LocalMinute>& minutes,
                                    const ScheduleReading& reading) noexcept {
    readInFlight_ = false;
    ScanningFlag scanning(scanning_);
    RunGuarded([&] { TakeReading(minutes, reading); });
}

void ReminderScanner::TakeReading(const std::vector<LocalMinute>& minutes,
                                  const ScheduleReading& reading) {
    NoteReadFailure(reading.failure);
    if (!reading.failure.Empty()) {
        // The minutes stay unscanned: a later tick catches them up.
        return;
    }
    NoteRemindTimeIndex(reading.hasRemindTimeIndex);
    for (const LocalMinute& minute : minutes) {
        scanned_.Add(minute.start, minute.end);
    }
    for (const DueReminder& reminder : reading.due) {
        Deliver(reminder, minutes.at(reminder.minute).start);
    }
    if (ReminderDelivery* delivery = delivery_; delivery != nullptr && !minutes.empty()) {
        DeliverStep("the scanned minutes could not be noted", 0,
                    [&] { delivery->MinutesScanned(minutes.back().end); });
    }
}

std::vector<LocalMinute> ReminderScanner::PendingMinutes(const LocalMinute& current) {
    if (current.start < lastTickMinute_) {
        anchor_ = current.start;
    }
    lastTickMinute_ = current.start;
    scanned_.KeepWithin(current.start - catchUp_, current.end + catchUp_);

    // A minute that began before the catch-up window, or that is already scanned, is passed over.
    return LocalMinutesBetween(
        std::max(anchor_, current.start - catchUp_ + 1), current.start,
        [this](const LocalMinute& minute) { return scanned_.ScannedUntil(minute.start); });
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

void ReminderScanner::NoteRemindTimeIndex(std::optional<bool> hasIndex) {
    if (!hasIndex || remindTimeIndexKnown_) {
        return;
    }
    remindTimeIndexKnown_ = true;
    if (!*hasIndex) {
        LogWarning(std::string("The reminder scan finds every due reminder, but the database looks "
                               "at every schedule each minute to do so: it has no index ") +
                   catalogue::kRemindTimeIndex +
                   ". The README's step \"Adding the newer tables to an existing database\" adds "
                   "it.");
    }
}

void ReminderScanner::Deliver(const DueReminder& reminder, std::time_t dueMinute) {
    // The delivery is looked up for each step: a delivery may unset itself while it runs. A
    // failure of one step does not keep the other, or the next schedule, from going out.
    if (ReminderDelivery* delivery = delivery_) {
        DeliverStep("the note could not be opened", reminder.scheduleId, [&] {
            delivery->ShowReminderNote({reminder.scheduleId, reminder.groupId, reminder.subject,
                                        reminder.text, dueMinute});
        });
    }
    if (!reminder.mail) {
        return;
    }
    if (ReminderDelivery* delivery = delivery_) {
        DeliverStep("the mail could not be sent", reminder.scheduleId, [&] {
            delivery->MailAttendants(reminder.subject, reminder.text, reminder.scheduleId,
                                     dueMinute);
        });
    }
}

}  // namespace calvendra
