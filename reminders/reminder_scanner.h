#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reminders/due_reminders.h"
#include "reminders/local_time.h"
#include "reminders/reminder_delivery.h"
#include "reminders/scanned_time.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"

namespace calvendra {

class ReadingThread;

// Decides on every timer tick which schedules fall due and hands them to the delivery.
//
// Each minute of local time from the scanner's start on is scanned exactly once, whenever the ticks
// arrive: a tick evaluates every minute after the last one it scanned up to the current one, each
// with its own date, weekday and bounds, in time order and, within a minute, in ascending schedule
// id. A late tick therefore loses no minute, and a second tick in a minute already scanned does
// nothing. After a sleep only the last day is caught up on (`catchUp`), so a machine that slept
// for a week does not open a week of notes.
//
// A clock that goes back does not bring back minutes already scanned; the minutes it goes back to
// that were not scanned yet are, as they come, so a clock that was ahead and is put right goes on
// reminding at once. Minutes scanned more than `catchUp` away from the clock are forgotten.
//
// The clock gives the instant; local date and time come from the process's time zone.
class ReminderScanner {
public:
    using Clock = std::function<std::time_t()>;
    using ConnectionSource = std::function<CDBConnection*()>;

    static constexpr std::time_t kDefaultCatchUp = 24 * 60 * 60;

    // `start` is the program's start: the first tick scans from the minute it lies in. `catchUp`
    // is how far back a tick looks at most (the current minute is always scanned).
    ReminderScanner(Clock clock, std::time_t start, ConnectionSource connection,
                    std::time_t catchUp = kDefaultCatchUp);

    // Not owned; while none is set, due reminders are dropped.
    void SetDelivery(ReminderDelivery* delivery) { delivery_ = delivery; }
    ReminderDelivery* Delivery() const { return delivery_; }

    // Not owned; must outlive the scanner or be unset first. While one is set, a tick hands the
    // minutes to it and returns at once: the schedules are read on its thread, and what falls due
    // is delivered when the reading comes back to this thread, exactly as a tick that read them
    // itself would have delivered it. Ticks that come while a reading is away do nothing; their
    // minutes go with the next tick's. Without one, a tick reads the schedules itself.
    void SetBackgroundReader(ReadingThread* reader) { reader_ = reader; }
    bool IsReadingInBackground() const { return readInFlight_; }

    // One timer tick. Reads the schedules that may fall due in its minutes (or has them read, see
    // SetBackgroundReader), then delivers what falls due in them. The first reading also asks
    // whether the database has the index of the reminder times, and the log says once when not.
    // Returns at once without a connection, leaving the minutes for a later tick; a tick that
    // cannot read the schedules (a lock held too long, a lost connection, a failing query) leaves
    // them too, so a busy database delays a reminder but does not lose it. The reason is logged,
    // once for as long as it stays the same. An empty table counts as read. A tick that arrives
    // while one is still delivering (from a nested event loop) does nothing. Never throws: a
    // failing delivery step is logged with its reason and the scan goes on; any other failure is
    // logged and ends the tick.
    void Scan() noexcept;

private:
    // The minutes this tick has to scan, in time order; they count as scanned once the schedules
    // have been read for them.
    std::vector<LocalMinute> PendingMinutes(const LocalMinute& current);
    // What a reading for `minutes` found: the minutes count as scanned and their reminders go
    // out, or, when the schedules could not be read, the minutes stay for a later tick.
    void TakeReading(const std::vector<LocalMinute>& minutes, const ScheduleReading& reading);
    // The same for a reading that came back from the background reader.
    void OnReadingBack(const std::vector<LocalMinute>& minutes,
                       const ScheduleReading& reading) noexcept;
    void NoteReadFailure(const OdbcDiagnostic& failure);
    // Says once in the log when the database lacks the index of the reminder times.
    void NoteRemindTimeIndex(std::optional<bool> hasIndex);
    void Deliver(const DueReminder& reminder, std::time_t dueMinute);

    Clock clock_;
    ConnectionSource connection_;
    std::time_t catchUp_;
    ReminderDelivery* delivery_ = nullptr;
    ReadingThread* reader_ = nullptr;
    bool readInFlight_ = false;
    // What a reading that comes back after the scanner has gone finds expired.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    // No minute before this one is scanned: the start's, or the one the clock last went back to.
    std::time_t anchor_;
    // The start of the minute the clock showed at the last tick.
    std::time_t lastTickMinute_;
    ScannedTime scanned_;
    bool scanning_ = false;
    // The reason the schedules could not be read at the last tick; empty when they could.
    std::string lastReadFailure_;
    // Whether a reading has told whether the database has the index of the reminder times.
    bool remindTimeIndexKnown_ = false;
};

}  // namespace calvendra
