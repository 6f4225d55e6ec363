#pragma once

#include <ctime>
#include <string>

#include "store/identifiers.h"

namespace calvendra {

// What a reminder's note shows, and what it needs to reopen the schedule or come back later.
struct ReminderNote {
    Identifier scheduleId = 0;
    Identifier groupId = 0;
    std::string subject;
    std::string text;
    // The start of the minute it fell due in.
    std::time_t due = 0;
};

// What the reminder scan does with a schedule that falls due: first the note on the desktop, then,
// when the schedule asks for it, the mail to its attendants. The scan calls both for one schedule
// before it reads the next. Either may throw when it fails: the scan writes the reason to the log
// and carries on, so nothing is ever reported to the user.
class ReminderDelivery {
public:
    virtual ~ReminderDelivery() = default;

    // Opens the note for one schedule and returns at once.
    virtual void ShowReminderWindow(const std::string& subject, const std::string& text) = 0;

    // Opens the note with what else it knows of the schedule; a delivery that shows only the
    // subject and the text leaves this as it is.
    virtual void ShowReminderNote(const ReminderNote& note) {
        ShowReminderWindow(note.subject, note.text);
    }

    // Mails the schedule's subject and text to its attendants: the mail of the minute it fell due
    // in, whose start `dueMinute` is (in seconds since 1970).
    virtual void MailAttendants(const std::string& subject, const std::string& text,
                                Identifier scheduleId, std::time_t dueMinute) = 0;

    // After a reading: every minute before `until` that the scan was to look at has been
    // looked at. The organizer keeps it, so that its next start knows what it missed.
    virtual void MinutesScanned(std::time_t /*until*/) {}
};

}  // namespace calvendra
