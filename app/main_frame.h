#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include "app/desktop_reminder_delivery.h"
#include "app/reminder_notes.h"
#include "desktop/accessible_names.h"
#include "desktop/focus_return.h"
#include "desktop/missed_reminders_window.h"
#include "reminders/missed_minutes.h"
#include "reminders/reminder_scanner.h"
#include "store/reading_thread.h"

namespace calvendra {

class CCalvendraDoc;
class CMailQueueDlg;
class CCalvendraView;
class CSystemTray;

// The program's one top-level window: menu bar, toolbar and status bar around the organizer's
// form. It also owns what keeps the organizer resident: the notification-area icon, the
// one-minute reminder timer with the reminder scanner it drives, and the rule that closing the
// window only hides it.
class CMainFrame : public wxFrame {
public:
    // The frame of the document, whose connection and e-mail settings reminders use; the
    // document outlives the frame. The reminder scan covers the minutes from here on.
    explicit CMainFrame(CCalvendraDoc& document);
    ~CMainFrame() override;

    // The creation sequence: instance marker, frame, toolbar, status bar, tray icon, timer.
    // False when the frame, its toolbar or its status bar cannot be made.
    bool Create();

    // Commands that the frame does not handle itself go to the view first. The connections of the
    // reminder scan and of the mail worker follow the database file as soon as the view finds it
    // replaced or gone.
    void SetView(CCalvendraView* view);
    CCalvendraView* View() const { return view_; }

    // The tray icon object; null after "Exit".
    CSystemTray* Tray() const { return tray_.get(); }
    const wxTimer& ReminderTimer() const { return timer_; }

    // What every tick of the reminder timer runs: one scan, which does nothing before the view
    // has opened the database, and the snoozed reminders whose time has come. The schedules are
    // read on a thread of their own; what falls due is delivered when they come back. Once the
    // database is open, the mail queue is used too.
    void ScanReminders();
    const ReminderScanner& Scanner() const { return scanner_; }

    // The reminder notes, with the snoozed reminders that come back on the timer's ticks.
    ReminderNotes& Notes() { return notes_; }

    // "Missed Reminders", once the first ticks found what fell due while no organizer ran;
    // null before, when there was nothing, or once it is closed.
    CMissedRemindersWnd* MissedWindow() const { return missedWindow_.get(); }
    // Whether the reminders missed before the start are still to be looked for.
    bool LookingForMissedReminders() const { return missedPending_; }

    // "Show": the window ends maximised and in front.
    void ShowMaximised();

    // What became of a reminder mail, on the status bar: a failure stays there until a later
    // mail goes out. Runs on the window thread.
    void ShowMailOutcome(const MailOutcome& outcome);

    // Opens the delete pop-up menu under the toolbar's delete button.
    void ShowDeleteMenu();

    // "Mail Queue...": opens the window of the mail queue, or brings it to the front; null while
    // none is open.
    void ShowMailQueue();
    CMailQueueDlg* MailQueueWindow() const { return mailQueue_.get(); }

protected:
    bool TryBefore(wxEvent& event) override;

private:
    void CreateToolbar();
    void CreateStatusPanes();
    void UpdateKeyIndicators();
    // Hides the window and the icon, lets reminder mail end and destroys the window.
    void End();
    // What the notes need of the organizer: group names, where the menu bar is, "Open".
    ReminderNotes::Hooks NoteHooks();
    std::optional<Rect> MenuBarOnScreen() const;
    void OpenSchedule(Identifier scheduleId);
    // The reminders missed since the last run's scan ended (see MissedMinutes): read once, on the
    // reader's thread, then shown in one window, with the mails that are not too late queued.
    void LookForMissedReminders();
    void TakeMissedReading(const std::vector<LocalMinute>& minutes, const ScheduleReading& reading);
    // A repeating special day that fired moves on to its next occurrence (on the reader's thread).
    void AdvanceRepeatingDay(const ReminderNote& note);
    // Repeating special days whose date passed unseen (a stop longer than the look back) move on
    // to their next occurrence, once the missed reminders have been looked at.
    void MoveOverdueDays();
    // Keeps where the scan has got to in the user's state, for the next start.
    void NoteScanned(std::time_t until);

    void OnShow(wxCommandEvent& event);
    void OnOption(wxCommandEvent& event);
    void OnMailQueue(wxCommandEvent& event);
    void OnImport(wxCommandEvent& event);
    void OnExport(wxCommandEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnTimer(wxTimerEvent& event);
    void OnIdle(wxIdleEvent& event);
    void OnDeleteButton(wxCommandEvent& event);
    void OnDeleteDropDown(wxCommandEvent& event);
    void OnViewToolbar(wxCommandEvent& event);
    void OnViewStatusBar(wxCommandEvent& event);
    void OnUpdateViewToolbar(wxUpdateUIEvent& event);
    void OnUpdateViewStatusBar(wxUpdateUIEvent& event);
    void OnUpdateHandledCommand(wxUpdateUIEvent& event);
    void OnUpdateUnhandledCommand(wxUpdateUIEvent& event);

    static void OnKeyStateChanged(void* keymap, void* frame);

    wxBitmap trayIcon_;
    wxTimer timer_;
    DesktopReminderDelivery reminderDelivery_;
    // After a question or an editor the keyboard focus is where it was; a screen reader names
    // the dialogs' controls.
    CFocusReturn focusReturn_;
    CAccessibleDialogs accessibleDialogs_;
    CCalvendraDoc& document_;
    // The program's start: the scan covers the minutes from its minute on, the start-up's look
    // for missed reminders those before.
    std::time_t start_;
    ReminderScanner scanner_;
    ReminderNotes notes_;
    ScanMark scanMark_;
    // Where the last run's scan ended; empty on the first start ever.
    std::optional<std::time_t> lastScanned_;
    bool missedPending_ = false;
    bool missedReading_ = false;
    wxWeakRef<CMissedRemindersWnd> missedWindow_;
    // The last reason the scan's end could not be kept, written to the log once.
    std::string markFailure_;
    std::unique_ptr<ReadingThread> scheduleReader_;
    std::unique_ptr<CSystemTray> tray_;
    CCalvendraView* view_ = nullptr;
    bool forwarding_ = false;
    // The failure the status bar shows, until a mail goes out.
    wxString mailFailure_;
    unsigned long keyStateHandler_ = 0;
    wxWeakRef<CMailQueueDlg> mailQueue_;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
