#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "reminders/reminder_delivery.h"

namespace calvendra {

// A note the user snoozed: what it showed, and when it comes back.
struct SnoozedReminder {
    ReminderNote note;
    std::time_t wakeAt = 0;
};

// The reminders one user snoozed, kept in a file of that user's own (snooze is one user's
// choice, not the shared database's), so that they come back also after the organizer was
// restarted. The file is rewritten whole through a temporary file and a rename, so a crash
// leaves the old list or the new one.
class SnoozedReminders {
public:
    explicit SnoozedReminders(std::string path);

    // The file in the user's state folder: $XDG_STATE_HOME/calvendra/snoozed-reminders.
    static std::string DefaultPath();

    // Reads the file; a missing file is an empty list. False, with the reason in `why`, when the
    // file cannot be read; lines that cannot be understood are skipped and named in `why` while
    // the others are kept.
    bool Load(std::string& why);

    // Adds a snoozed reminder and writes the file; false, with the reason, when it cannot be
    // written (the reminder is still kept for this run).
    bool Add(const SnoozedReminder& snoozed, std::string& why);

    // Takes out every reminder whose time has come at `now`, earliest first, and writes the
    // file; a failed write is named in `why` (what is taken is returned all the same).
    std::vector<SnoozedReminder> TakeDue(std::time_t now, std::string& why);

    const std::vector<SnoozedReminder>& Waiting() const { return waiting_; }

private:
    bool Save(std::string& why) const;

    std::string path_;
    std::vector<SnoozedReminder> waiting_;
};

}  // namespace calvendra
