// Due reminders through the running organizer: the frame's scan finds them in a real database,
// the delivery it installed opens the notes and has its mail worker mail the attendants through a
// real SMTP server on loopback with the settings the user made, in the order the reminders fell
// due; the status bar shows the last mail that failed; and "Exit" ends the program with notes
// open and with a mail still on its way.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "app/calvendra_doc.h"
#include "app/desktop_reminder_delivery.h"
#include "app/main_frame.h"
#include "desktop/missed_reminders_window.h"
#include "desktop/reminder_window.h"
#include "editors/email_set_dlg.h"
#include "editors/new_schedule_dlg.h"
#include "reminders/missed_minutes.h"
#include "reminders/reminder_scanner.h"
#include "resources/resource_ids.h"
#include "settings/email_settings_profile.h"
#include "settings/profile.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"
#include "tests/gui/support/x11_probe.h"
#include "tests/mail/mail_inbox.h"
#include "tests/mail/scripted_peer.h"
#include "tests/mail/smtp_sink_server.h"
#include "tests/support/captured_log.h"

namespace calvendra::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const Rect kNotePlace{20, 20, 220, 220};
constexpr char kSaveQuestion[] = "Do you want to save and use these email settings?";

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') {
            quoted += '\'';
        }
    }
    return quoted + "'";
}

// The local time of an instant as the schedule editor stores it.
std::string MinuteText(std::time_t instant) {
    std::tm fields{};
    localtime_r(&instant, &fields);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:00", &fields);
    return text;
}

// The notes on the screen, oldest first.
std::vector<CReminderWnd*> OpenNotes() {
    std::vector<CReminderWnd*> notes;
    for (wxWindow* window : wxTopLevelWindows) {
        if (auto* note = dynamic_cast<CReminderWnd*>(window); note && !note->IsBeingDeleted()) {
            notes.push_back(note);
        }
    }
    return notes;
}

std::string NoteText(CReminderWnd* note) {
    for (wxWindow* child : note->GetChildren()) {
        if (auto* text = dynamic_cast<wxTextCtrl*>(child)) {
            return text->GetValue().utf8_string();
        }
    }
    return "<no text box>";
}

// The envelope (sender and recipients) of a mail the server accepted.
std::string Envelope(const std::string& received) {
    return received.substr(0, received.find("\r\n\r\n"));
}

class ReminderLoopTest : public OrganizerTest {
protected:
    // One tick of the frame's scan, and the wait until the schedules it had read on the reader's
    // thread are back and what fell due is delivered.
    static void ScanAndDeliver(CMainFrame& frame) {
        frame.ScanReminders();
        ASSERT_TRUE(WaitUntil([&] { return !frame.Scanner().IsReadingInBackground(); }));
    }

    void SetUp() override {
        OrganizerTest::SetUp();
        std::string why;
        ASSERT_TRUE(server_.Start(why)) << why;
        Database().Execute(
            "insert into assist_contactmaininfo (contact_id, group_id, first_name, home_email) "
            "values ('1000000002','1000000001','Ann','ann@example.org'),"
            "('1000000003','1000000001','Bob','bob@example.org'),"
            "('1000000004','1000000001','Cy','Cy <cy@example.org>'),"
            "('1000000005','1000000001','Dee',''),"
            "('1000000006','1000000001','Eve','eve@'),"
            "('1000000007','1000000001','Una','unknown@example.org')");
    }

    CMainFrame& Frame() { return *Windows().frame; }
    CCalvendraDoc& Document() { return *Windows().document; }

    // The e-mail settings as an earlier session left them in the profile; the view loads them
    // when the organizer starts.
    void SaveMailSettings(const std::string& sender, int port) {
        SelectProfile();
        EmailSettings settings;
        settings.senderAddress = sender;
        settings.smtpServer = "127.0.0.1";
        settings.smtpPort = port;
        settings.smtpAccount = "unused-account";
        settings.smtpPassword = "unused-password";
        SaveEmailSettings(settings);
    }

    // A daily reminder at the given time, by default in the current minute.
    void AddSchedule(Identifier id, const std::string& subject, const std::string& text, bool mail,
                     const std::string& time = MinuteText(std::time(nullptr))) {
        Database().Execute("insert into assist_scheduleinfo values ('" + std::to_string(id) +
                           "','2000000001'," + Quoted(subject) + "," + Quoted(text) +
                           ",1,3,'0','','" + time + "'," + (mail ? "1" : "0") + ")");
    }

    void Attend(Identifier schedule, Identifier contact) {
        Database().Execute("insert into schedule_contact values ('" + std::to_string(schedule) +
                           "','" + std::to_string(contact) + "')");
    }

    // The attendants' addresses of a schedule in the order the database gives them to anyone.
    std::vector<std::string> AttendantsInQueryOrder(Identifier schedule) {
        std::vector<std::string> addresses;
        for (const auto& row : Database().Query(
                 "select home_email from assist_contactmaininfo,schedule_contact where "
                 "schedule_contact.schedule_id='" +
                 std::to_string(schedule) +
                 "' and schedule_contact.contact_id=assist_contactmaininfo.contact_id")) {
            addresses.push_back(row[0]);
        }
        return addresses;
    }

    static bool NoteIsInPlace(CReminderWnd* note) {
        return IsOnScreen(note) && XRect(note) == kNotePlace;
    }

    // The mail worker's messages as they arrive, while the window thread goes on with its events.
    std::vector<std::string> WaitForMessages(std::size_t count) {
        EXPECT_TRUE(WaitUntil([&] { return server_.Messages().size() >= count; }))
            << server_.Messages().size() << " of " << count << " messages arrived";
        return server_.Messages();
    }

    std::string StatusText() { return Frame().GetStatusBar()->GetStatusText(0).utf8_string(); }

    test::SmtpSinkServer server_;
};

// Two notes due together cascade below the maximised window's menu bar, each caption in sight.
TEST_F(ReminderLoopTest,
       TwoDueRemindersCascadeClearOfTheMenuBarTheNewerAboveBothStayingWhenHidden) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start(true);
    ASSERT_TRUE(WaitUntil([&] { return Frame().IsShownOnScreen() && Frame().IsMaximized(); }));
    AddSchedule(2000000003, "Call Anna", "About the trip.", false);
    AddSchedule(2000000002, "Dentist", "At ten.", false);

    ScanAndDeliver(Frame());

    const std::vector<CReminderWnd*> notes = OpenNotes();
    ASSERT_EQ(notes.size(), 2u);
    // In ascending schedule id: the dentist first.
    EXPECT_EQ(notes[0]->GetTitle(), "Dentist");
    EXPECT_EQ(NoteText(notes[0]), "At ten.");
    EXPECT_EQ(notes[1]->GetTitle(), "Call Anna");
    EXPECT_EQ(NoteText(notes[1]), "About the trip.");
    const wxRect bar = Frame().GetMenuBar()->GetScreenRect();
    const Rect menuBar{bar.x, bar.y, bar.GetRight() + 1, bar.GetBottom() + 1};
    const int step = notes[0]->Metrics().captionHeight + notes[0]->Metrics().border;
    const Rect first{20, menuBar.bottom, 220, menuBar.bottom + 200};
    Rect second = first;
    second.Offset(step, step);
    ASSERT_TRUE(WaitUntil([&] {
        return IsOnScreen(notes[0]) && IsOnScreen(notes[1]) && XRect(notes[0]) == first &&
               XRect(notes[1]) == second;
    })) << "the notes did not cascade from 20,"
        << menuBar.bottom;
    EXPECT_FALSE(Intersects(XRect(notes[0]), menuBar));
    EXPECT_FALSE(Intersects(XRect(notes[1]), menuBar));

    // The server's own stacking, bottom first: the main window, the older note, the newer one.
    EXPECT_TRUE(WaitUntil([&] {
        return StackingPosition(&Frame()) >= 0 &&
               StackingPosition(&Frame()) < StackingPosition(notes[0]) &&
               StackingPosition(notes[0]) < StackingPosition(notes[1]);
    }));

    // Closing the main window hides it in the notification area; the notes stay.
    EXPECT_FALSE(Frame().Close());
    ASSERT_TRUE(WaitUntil([&] { return !Frame().IsShownOnScreen(); }));
    EXPECT_EQ(XRect(notes[0]), first);
    EXPECT_EQ(XRect(notes[1]), second);
    EXPECT_EQ(OpenNotes().size(), 2u);
}

TEST_F(ReminderLoopTest, AnEmptySubjectAndAnEmptyTextGiveAnEmptyCaptionAndAnEmptyTextBox) {
    Start();
    AddSchedule(2000000002, "", "", false);
    ScanAndDeliver(Frame());
    const std::vector<CReminderWnd*> notes = OpenNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0]->GetTitle(), "");
    EXPECT_EQ(NoteText(notes[0]), "");
    EXPECT_TRUE(WaitUntil([&] { return NoteIsInPlace(notes[0]); }));
}

TEST_F(ReminderLoopTest, ThreeAttendantsGetOneMessageInQueryOrderFromTheConfiguredSender) {
    SaveMailSettings("Organizer <organizer@example.org>", server_.Port());
    Start();
    AddSchedule(2000000002, "Standup", "Room 4.\n.\nBring notes.", true);
    Attend(2000000002, 1000000004);
    Attend(2000000002, 1000000002);
    Attend(2000000002, 1000000003);
    const std::vector<std::string> attendants = AttendantsInQueryOrder(2000000002);
    ASSERT_EQ(attendants.size(), 3u);

    ScanAndDeliver(Frame());

    ASSERT_EQ(OpenNotes().size(), 1u);
    EXPECT_EQ(OpenNotes()[0]->GetTitle(), "Standup");
    const auto messages = WaitForMessages(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(server_.Sessions(), 1);
    // Each attendant's bare address on the envelope, each as written in the To header.
    std::vector<std::string> bare;
    for (const std::string& address : attendants) {
        bare.push_back(address == "Cy <cy@example.org>" ? "cy@example.org" : address);
    }
    EXPECT_EQ(Envelope(messages[0]),
              "organizer@example.org\r\n" + bare[0] + " " + bare[1] + " " + bare[2]);
    EXPECT_THAT(messages[0], HasSubstr("\r\nTo: " + attendants[0] + "," + attendants[1] + "," +
                                       attendants[2] + "\r\n"));
    EXPECT_THAT(messages[0], HasSubstr("\r\nFrom: Organizer <organizer@example.org>\r\n"));
    EXPECT_THAT(messages[0], HasSubstr("\r\nSubject: Standup\r\n"));
    EXPECT_THAT(messages[0], HasSubstr("\r\n\r\nRoom 4.\r\n.\r\nBring notes.\r\n"));
}

TEST_F(ReminderLoopTest, WithoutAttendantsTheNoteOpensAndNoSessionIsOpened) {
    SaveMailSettings("organizer@example.org", server_.Port());
    Start();
    AddSchedule(2000000002, "Alone", "Nobody to tell.", true);
    AddSchedule(2000000003, "Company", "Ann comes.", true);
    Attend(2000000003, 1000000002);
    ScanAndDeliver(Frame());
    ASSERT_EQ(OpenNotes().size(), 2u);
    // The second schedule's mail is the only one, in the only session.
    const auto messages = WaitForMessages(1);
    EXPECT_EQ(server_.Sessions(), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("\r\nSubject: Company\r\n"));
}

TEST_F(ReminderLoopTest, AnAttendantWithoutAddressLeavesTheOthersTheirMail) {
    SaveMailSettings("organizer@example.org", server_.Port());
    Start();
    AddSchedule(2000000002, "Lunch", "At noon.", true);
    Attend(2000000002, 1000000002);
    Attend(2000000002, 1000000005);
    Attend(2000000002, 1000000003);
    std::vector<std::string> attendants = AttendantsInQueryOrder(2000000002);
    ASSERT_EQ(std::count(attendants.begin(), attendants.end(), ""), 1);
    attendants.erase(std::find(attendants.begin(), attendants.end(), ""));

    ScanAndDeliver(Frame());

    ASSERT_EQ(OpenNotes().size(), 1u);
    const auto messages = WaitForMessages(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Envelope(messages[0]),
              "organizer@example.org\r\n" + attendants[0] + " " + attendants[1]);
    EXPECT_THAT(messages[0], HasSubstr("\r\nTo: " + attendants[0] + "," + attendants[1] + "\r\n"));
}

// Nothing is shown for a failed mail but a line in the status bar (the test main fails the test on
// any dialog), and the scan goes on with the next due schedule, whose mail clears the line.
TEST_F(ReminderLoopTest, AMailTheServerRefusesIsDroppedAndTheNextScheduleIsStillDelivered) {
    SaveMailSettings("organizer@example.org", server_.Port());
    Start();
    // The server has no mailbox "unknown@example.org", and refuses the whole first mail.
    AddSchedule(2000000002, "Refused", "Una's address is not the server's.", true);
    Attend(2000000002, 1000000002);
    Attend(2000000002, 1000000007);
    AddSchedule(2000000003, "Delivered", "Bob's is fine.", true);
    Attend(2000000003, 1000000003);

    const CapturedLog log;
    ScanAndDeliver(Frame());

    const std::vector<CReminderWnd*> notes = OpenNotes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0]->GetTitle(), "Refused");
    EXPECT_EQ(notes[1]->GetTitle(), "Delivered");
    const auto messages = WaitForMessages(1);
    EXPECT_EQ(server_.Sessions(), 2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("\r\nSubject: Delivered\r\n"));
    EXPECT_THAT(Envelope(messages[0]), Not(HasSubstr("ann@example.org")));
    EXPECT_THAT(log.Text(), HasSubstr("Reminder \"Refused\" (schedule 2000000002): the mail was "
                                      "not sent through 127.0.0.1, port " +
                                      std::to_string(server_.Port()) +
                                      ": The mail server did not accept a recipient (RCPT TO): "));
    // The failure came first and was answered by the mail that went out after it.
    EXPECT_TRUE(WaitUntil([&] { return StatusText().empty(); })) << StatusText();
}

// An address that is no valid mail address never reaches the server: that attendant alone is left
// out, the log names the contact and why, and the status bar says the mail went without them.
TEST_F(ReminderLoopTest, AnAttendantWithAnInvalidAddressIsLeftOutAndNamed) {
    SaveMailSettings("organizer@example.org", server_.Port());
    Database().Execute(
        "insert into assist_contactmaininfo (contact_id, group_id, first_name, last_name, "
        "home_email) values ('1000000008','1000000001','Mal','Lory',"
        "'to1@example.org> NOTIFY=SUCCESS,FAILURE ORCPT=rfc822;x@y')");
    Start();
    AddSchedule(2000000002, "Standup", "Room 4.", true);
    Attend(2000000002, 1000000002);
    Attend(2000000002, 1000000006);
    Attend(2000000002, 1000000008);
    Attend(2000000002, 1000000003);
    const CapturedLog log;
    ScanAndDeliver(Frame());

    std::vector<std::string> valid = AttendantsInQueryOrder(2000000002);
    valid.erase(std::remove_if(valid.begin(), valid.end(),
                               [](const std::string& address) {
                                   return address != "ann@example.org" &&
                                          address != "bob@example.org";
                               }),
                valid.end());
    ASSERT_EQ(valid.size(), 2u);
    const auto messages = WaitForMessages(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Envelope(messages[0]), "organizer@example.org\r\n" + valid[0] + " " + valid[1]);
    EXPECT_THAT(messages[0], HasSubstr("\r\nTo: " + valid[0] + "," + valid[1] + "\r\n"));
    EXPECT_THAT(log.Text(), HasSubstr("The reminder mail \"Standup\" leaves out Eve (contact "
                                      "1000000006): the address \"eve@\" is no valid mail "
                                      "address: it has no domain after the \"@\""));
    EXPECT_THAT(log.Text(),
                HasSubstr("leaves out Mal Lory (contact 1000000008): the address "
                          "\"to1@example.org> NOTIFY=SUCCESS,FAILURE ORCPT=rfc822;x@y\" is no "
                          "valid mail address: its domain holds \">\" (octet 16)"));
    EXPECT_TRUE(WaitUntil([&] { return !StatusText().empty(); }));
    EXPECT_THAT(StatusText(),
                ::testing::MatchesRegex("Reminder \"Standup\" \\(schedule 2000000002\\): sent "
                                        "without (Eve|Mal Lory) \\(contact 100000000[68]\\) and 1 "
                                        "more, whose addresses are not valid \\(the log says "
                                        "why\\)"));
}

// No dialog, but the log says why the mail did not go, once, with the subject, the server and
// the port, and the status bar shows it until a mail goes out; the note is open all the same.
TEST_F(ReminderLoopTest, AMailThatCannotGoOutIsLoggedWithItsReasonAndShownInTheStatusBar) {
    const std::uint16_t port = test::UnusedPort();
    SaveMailSettings("organizer@example.org", port);
    Start();
    AddSchedule(2000000002, "Standup", "Room 4.", true);
    Attend(2000000002, 1000000002);
    const CapturedLog log;
    ScanAndDeliver(Frame());
    EXPECT_EQ(OpenNotes().size(), 1u);
    const std::string line =
        "Reminder \"Standup\" (schedule 2000000002): the mail was not sent "
        "through 127.0.0.1, port " +
        std::to_string(port) + ": Connection refused; it is tried again at ";
    ASSERT_TRUE(WaitUntil([&] { return StatusText().rfind(line, 0) == 0; })) << StatusText();
    const std::string text = log.Text();
    EXPECT_THAT(text, HasSubstr(": " + StatusText() + "\n"));
    EXPECT_EQ(text.find("not sent", text.find("not sent") + 1), std::string::npos) << text;

    // A mail whose attendants cannot be read fails on the window thread, and is told the same way.
    Database().Execute("drop table schedule_contact");
    std::mutex lock;
    std::vector<MailOutcome> reported;
    DesktopReminderDelivery delivery(Document().Connection(), Document().MailSettings(),
                                     [&](const MailOutcome& outcome) {
                                         const std::lock_guard<std::mutex> guard(lock);
                                         reported.push_back(outcome);
                                     });
    delivery.MailAttendants("Retro", "", 2000000003, std::time(nullptr) / 60 * 60);
    ASSERT_TRUE(WaitUntil([&] {
        const std::lock_guard<std::mutex> guard(lock);
        return !reported.empty();
    }));
    const std::string retro = MailFailureText(reported[0]);
    EXPECT_THAT(retro, ::testing::StartsWith("Reminder \"Retro\" (schedule 2000000003): the mail "
                                             "was not sent: the mail could not be queued: "));
    EXPECT_THAT(log.Text(), HasSubstr(": " + retro + "\n"));
}

// The frame's scan on the system clock: nothing before the view has opened the database, then the
// minutes from the frame's creation on, so a schedule for the current minute is reminded even if
// the minute turns meanwhile.
TEST_F(ReminderLoopTest, TheFramesScanWaitsForTheDatabaseAndThenCoversTheMinutesSinceItsCreation) {
    CCalvendraDoc document;
    auto* frame = new CMainFrame(document);
    ASSERT_TRUE(frame->Create());
    AddSchedule(2000000002, "Now", "about now", false);

    ScanAndDeliver(*frame);
    EXPECT_TRUE(OpenNotes().empty()) << "no database yet";

    ASSERT_TRUE(document.Connection().OpenConnection());
    ScanAndDeliver(*frame);
    ScanAndDeliver(*frame);
    ASSERT_EQ(OpenNotes().size(), 1u);
    EXPECT_EQ(OpenNotes()[0]->GetTitle(), "Now");
    frame->Destroy();
    PumpEvents();
}

// The user finds that no mail arrives, corrects the settings in the "Email Setting" dialog, and
// the next reminder's mail goes out with them, without a restart. The scan runs on a clock of the
// test's own here, so that the next minute comes at once.
TEST_F(ReminderLoopTest, AnUnreachableServerShowsNothingAndCorrectedSettingsReachTheNextMail) {
    SaveMailSettings("old@example.org", test::UnusedPort());
    Start();
    const std::time_t nine = std::time(nullptr) / 3600 * 3600 + 9 * 60;
    AddSchedule(2000000002, "First", "Nobody hears of this one.", true, MinuteText(nine));
    AddSchedule(2000000003, "Second", "Nor of this one.", true, MinuteText(nine));
    AddSchedule(2000000004, "Third", "This one arrives.", true, MinuteText(nine + 60));
    for (Identifier schedule : {2000000002L, 2000000003L, 2000000004L}) {
        Attend(schedule, 1000000002);
    }
    std::time_t now = nine + 30;
    ReminderScanner scanner([&] { return now; }, nine, [&] { return &Document().Connection(); });
    std::atomic<int> failed{0};
    DesktopReminderDelivery delivery(Document().Connection(), Document().MailSettings(),
                                     [&](const MailOutcome& outcome) { failed += !outcome.sent; });
    scanner.SetDelivery(&delivery);

    scanner.Scan();
    ASSERT_EQ(OpenNotes().size(), 2u);
    EXPECT_EQ(OpenNotes()[1]->GetTitle(), "Second");
    ASSERT_TRUE(WaitUntil([&] { return failed == 2; }));
    EXPECT_EQ(server_.Sessions(), 0);

    wxTEST_DIALOG(Frame().ProcessCommand(resources::kIdEmailSetting),
                  ExpectDialog<CEmailSetDlg>([&](CEmailSetDlg* dialog) {
                      EXPECT_EQ(dialog->SenderEdit()->GetValue(), "old@example.org");
                      dialog->SenderEdit()->ChangeValue("Organizer <new@example.org>");
                      dialog->PortEdit()->ChangeValue(std::to_string(server_.Port()));
                      wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
                      click.SetEventObject(dialog->FindWindow(wxID_OK));
                      dialog->GetEventHandler()->ProcessEvent(click);
                      return dialog->GetReturnCode();
                  }),
                  ExpectMessage(kSaveQuestion, wxYES));
    ASSERT_EQ(Document().MailSettings().smtpPort, server_.Port());

    now += 60;
    scanner.Scan();
    ASSERT_EQ(OpenNotes().size(), 3u);
    const auto messages = WaitForMessages(1);
    EXPECT_EQ(server_.Sessions(), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Envelope(messages[0]), "new@example.org\r\nann@example.org");
    EXPECT_THAT(messages[0], HasSubstr("\r\nFrom: Organizer <new@example.org>\r\n"));
    EXPECT_THAT(messages[0], HasSubstr("\r\nSubject: Third\r\n"));
}

// The program's main loop, as it runs in the organizer: closing a note leaves the program
// running, and "Exit" ends it although notes are still open, the main window hidden.
TEST_F(ReminderLoopTest, ExitEndsTheProgramWhileNotesAreOpen) {
    Start(true);
    // As start-up makes it: the main frame is the program's top window.
    wxTheApp->SetTopWindow(&Frame());
    AddSchedule(2000000002, "Stays open", "", false);
    AddSchedule(2000000003, "Closed by the user", "", false);
    AddSchedule(2000000004, "Also open", "", false);
    ScanAndDeliver(Frame());
    std::vector<CReminderWnd*> notes = OpenNotes();
    ASSERT_EQ(notes.size(), 3u);
    ASSERT_TRUE(WaitUntil([&] { return IsOnScreen(notes[2]); }));
    EXPECT_FALSE(Frame().Close());

    // Steps taken from inside the running loop: close a note, wait until it is freed, see the
    // loop still running, then "Exit". A watchdog ends a loop that does not end by itself.
    bool runningAfterClose = false;
    bool timedOut = false;
    wxTimer steps;
    steps.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (notes[1] != nullptr) {
            notes[1]->Close();
            notes[1] = nullptr;
        } else if (OpenNotes().size() == 2 && wxTopLevelWindows.GetCount() == 3) {
            runningAfterClose = wxTheApp->IsMainLoopRunning();
            steps.Stop();
            Frame().ProcessCommand(resources::kIdExit);
        }
    });
    steps.Start(20);
    wxTimer watchdog;
    watchdog.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        timedOut = true;
        wxTheApp->ExitMainLoop();
    });
    watchdog.StartOnce(60000);
    // The application's own run, which makes the loop end when the last window that counts goes.
    wxTheApp->OnRun();
    steps.Stop();
    watchdog.Stop();

    EXPECT_TRUE(runningAfterClose);
    EXPECT_FALSE(timedOut) << "the main loop went on after Exit";
    PumpEvents();
    EXPECT_TRUE(OpenNotes().empty());
    EXPECT_EQ(wxTopLevelWindows.GetCount(), 0u);
}

// The worker mails in the order the reminders fell due, one mail after the other, while the scan
// has long returned: a server that keeps the first mail's greeting back holds the others behind
// it, and the window thread does not wait for any of them.
TEST_F(ReminderLoopTest, MailsGoOutInScanOrderWhileTheWindowThreadGoesOn) {
    std::atomic<bool> release{false};
    std::atomic<bool> waitingAtRelease{false};
    std::atomic<int> sessions{0};
    test::MailInbox inbox;
    test::ScriptedServer server(
        [&](test::Peer& peer) {
            if (sessions++ == 0) {
                while (!release) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                // Nothing to read yet: the client still waits for the greeting.
                pollfd entry{peer.Fd(), POLLIN, 0};
                waitingAtRelease = ::poll(&entry, 1, 0) == 0;
            }
            inbox.Take(peer);
        },
        3);
    SaveMailSettings("organizer@example.org", server.Port());
    Start();
    for (const Identifier id : {2000000002L, 2000000003L, 2000000004L}) {
        AddSchedule(id, "Mail " + std::to_string(id), "", true);
        Attend(id, 1000000002);
    }
    ScanAndDeliver(Frame());
    // Back on the window thread with every note open, the first mail held at the server.
    EXPECT_EQ(OpenNotes().size(), 3u);
    release = true;
    server.Join();
    EXPECT_TRUE(waitingAtRelease) << "the first session was over before the scan returned";
    EXPECT_EQ(sessions, 3);
    EXPECT_THAT(inbox.Subjects(),
                ::testing::ElementsAre("Mail 2000000002", "Mail 2000000003", "Mail 2000000004"));
}

// "Exit" while a server keeps a mail waiting: the program waits a few seconds for it, then
// aborts it and ends; that mail is logged as not sent, and it and the one queued behind it wait in
// the database's queue for the next organizer.
TEST_F(ReminderLoopTest, ExitWithAMailInFlightEndsAndLogsWhatWasNotSent) {
    std::atomic<bool> connected{false};
    std::atomic<bool> closed{false};
    test::ScriptedServer silent([&](test::Peer& peer) {
        connected = true;
        closed = peer.WaitForClose();
    });
    SaveMailSettings("organizer@example.org", silent.Port());
    Start();
    AddSchedule(2000000002, "In flight", "", true);
    AddSchedule(2000000003, "Queued", "", true);
    Attend(2000000002, 1000000002);
    Attend(2000000003, 1000000002);
    const CapturedLog log;
    ScanAndDeliver(Frame());
    // Exit comes once the mail is in flight: the mail worker has its session with the server.
    ASSERT_TRUE(WaitUntil([&] { return connected.load(); }));
    Frame().ProcessCommand(resources::kIdExit);
    PumpEvents();
    EXPECT_EQ(wxTopLevelWindows.Find(&Frame()), nullptr);
    silent.Join();
    EXPECT_TRUE(closed) << "the session was still open after Exit";
    const std::string text = log.Text();
    EXPECT_THAT(text, HasSubstr("Reminder \"In flight\" (schedule 2000000002): the mail was not "
                                "sent through 127.0.0.1, port " +
                                std::to_string(silent.Port()) +
                                ": the program ended before it went out; it waits in the queue "
                                "for the next organizer\n"))
        << text;
    EXPECT_EQ(Database().QueryColumn("select state from mail_queue order by schedule_id"),
              (std::vector<std::string>{"waiting", "waiting"}));
}

// A click on one of a note's buttons, handled before this returns.
void Click(wxButton* button) {
    ASSERT_NE(button, nullptr);
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->ProcessWindowEvent(click);
}

// A choice from the note's snooze menu, as the menu sends it to the note.
void ChooseSnooze(CReminderWnd* note, SnoozeChoice choice) {
    wxCommandEvent chosen(wxEVT_MENU, CReminderWnd::SnoozeMenuId(choice));
    chosen.SetEventObject(note);
    note->ProcessWindowEvent(chosen);
    PumpEvents();
}

std::vector<std::string> MenuLabels(wxMenu& menu) {
    std::vector<std::string> labels;
    for (const wxMenuItem* item : menu.GetMenuItems()) {
        labels.push_back(item->GetItemLabel().utf8_string());
    }
    return labels;
}

// The note says when it was due and in which group, offers the snooze menu and "Open", and a
// snoozed note comes back at its time by the organizer's clock, with no second mail.
TEST_F(ReminderLoopTest, ASnoozedNoteComesBackAtItsTimeWithoutASecondMail) {
    SaveMailSettings("organizer@example.org", server_.Port());
    std::time_t now = std::time(nullptr);
    AddSchedule(2000000002, "Standup", "Room 4", true, MinuteText(now));
    Attend(2000000002, 1000000002);
    Start();
    Frame().Notes().SetClock([&now] { return now; });
    ScanAndDeliver(Frame());
    ASSERT_EQ(OpenNotes().size(), 1u);
    CReminderWnd* note = OpenNotes()[0];
    ASSERT_EQ(WaitForMessages(1).size(), 1u);

    ASSERT_NE(note->DetailsLabel(), nullptr);
    const std::string details = note->DetailsLabel()->GetLabel().utf8_string();
    EXPECT_THAT(details, HasSubstr("Due "));
    EXPECT_THAT(details, HasSubstr(MinuteText(now).substr(0, 5)));
    EXPECT_THAT(details, HasSubstr("All Schedules"));
    EXPECT_TRUE(note->OpenButton()->IsEnabled());
    std::unique_ptr<wxMenu> menu(note->MakeSnoozeMenu());
    EXPECT_EQ(MenuLabels(*menu),
              (std::vector<std::string>{"5 Minutes", "10 Minutes", "15 Minutes", "30 Minutes",
                                        "1 Hour", "Tomorrow at the Same Time"}));

    ChooseSnooze(note, SnoozeChoice::kTenMinutes);
    EXPECT_TRUE(WaitUntil([] { return OpenNotes().empty(); }));
    ASSERT_EQ(Frame().Notes().Snoozed().Waiting().size(), 1u);
    EXPECT_EQ(Frame().Notes().Snoozed().Waiting()[0].wakeAt, now + 600);

    now += 599;
    Frame().ScanReminders();
    PumpEvents();
    EXPECT_TRUE(OpenNotes().empty());
    now += 1;
    Frame().ScanReminders();
    ASSERT_TRUE(WaitUntil([] { return OpenNotes().size() == 1; }));
    note = OpenNotes()[0];
    EXPECT_EQ(note->GetTitle(), "Standup");
    EXPECT_EQ(NoteText(note), "Room 4");
    EXPECT_EQ(note->DetailsLabel()->GetLabel().utf8_string(), details);
    EXPECT_TRUE(Frame().Notes().Snoozed().Waiting().empty());

    EXPECT_EQ(Database().QueryValue("select count(*) from mail_queue"), "1");
    EXPECT_EQ(server_.Messages().size(), 1u);
}

// A snooze is kept in the user's state: the note comes back after the organizer was restarted.
TEST_F(ReminderLoopTest, ASnoozeOutlivesARestartAndOpenShowsTheSchedule) {
    std::time_t now = std::time(nullptr);
    AddSchedule(2000000002, "Pay rent", "Transfer to the landlord", false, MinuteText(now));
    Start();
    Frame().Notes().SetClock([&now] { return now; });
    ScanAndDeliver(Frame());
    ASSERT_EQ(OpenNotes().size(), 1u);
    ChooseSnooze(OpenNotes()[0], SnoozeChoice::kFiveMinutes);
    ASSERT_TRUE(WaitUntil([] { return OpenNotes().empty(); }));
    // The schedule's own reminder must not be what brings the note back.
    Database().Execute("update assist_scheduleinfo set remind=0");

    Frame().Destroy();
    PumpEvents();
    Start();
    Frame().Notes().SetClock([&now] { return now; });
    now += 300;
    Frame().ScanReminders();
    ASSERT_TRUE(WaitUntil([] { return OpenNotes().size() == 1; }));
    CReminderWnd* note = OpenNotes()[0];
    EXPECT_EQ(note->GetTitle(), "Pay rent");

    // "Open": the schedule editor on the schedule.
    wxTEST_DIALOG(Click(note->OpenButton()),
                  ExpectDialog<CNewScheduleDlg>([](CNewScheduleDlg* editor) {
                      EXPECT_EQ(editor->SubjectEdit()->GetValue(), "Pay rent");
                      return wxID_CANCEL;
                  }));
    EXPECT_EQ(OpenNotes().size(), 1u);
}

// The date of an instant as the schedule editor stores a special day.
std::string DateText(std::time_t instant) {
    std::tm fields{};
    localtime_r(&instant, &fields);
    return std::to_string(fields.tm_year + 1900) + "-" + std::to_string(fields.tm_mon + 1) + "-" +
           std::to_string(fields.tm_mday);
}

std::time_t MinuteStart(std::time_t instant) {
    return LocalMinuteAt(instant)->start;
}

class MissedRemindersTest : public ReminderLoopTest {
protected:
    // As if the last run's scan had ended `ago` seconds before now.
    static void StoppedAgo(std::time_t ago) {
        std::string why;
        ASSERT_TRUE(
            ScanMark(ScanMark::DefaultPath()).Write(MinuteStart(std::time(nullptr)) - ago, why))
            << why;
    }

    CMissedRemindersWnd* WaitForMissedWindow() {
        Frame().ScanReminders();
        EXPECT_TRUE(WaitUntil([&] { return !Frame().LookingForMissedReminders(); }));
        PumpEvents();
        return Frame().MissedWindow();
    }

    static std::vector<std::string> Column(CMissedRemindersWnd& window, std::size_t column) {
        std::vector<std::string> texts;
        for (const auto& cells : window.Cells()) {
            texts.push_back(cells.at(column)->GetLabel().utf8_string());
        }
        return texts;
    }
};

// Stopped for three hours: what fell due meanwhile is listed once, in due order, with no note;
// the mail of the one less than an hour late is queued, the other's is said to be too late.
TEST_F(MissedRemindersTest, AStopOfThreeHoursListsWhatFellDueAndMailsOnlyWithinTheHour) {
    SaveMailSettings("organizer@example.org", server_.Port());
    const std::time_t now = std::time(nullptr);
    AddSchedule(2000000002, "Too late to mail", "", true, MinuteText(now - 2 * 3600));
    AddSchedule(2000000003, "Still mailed", "Half an hour ago", true, MinuteText(now - 1800));
    AddSchedule(2000000004, "Before the stop", "", true, MinuteText(now - 4 * 3600));
    Attend(2000000002, 1000000002);
    Attend(2000000003, 1000000003);
    StoppedAgo(3 * 3600);
    Start();

    CMissedRemindersWnd* window = WaitForMissedWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetTitle(), "Missed Reminders");
    EXPECT_EQ(Column(*window, 0), (std::vector<std::string>{"Too late to mail", "Still mailed"}));
    EXPECT_EQ(Column(*window, 2), (std::vector<std::string>{"All Schedules", "All Schedules"}));
    EXPECT_THAT(Column(*window, 1)[1], HasSubstr(MinuteText(now - 1800).substr(0, 5)));
    ASSERT_NE(window->LateMailText(), nullptr);
    // The sentence is wrapped to the window's width.
    wxString sentence = window->LateMailText()->GetLabel();
    sentence.Replace("\n", " ");
    EXPECT_EQ(sentence.utf8_string(),
              "The mail to the attendants was not sent: more than 60 minutes late (\"Too late to "
              "mail\").");
    EXPECT_TRUE(OpenNotes().empty());

    const auto messages = WaitForMessages(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("\r\nSubject: Still mailed\r\n"));
    EXPECT_EQ(Database().Query("select schedule_id, due_minute from mail_queue"),
              (Rows{{"2000000003", std::to_string(MinuteStart(now - 1800))}}));

    // "Open" opens the schedule; "Dismiss All" closes the window.
    wxTEST_DIALOG(Click(window->OpenButtons().at(1)),
                  ExpectDialog<CNewScheduleDlg>([](CNewScheduleDlg* editor) {
                      EXPECT_EQ(editor->SubjectEdit()->GetValue(), "Still mailed");
                      return wxID_CANCEL;
                  }));
    Click(window->DismissButton());
    EXPECT_TRUE(WaitUntil([&] { return Frame().MissedWindow() == nullptr; }));

    // The next start finds nothing missed.
    Frame().Destroy();
    PumpEvents();
    Start();
    EXPECT_EQ(WaitForMissedWindow(), nullptr);
}

// Stopped for eight days: only the last seven are looked at; a daily reminder is listed once.
TEST_F(MissedRemindersTest, AStopOfEightDaysLooksBackSevenAndADailyReminderIsListedOnce) {
    const std::time_t now = std::time(nullptr);
    const std::time_t inside = now - 7 * 86400 + 3600;
    const std::time_t outside = now - 7 * 86400 - 3600;
    Database().Execute(
        "insert into assist_scheduleinfo values"
        " ('2000000002','2000000001','Inside','',1,1,'0','" +
        DateText(inside) + "','" + MinuteText(inside) +
        "',0),"
        " ('2000000003','2000000001','Outside','',1,1,'0','" +
        DateText(outside) + "','" + MinuteText(outside) + "',0)");
    AddSchedule(2000000004, "Every day", "", false, MinuteText(now - 1800));
    StoppedAgo(8 * 86400);
    Start();
    CMissedRemindersWnd* window = WaitForMissedWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Column(*window, 0), (std::vector<std::string>{"Inside", "Every day"}));
    EXPECT_EQ(window->LateMailText(), nullptr);
    EXPECT_TRUE(OpenNotes().empty());
}

// The first start ever looks back at nothing, and leaves the mark for the next.
TEST_F(MissedRemindersTest, TheFirstStartEverLooksBackAtNothing) {
    const std::time_t now = std::time(nullptr);
    AddSchedule(2000000002, "Before the first start", "", false, MinuteText(now - 1800));
    Start();
    EXPECT_EQ(WaitForMissedWindow(), nullptr);
    std::string why;
    EXPECT_TRUE(ScanMark(ScanMark::DefaultPath()).Read(why).has_value()) << why;
}

}  // namespace
}  // namespace calvendra::testing
