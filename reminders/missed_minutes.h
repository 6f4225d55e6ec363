#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "reminders/due_reminders.h"
#include "reminders/local_time.h"
#include "reminders/reminder_delivery.h"

namespace calvendra {

// How far back the start-up looks for reminders missed while the organizer was not running.
inline constexpr std::time_t kMissedLookBack = 7 * 24 * 60 * 60;
// A missed reminder's mail still goes out when it is less late than this.
inline constexpr std::time_t kMissedMailLimit = 60 * 60;

// The minutes of local time from `scannedUntil` (where the last run's scan ended) up to the
// minute `start` lies in, which the running scan covers itself; at most `lookBack` of them.
// Empty when the last run ended in this minute or later (a clock put back).
std::vector<LocalMinute> MissedMinutes(std::time_t scannedUntil, std::time_t start,
                                       std::time_t lookBack = kMissedLookBack);

// Whether the mail of a reminder due in the minute starting at `due` still goes out at `now`.
inline bool MissedMailInTime(std::time_t due, std::time_t now) {
    return now - due < kMissedMailLimit;
}

// A schedule that fell due while the organizer was not running, at the latest of the missed
// minutes it fell due in.
struct MissedReminder {
    ReminderNote note;
    // The schedule asks for mail, and the mail still goes out (MissedMailInTime).
    bool mail = false;
    bool mailInTime = false;
};

// What a reading of `minutes` found, one entry per schedule, in the order they fell due, judged
// at `now`.
std::vector<MissedReminder> MissedReminders(const std::vector<LocalMinute>& minutes,
                                            const std::vector<DueReminder>& due, std::time_t now);

// Where the organizer's scan ended, kept in the user's state between runs: one number, the end of
// the last minute scanned, in seconds since 1970.
class ScanMark {
public:
    explicit ScanMark(std::string path);

    // $XDG_STATE_HOME/calvendra/last-scanned-minute.
    static std::string DefaultPath();

    // Empty when no run has left a mark (`why` empty: the first start ever) or when it cannot be
    // read (`why` says why).
    std::optional<std::time_t> Read(std::string& why) const;

    // Replaces the mark through a temporary file and a rename; false, with the reason, when it
    // cannot.
    bool Write(std::time_t scannedUntil, std::string& why) const;

private:
    std::string path_;
};

}  // namespace calvendra
