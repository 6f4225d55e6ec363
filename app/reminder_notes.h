#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <wx/weakref.h>

#include "desktop/reminder_window.h"
#include "platform/rect.h"
#include "reminders/reminder_delivery.h"
#include "reminders/snooze.h"
#include "reminders/snoozed_reminders.h"

namespace calvendra {

// The reminder notes of the running organizer: each shows when it was due and its group, offers
// "Snooze" and "Open", and the notes open together cascade (NotePlaces). A snoozed reminder is
// kept in the user's own state and comes back as a note when its time has come, also after a
// restart; it never mails the attendants again. Window thread.
class ReminderNotes {
public:
    using Clock = std::function<std::time_t()>;

    struct Hooks {
        // The name of a schedule group as the organizer shows it; empty when unknown.
        std::function<std::string(Identifier)> groupName;
        // The main window's menu bar on the screen while it is shown.
        std::function<std::optional<Rect>()> menuBar;
        // "Open": the schedule editor on the schedule.
        std::function<void(Identifier)> openSchedule;
    };

    ReminderNotes(Clock clock, Hooks hooks,
                  std::string snoozePath = SnoozedReminders::DefaultPath());

    // Opens the note; throws when the window system refuses it.
    void Show(const ReminderNote& note);

    // Puts the reminder away until the choice's time (SnoozeUntil from the clock's now).
    void Snooze(const ReminderNote& note, SnoozeChoice choice);

    // Opens the notes of the snoozed reminders whose time has come.
    void ShowSnoozedDue();

    void SetClock(Clock clock) { clock_ = std::move(clock); }
    const SnoozedReminders& Snoozed() const { return snoozed_; }

    // The note's details line: "Due <local date and time>" and the group.
    static wxString Details(std::time_t due, const std::string& groupName);

private:
    // Moves the cascade's notes that are still where it put them to their places for the
    // notes now open, and gives the last one its place.
    void Cascade();

    Clock clock_;
    Hooks hooks_;
    SnoozedReminders snoozed_;
    struct OpenNote {
        wxWeakRef<CReminderWnd> window;
        wxPoint placed;
    };
    std::vector<OpenNote> open_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace calvendra
