#include "app/reminder_notes.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <utility>

#include <wx/datetime.h>
#include <wx/display.h>
#include <wx/translation.h>

#include "desktop/note_places.h"
#include "platform/log.h"
#include "resources/store_text.h"

namespace calvendra {

ReminderNotes::ReminderNotes(Clock clock, Hooks hooks, std::string snoozePath)
    : clock_(std::move(clock)), hooks_(std::move(hooks)), snoozed_(std::move(snoozePath)) {
    std::string why;
    snoozed_.Load(why);
    if (!why.empty()) {
        LogError("Snoozed reminders: " + why);
    }
}

wxString ReminderNotes::Details(std::time_t due, const std::string& groupName) {
    // TRANSLATORS: the date and time a reminder fell due, on its note.
    wxString details = wxString::Format(_("Due %s"), wxDateTime(due).Format("%d %b %H:%M"));
    if (!groupName.empty()) {
        details += wxString::FromUTF8(" \u00b7 ") + resources::FromStoreText(groupName);
    }
    return details;
}

void ReminderNotes::Show(const ReminderNote& note) {
    NoteControls controls;
    controls.details =
        Details(note.due, hooks_.groupName ? hooks_.groupName(note.groupId) : std::string());
    // A note may outlive the organizer's window by a moment: then its buttons do nothing.
    std::weak_ptr<int> alive = alive_;
    controls.snooze = [this, alive, note](SnoozeChoice choice) {
        if (!alive.expired()) {
            Snooze(note, choice);
        }
    };
    const bool opens = note.scheduleId != 0 && hooks_.openSchedule != nullptr;
    if (opens) {
        controls.open = [this, alive, id = note.scheduleId] {
            if (!alive.expired()) {
                hooks_.openSchedule(id);
            }
        };
    }
    CReminderWnd* window = OpenReminderNote(note.subject, note.text, std::move(controls),
                                            wxPoint(CReminderWnd::kLeft, CReminderWnd::kTop));
    if (window == nullptr) {
        throw std::runtime_error("the window system refused the note window");
    }
    if (!opens) {
        window->OpenButton()->Disable();
    }
    open_.push_back({window, window->GetPosition()});
    Cascade();
}

void ReminderNotes::Cascade() {
    open_.erase(std::remove_if(open_.begin(), open_.end(),
                               [](const OpenNote& note) {
                                   return note.window.get() == nullptr ||
                                          note.window->IsBeingDeleted();
                               }),
                open_.end());
    const wxRect area = wxDisplay(0u).GetClientArea();
    const Rect screen{area.x, area.y, area.GetRight() + 1, area.GetBottom() + 1};
    NoteCascade cascade;
    cascade.first = {CReminderWnd::kLeft, CReminderWnd::kTop};
    if (!open_.empty()) {
        const wxSize size = open_.back().window->GetSize();
        cascade.width = size.x;
        cascade.height = size.y;
        cascade.step =
            open_.back().window->Metrics().captionHeight + open_.back().window->Metrics().border;
    }
    const std::vector<Point> places =
        NotePlaces(static_cast<int>(open_.size()), screen,
                   hooks_.menuBar ? hooks_.menuBar() : std::nullopt, cascade);
    for (std::size_t i = 0; i < open_.size(); ++i) {
        OpenNote& note = open_[i];
        // A note the user moved stays where the user put it.
        if (i + 1 < open_.size() && note.window->GetPosition() != note.placed) {
            continue;
        }
        note.placed = wxPoint(places[i].x, places[i].y);
        note.window->Move(note.placed);
    }
}

void ReminderNotes::Snooze(const ReminderNote& note, SnoozeChoice choice) {
    const std::optional<std::time_t> wake = SnoozeUntil(choice, clock_(), note.due);
    if (!wake) {
        LogError("Reminder of schedule " + std::to_string(note.scheduleId) +
                 ": local time cannot name the snooze's end; the note is not snoozed");
        return;
    }
    std::string why;
    if (!snoozed_.Add({note, *wake}, why)) {
        LogError("Reminder of schedule " + std::to_string(note.scheduleId) +
                 " is snoozed for this run only: " + why);
    }
}

void ReminderNotes::ShowSnoozedDue() {
    std::string why;
    const std::vector<SnoozedReminder> due = snoozed_.TakeDue(clock_(), why);
    if (!why.empty()) {
        LogError("Snoozed reminders: " + why);
    }
    for (const SnoozedReminder& snoozed : due) {
        try {
            Show(snoozed.note);
        } catch (const std::exception& failure) {
            LogError("Reminder of schedule " + std::to_string(snoozed.note.scheduleId) +
                     ": the snoozed note could not be opened: " + failure.what());
        }
    }
}

}  // namespace calvendra
