#include "app/main_frame.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <wx/display.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/translation.h>
#include <wx/treectrl.h>

#include <chrono>
#include <ctime>
#include <exception>
#include <string>
#include <utility>

#include "app/calvendra_doc.h"
#include "app/single_instance.h"
#include "desktop/system_tray.h"
#include "editors/mail_queue_dlg.h"
#include "editors/option_dlg.h"
#include "exchange/exchange_commands.h"
#include "platform/log.h"
#include "reminders/repeat_advance.h"
#include "resources/images.h"
#include "resources/menus.h"
#include "resources/resource_ids.h"
#include "resources/store_text.h"
#include "resources/strings.h"
#include "view/calvendra_view.h"
#include "view/item_list_ctrl.h"
#include "view/window_reading.h"

namespace calvendra {

namespace {

using namespace resources;

// The status bar: the message pane, then the three key-state indicators.
enum StatusPane { kMessagePane, kCapsPane, kNumPane, kScrollPane, kPaneCount };

struct ToolButton {
    int id;
    const char* label;
};

std::time_t SystemClock() {
    return std::time(nullptr);
}

constexpr ToolButton kToolButtons[] = {
    {kIdNewContactGroup, TRANSLATABLE("New Contact Group")},
    {kIdNewContact, TRANSLATABLE("New Contact")},
    {kIdNewScheduleGroup, TRANSLATABLE("New Schedule Group")},
    {kIdNewSchedule, TRANSLATABLE("New Schedule")},
    {kIdEmailSetting, TRANSLATABLE("Email Setting")},
};

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(CMainFrame, wxFrame)
    EVT_MENU(kIdShow, CMainFrame::OnShow)
    EVT_MENU(kIdOption, CMainFrame::OnOption)
    EVT_MENU(kIdMailQueue, CMainFrame::OnMailQueue)
    EVT_MENU(kIdImport, CMainFrame::OnImport)
    EVT_MENU(kIdExport, CMainFrame::OnExport)
    EVT_MENU(kIdExit, CMainFrame::OnExit)
    EVT_CLOSE(CMainFrame::OnClose)
    EVT_TIMER(wxID_ANY, CMainFrame::OnTimer)
    EVT_IDLE(CMainFrame::OnIdle)
    EVT_TOOL(kIdDeleteButton, CMainFrame::OnDeleteButton)
    EVT_TOOL_DROPDOWN(wxID_ANY, CMainFrame::OnDeleteDropDown)
    EVT_MENU(kIdViewToolbar, CMainFrame::OnViewToolbar)
    EVT_MENU(kIdViewStatusBar, CMainFrame::OnViewStatusBar)
    EVT_UPDATE_UI(kIdViewToolbar, CMainFrame::OnUpdateViewToolbar)
    EVT_UPDATE_UI(kIdViewStatusBar, CMainFrame::OnUpdateViewStatusBar)
    EVT_UPDATE_UI(kIdShow, CMainFrame::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdOption, CMainFrame::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdMailQueue, CMainFrame::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdImport, CMainFrame::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdExport, CMainFrame::OnUpdateHandledCommand)
    EVT_UPDATE_UI(kIdDeleteButton, CMainFrame::OnUpdateHandledCommand)
    // A command that nothing handles is shown disabled; the view and the frame enable the ones
    // they handle before this entry is reached.
    EVT_UPDATE_UI_RANGE(kFirstProgramCommandId, kLastProgramCommandId,
                        CMainFrame::OnUpdateUnhandledCommand)
    EVT_UPDATE_UI(kIdNewDocument, CMainFrame::OnUpdateUnhandledCommand)
wxEND_EVENT_TABLE()
// clang-format on

CMainFrame::CMainFrame(CCalvendraDoc& document)
    : trayIcon_(LoadIconImage(kTrayIconNumber)),
      reminderDelivery_(document.Connection(), document.MailSettings(),
                        [this](const MailOutcome& outcome) {
                            // From the mail worker's thread to the window's.
                            CallAfter([this, outcome] { ShowMailOutcome(outcome); });
                        }),
      document_(document),
      start_(SystemClock()),
      scanner_(SystemClock, start_,
               [&document]() -> CDBConnection* {
                   // Until the view has opened the database there is nothing to scan; after that, a
                   // connection that failed or was lost is opened again by the scan's query.
                   CDBConnection& connection = document.Connection();
                   return connection.IsOpenRequested() ? &connection : nullptr;
               }),
      notes_(SystemClock, NoteHooks()),
      scanMark_(ScanMark::DefaultPath()) {
    std::string why;
    lastScanned_ = scanMark_.Read(why);
    if (!why.empty()) {
        LogWarning("Missed reminders are not looked for: " + why);
    }
    missedPending_ = lastScanned_.has_value();
    if (!lastScanned_ && why.empty()) {
        // The first start ever looks for nothing before it; the next one looks from here.
        if (const std::optional<LocalMinute> minute = LocalMinuteAt(start_)) {
            NoteScanned(minute->start);
        }
    }
    reminderDelivery_.SetScannedHook([this](std::time_t until) { NoteScanned(until); });
    reminderDelivery_.SetFiredHook([this](const ReminderNote& note) { AdvanceRepeatingDay(note); });
}

CMainFrame::~CMainFrame() {
    // Its "Open" reaches this frame.
    if (missedWindow_) {
        missedWindow_->Destroy();
    }
    // The queue's window wakes the mail worker: it goes before the worker does.
    delete mailQueue_.get();
    timer_.Stop();
    // No report may reach the frame from now on; a mail still in flight is aborted.
    reminderDelivery_.StopMail(std::chrono::milliseconds(0));
    // A reading still away is waited for and dropped.
    scanner_.SetBackgroundReader(nullptr);
    scheduleReader_.reset();
    if (keyStateHandler_ != 0) {
        g_signal_handler_disconnect(gdk_keymap_get_for_display(gdk_display_get_default()),
                                    keyStateHandler_);
    }
    UnmarkMainFrame(*this);
}

bool CMainFrame::Create() {
    // Start large: the view's first update shrinks the frame to its form.
    const wxRect desktop = wxDisplay(0u).GetClientArea();
    if (!wxFrame::Create(nullptr, wxID_ANY, kApplicationTitle, wxDefaultPosition,
                         desktop.GetSize())) {
        return false;
    }
    MarkMainFrame(*this);
    SetIcons(MainIcons());
    SetMenuBar(CreateMainMenuBar());

    CreateToolbar();
    if (GetToolBar() == nullptr) {
        return false;
    }
    CreateStatusPanes();
    if (GetStatusBar() == nullptr) {
        return false;
    }

    tray_ = std::make_unique<CSystemTray>(*this);
    tray_->Create(nullptr, kApplicationTitle, trayIcon_, kTrayMenuNumber);

    // Each due reminder opens its note and mails its attendants. The schedules are read over a
    // connection of the reader's own, to the same data source, and handed back to this thread.
    reminderDelivery_.SetNotes(&notes_);
    scanner_.SetDelivery(&reminderDelivery_);
    scheduleReader_ = MakeReadingThreadFor(*this, document_.Connection());
    scanner_.SetBackgroundReader(scheduleReader_.get());
    timer_.SetOwner(this, kReminderTimerId);
    timer_.Start(kReminderTimerPeriodMs);
    return true;
}

void CMainFrame::SetView(CCalvendraView* view) {
    view_ = view;
    if (view_ != nullptr) {
        SetAccessibleName(*view_->Tree(), _("Groups"), AccessibleRole::kTree);
        SetAccessibleName(*view_->List(), _("Items"), AccessibleRole::kTable);
        view_->WhenDatabaseFileChanges([this] {
            scheduleReader_->Read<bool>(
                [](CDBConnection& connection) {
                    connection.FollowDatabaseFile();
                    return true;
                },
                [](bool) {});
            // The mail worker's connection follows the file at its next use of the queue, which
            // a wake brings now.
            reminderDelivery_.WakeMail();
        });
    }
}

void CMainFrame::CreateToolbar() {
    wxToolBar* bar = CreateToolBar(wxTB_FLAT | wxTB_HORIZONTAL, kToolBarControlId);
    if (bar == nullptr) {
        return;
    }
    bar->SetToolBitmapSize(wxSize(16, 16));
    for (const ToolButton& button : kToolButtons) {
        bar->AddTool(button.id, wxGetTranslation(button.label), ToolbarImage(button.id),
                     CommandTooltip(button.id));
        bar->SetToolLongHelp(button.id, CommandPrompt(button.id));
    }
    bar->AddSeparator();
    bar->AddTool(kIdDeleteButton, _("Delete"), ToolbarImage(kIdDeleteButton), wxEmptyString,
                 wxITEM_DROPDOWN);
    bar->SetDropdownMenu(kIdDeleteButton, LoadPopupMenu(kDeleteMenuNumber));
    bar->Realize();
    NameDropDownArrows(*bar);
}

void CMainFrame::CreateStatusPanes() {
    wxStatusBar* bar = CreateStatusBar(kPaneCount, wxSTB_DEFAULT_STYLE, kStatusBarControlId);
    if (bar == nullptr) {
        return;
    }
    const int indicatorWidth = bar->GetTextExtent("SCRL").x + FromDIP(16);
    const int widths[kPaneCount] = {-1, indicatorWidth, indicatorWidth, indicatorWidth};
    bar->SetStatusWidths(kPaneCount, widths);
    GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
    if (keymap != nullptr) {
        keyStateHandler_ = g_signal_connect(keymap, "state-changed",
                                            G_CALLBACK(&CMainFrame::OnKeyStateChanged), this);
    }
    UpdateKeyIndicators();
}

void CMainFrame::OnKeyStateChanged(void*, void* frame) {
    static_cast<CMainFrame*>(frame)->UpdateKeyIndicators();
}

void CMainFrame::UpdateKeyIndicators() {
    wxStatusBar* bar = GetStatusBar();
    GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
    if (bar == nullptr || keymap == nullptr) {
        return;
    }
    bar->SetStatusText(gdk_keymap_get_caps_lock_state(keymap) ? "CAP" : "", kCapsPane);
    bar->SetStatusText(gdk_keymap_get_num_lock_state(keymap) ? "NUM" : "", kNumPane);
    bar->SetStatusText(gdk_keymap_get_scroll_lock_state(keymap) ? "SCRL" : "", kScrollPane);
}

bool CMainFrame::TryBefore(wxEvent& event) {
    const wxEventType type = event.GetEventType();
    if (view_ != nullptr && !forwarding_ && (type == wxEVT_MENU || type == wxEVT_UPDATE_UI)) {
        auto* origin = wxDynamicCast(event.GetEventObject(), wxWindow);
        const bool fromView = origin != nullptr && (origin == view_ || view_->IsDescendant(origin));
        if (!fromView) {
            forwarding_ = true;
            const bool handled = view_->ProcessWindowEventLocally(event);
            forwarding_ = false;
            if (handled) {
                return true;
            }
        }
    }
    return wxFrame::TryBefore(event);
}

void CMainFrame::ShowMaximised() {
    if (IsIconized()) {
        Iconize(false);
    }
    Maximize(true);
    Show(true);
    // A window still on its way out of view when the request came may miss the state it was
    // given while hidden: ask again now that it is shown.
    Maximize(true);
    // Window managers keep windows that no user touched from taking the focus; the request is
    // the user's (a tray click, a second launch), so it carries the current server time.
    auto* window = GTK_WINDOW(GetHandle());
    GdkWindow* native = gtk_widget_get_window(GTK_WIDGET(window));
    if (native != nullptr && GDK_IS_X11_WINDOW(native)) {
        gtk_window_present_with_time(window, gdk_x11_get_server_time(native));
    } else {
        Raise();
    }
}

void CMainFrame::OnShow(wxCommandEvent&) {
    ShowMaximised();
}

void CMainFrame::OnOption(wxCommandEvent&) {
    COptionDlg dialog(this);
    dialog.ShowModal();
}

void CMainFrame::OnMailQueue(wxCommandEvent&) {
    ShowMailQueue();
}

void CMainFrame::ShowMailQueue() {
    if (!mailQueue_) {
        mailQueue_ = new CMailQueueDlg(this, document_.Connection(),
                                       [this] { reminderDelivery_.WakeMail(); });
        // A window beside the main one, which the modal dialogs' naming does not reach.
        NameControlsByTheirLabels(*mailQueue_);
    }
    mailQueue_->Show();
    mailQueue_->Raise();
}

void CMainFrame::OnImport(wxCommandEvent&) {
    if (RunImportCommand(this, document_.Connection()) && view_ != nullptr) {
        view_->ReloadTree();
    }
}

void CMainFrame::OnExport(wxCommandEvent&) {
    Identifier group = 0;
    std::string name;
    if (view_ != nullptr && view_->CurrentGroupItem().IsOk()) {
        group = view_->GroupIdOf(view_->CurrentGroupItem());
        name = std::string(view_->Tree()->GetItemText(view_->CurrentGroupItem()).utf8_str());
    }
    RunExportCommand(this, document_.Connection(), group, name);
}

void CMainFrame::OnExit(wxCommandEvent&) {
    End();
}

void CMainFrame::OnClose(wxCloseEvent& event) {
    if (event.CanVeto()) {
        Hide();
        event.Veto();
        return;
    }
    // The session is ending: nothing can keep the window.
    End();
}

void CMainFrame::End() {
    tray_.reset();
    Hide();
    // The mail on its way gets a few seconds to go out; the log names every one that did not.
    reminderDelivery_.StopMail(DesktopReminderDelivery::kExitGrace);
    Destroy();
}

void CMainFrame::ShowMailOutcome(const MailOutcome& outcome) {
    wxStatusBar* bar = GetStatusBar();
    if (bar == nullptr) {
        return;
    }
    if (outcome.sent && outcome.recipientsLeftOut.empty()) {
        // The failure has had its answer; a message of another kind stays.
        if (!mailFailure_.empty() && bar->GetStatusText(kMessagePane) == mailFailure_) {
            bar->SetStatusText(wxEmptyString, kMessagePane);
        }
        mailFailure_.clear();
        return;
    }
    std::string line = outcome.sent ? MailLeftOutText(outcome) : MailFailureText(outcome);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = ' ';  // a server's reply of several lines stays on the one line of the pane
        }
    }
    mailFailure_ = wxString::FromUTF8(line);
    bar->SetStatusText(mailFailure_, kMessagePane);
}

ReminderNotes::Hooks CMainFrame::NoteHooks() {
    ReminderNotes::Hooks hooks;
    hooks.groupName = [this](Identifier groupId) {
        return view_ != nullptr ? view_->GroupNameInTree(groupId) : std::string();
    };
    hooks.menuBar = [this] { return MenuBarOnScreen(); };
    hooks.openSchedule = [this](Identifier scheduleId) { OpenSchedule(scheduleId); };
    return hooks;
}

std::optional<Rect> CMainFrame::MenuBarOnScreen() const {
    const wxMenuBar* bar = GetMenuBar();
    if (!IsShown() || IsIconized() || bar == nullptr || !bar->IsShown()) {
        return std::nullopt;
    }
    const wxRect area = bar->GetScreenRect();
    return Rect{area.x, area.y, area.GetRight() + 1, area.GetBottom() + 1};
}

void CMainFrame::OpenSchedule(Identifier scheduleId) {
    if (view_ == nullptr) {
        return;
    }
    if (!IsShown() || IsIconized()) {
        ShowMaximised();
    }
    view_->OpenSchedule(scheduleId);
}

void CMainFrame::AdvanceRepeatingDay(const ReminderNote& note) {
    const std::optional<LocalMinute> minute = LocalMinuteAt(note.due);
    if (!scheduleReader_ || !minute) {
        return;
    }
    scheduleReader_->Read<OdbcDiagnostic>(
        [id = note.scheduleId, date = minute->day.dateText](CDBConnection& connection) {
            OdbcDiagnostic failure;
            calvendra::AdvanceRepeatingDay(connection, id, date, failure);
            return failure;
        },
        [id = note.scheduleId](OdbcDiagnostic failure) {
            if (!failure.Empty()) {
                LogError("Reminder of schedule " + std::to_string(id) +
                         ": its next occurrence could not be stored: " + failure.Text());
            }
        });
}

void CMainFrame::MoveOverdueDays() {
    const std::optional<LocalMinute> started = LocalMinuteAt(start_);
    const std::optional<SpecialDate> today =
        started ? ReadSpecialDate(started->day.dateText) : std::nullopt;
    if (!scheduleReader_ || !today) {
        return;
    }
    scheduleReader_->Read<std::pair<int, OdbcDiagnostic>>(
        [today = *today](CDBConnection& connection) {
            OdbcDiagnostic failure;
            const int moved = MoveOverdueRepeatingDays(connection, today, failure);
            return std::make_pair(moved, failure);
        },
        [](std::pair<int, OdbcDiagnostic> outcome) {
            if (outcome.first > 0) {
                LogWarning(std::to_string(outcome.first) +
                           " repeating special days fell due while the organizer did not look "
                           "and were moved on to their next occurrence");
            }
            if (!outcome.second.Empty()) {
                LogError("Repeating special days that fell due unseen could not be moved on: " +
                         outcome.second.Text());
            }
        });
}

void CMainFrame::NoteScanned(std::time_t until) {
    // The old mark stays until the missed minutes before the start have been looked at.
    if (missedPending_) {
        return;
    }
    std::string why;
    if (!scanMark_.Write(until, why) && why != markFailure_) {
        LogError(
            "Where the reminder scan got to cannot be kept, so the next start may not find "
            "what it missed: " +
            why);
    }
    markFailure_ = why;
}

void CMainFrame::LookForMissedReminders() {
    if (!missedPending_ || missedReading_ || !scheduleReader_ || !lastScanned_) {
        return;
    }
    std::vector<LocalMinute> minutes = MissedMinutes(*lastScanned_, start_);
    if (minutes.empty()) {
        missedPending_ = false;
        MoveOverdueDays();
        return;
    }
    missedReading_ = true;
    MinuteBatch batch(minutes);
    scheduleReader_->Read<ScheduleReading>(
        [batch = std::move(batch)](CDBConnection& reading) {
            return ReadDueReminders(reading, batch);
        },
        [this, minutes = std::move(minutes)](ScheduleReading reading) {
            missedReading_ = false;
            TakeMissedReading(minutes, reading);
        });
}

void CMainFrame::TakeMissedReading(const std::vector<LocalMinute>& minutes,
                                   const ScheduleReading& reading) {
    if (!reading.failure.Empty()) {
        LogError(
            "The reminders missed before the start could not be read, they are looked for "
            "again at the next tick: " +
            reading.failure.Text());
        return;
    }
    missedPending_ = false;
    const std::vector<MissedReminder> missed = MissedReminders(minutes, reading.due, SystemClock());
    if (missed.empty()) {
        MoveOverdueDays();
        return;
    }
    std::vector<MissedRow> rows;
    for (const MissedReminder& reminder : missed) {
        const ReminderNote& note = reminder.note;
        AdvanceRepeatingDay(note);
        if (reminder.mailInTime) {
            try {
                reminderDelivery_.MailAttendants(note.subject, note.text, note.scheduleId,
                                                 note.due);
            } catch (const std::exception& failure) {
                LogError("Reminder of schedule " + std::to_string(note.scheduleId) +
                         ": the missed reminder's mail could not be queued: " + failure.what());
            }
        } else if (reminder.mail) {
            LogWarning("Reminder of schedule " + std::to_string(note.scheduleId) +
                       ": the mail was not sent, the reminder was missed by more than 60 minutes");
        }
        rows.push_back(
            {note.scheduleId, FromStoreText(note.subject), note.due,
             view_ != nullptr ? FromStoreText(view_->GroupNameInTree(note.groupId)) : wxString(),
             reminder.mail && !reminder.mailInTime});
    }
    // After the missed ones moved on, on the same reading thread.
    MoveOverdueDays();
    auto* window =
        new CMissedRemindersWnd(rows, [this](Identifier scheduleId) { OpenSchedule(scheduleId); });
    missedWindow_ = window;
    window->Show();
}

void CMainFrame::ScanReminders() {
    if (document_.Connection().IsOpenRequested()) {
        reminderDelivery_.StartMailQueue();
        LookForMissedReminders();
    }
    scanner_.Scan();
    notes_.ShowSnoozedDue();
}

void CMainFrame::OnTimer(wxTimerEvent& event) {
    ScanReminders();
    event.Skip();
}

void CMainFrame::OnIdle(wxIdleEvent& event) {
    // The settings dialog may have changed the e-mail settings: retries use them from now on.
    reminderDelivery_.PublishSettings();
    event.Skip();
}

void CMainFrame::ShowDeleteMenu() {
    wxToolBar* bar = GetToolBar();
    if (bar == nullptr) {
        return;
    }
    std::unique_ptr<wxMenu> menu(LoadPopupMenu(kDeleteMenuNumber));
    wxPoint under(0, bar->GetClientSize().y);
    GtkToolbar* native = bar->GTKGetToolbar();
    const int position = bar->GetToolPos(kIdDeleteButton);
    GtkToolItem* item =
        native != nullptr && position >= 0 ? gtk_toolbar_get_nth_item(native, position) : nullptr;
    if (item != nullptr) {
        GtkAllocation area;
        gtk_widget_get_allocation(GTK_WIDGET(item), &area);
        under = wxPoint(area.x, area.y + area.height);
    }
    bar->PopupMenu(menu.get(), under);
}

void CMainFrame::OnDeleteButton(wxCommandEvent&) {
    ShowDeleteMenu();
}

void CMainFrame::OnDeleteDropDown(wxCommandEvent& event) {
    if (event.GetId() != kIdDeleteButton) {
        event.Skip();
        return;
    }
    ShowDeleteMenu();
}

void CMainFrame::OnViewToolbar(wxCommandEvent&) {
    if (wxToolBar* bar = GetToolBar()) {
        bar->Show(!bar->IsShown());
        SendSizeEvent();
    }
}

void CMainFrame::OnViewStatusBar(wxCommandEvent&) {
    if (wxStatusBar* bar = GetStatusBar()) {
        bar->Show(!bar->IsShown());
        SendSizeEvent();
    }
}

void CMainFrame::OnUpdateViewToolbar(wxUpdateUIEvent& event) {
    event.Check(GetToolBar() != nullptr && GetToolBar()->IsShown());
}

void CMainFrame::OnUpdateViewStatusBar(wxUpdateUIEvent& event) {
    event.Check(GetStatusBar() != nullptr && GetStatusBar()->IsShown());
}

void CMainFrame::OnUpdateHandledCommand(wxUpdateUIEvent& event) {
    event.Enable(true);
}

void CMainFrame::OnUpdateUnhandledCommand(wxUpdateUIEvent& event) {
    event.Enable(false);
}

}  // namespace calvendra
