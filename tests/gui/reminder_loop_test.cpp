// Due reminders through the running organizer: the frame's scan finds them in a real database,
// the delivery it installed opens the notes and mails the attendants through a real SMTP server on
// loopback with the settings the user made, and "Exit" ends the program with notes open.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "app/calvendra_doc.h"
#include "app/desktop_reminder_delivery.h"
#include "app/main_frame.h"
#include "desktop/reminder_window.h"
#include "editors/email_set_dlg.h"
#include "reminders/reminder_scanner.h"
#include "resources/resource_ids.h"
#include "settings/email_settings_profile.h"
#include "settings/profile.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"
#include "tests/gui/support/x11_probe.h"
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
            "('1000000006','1000000001','Eve','eve@')");
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

    test::SmtpSinkServer server_;
};

TEST_F(ReminderLoopTest,
       TwoDueRemindersOpenTwoNotesAtTheTopLeftTheNewerAboveBothStayingWhenHidden) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start(true);
    ASSERT_TRUE(WaitUntil([&] { return Frame().IsShownOnScreen() && Frame().IsMaximized(); }));
    AddSchedule(2000000003, "Call Anna", "About the trip.", false);
    AddSchedule(2000000002, "Dentist", "At ten.", false);

    Frame().ScanReminders();

    const std::vector<CReminderWnd*> notes = OpenNotes();
    ASSERT_EQ(notes.size(), 2u);
    // In ascending schedule id: the dentist first.
    EXPECT_EQ(notes[0]->GetTitle(), "Dentist");
    EXPECT_EQ(NoteText(notes[0]), "At ten.");
    EXPECT_EQ(notes[1]->GetTitle(), "Call Anna");
    EXPECT_EQ(NoteText(notes[1]), "About the trip.");
    ASSERT_TRUE(WaitUntil([&] { return NoteIsInPlace(notes[0]) && NoteIsInPlace(notes[1]); }))
        << "the notes did not appear at 20,20, 200 by 200";

    // The server's own stacking, bottom first: the main window, the older note, the newer one.
    EXPECT_TRUE(WaitUntil([&] {
        return StackingPosition(&Frame()) >= 0 &&
               StackingPosition(&Frame()) < StackingPosition(notes[0]) &&
               StackingPosition(notes[0]) < StackingPosition(notes[1]);
    }));

    // Closing the main window hides it in the notification area; the notes stay.
    EXPECT_FALSE(Frame().Close());
    ASSERT_TRUE(WaitUntil([&] { return !Frame().IsShownOnScreen(); }));
    EXPECT_TRUE(NoteIsInPlace(notes[0]));
    EXPECT_TRUE(NoteIsInPlace(notes[1]));
    EXPECT_EQ(OpenNotes().size(), 2u);
}

TEST_F(ReminderLoopTest, AnEmptySubjectAndAnEmptyTextGiveAnEmptyCaptionAndAnEmptyTextBox) {
    Start();
    AddSchedule(2000000002, "", "", false);
    Frame().ScanReminders();
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

    Frame().ScanReminders();

    ASSERT_EQ(OpenNotes().size(), 1u);
    EXPECT_EQ(OpenNotes()[0]->GetTitle(), "Standup");
    const auto messages = server_.Messages();
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
    Frame().ScanReminders();
    ASSERT_EQ(OpenNotes().size(), 1u);
    EXPECT_EQ(server_.Sessions(), 0);
    EXPECT_TRUE(server_.Messages().empty());
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

    Frame().ScanReminders();

    ASSERT_EQ(OpenNotes().size(), 1u);
    const auto messages = server_.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Envelope(messages[0]),
              "organizer@example.org\r\n" + attendants[0] + " " + attendants[1]);
    EXPECT_THAT(messages[0], HasSubstr("\r\nTo: " + attendants[0] + "," + attendants[1] + "\r\n"));
}

// Nothing is shown for a failed mail (the test main fails the test on any dialog), and the scan
// goes on with the next due schedule.
TEST_F(ReminderLoopTest, AMailTheServerRefusesIsDroppedAndTheNextScheduleIsStillDelivered) {
    SaveMailSettings("organizer@example.org", server_.Port());
    Start();
    // The server refuses "eve@", and with it the whole first mail.
    AddSchedule(2000000002, "Refused", "Eve's address is broken.", true);
    Attend(2000000002, 1000000002);
    Attend(2000000002, 1000000006);
    AddSchedule(2000000003, "Delivered", "Bob's is fine.", true);
    Attend(2000000003, 1000000003);

    Frame().ScanReminders();

    const std::vector<CReminderWnd*> notes = OpenNotes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0]->GetTitle(), "Refused");
    EXPECT_EQ(notes[1]->GetTitle(), "Delivered");
    EXPECT_EQ(server_.Sessions(), 2);
    const auto messages = server_.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("\r\nSubject: Delivered\r\n"));
    EXPECT_THAT(Envelope(messages[0]), Not(HasSubstr("ann@example.org")));
}

// Nothing is shown, but the log says why the mail did not go; the note is open all the same.
TEST_F(ReminderLoopTest, AMailThatCannotGoOutIsLoggedWithItsReason) {
    SaveMailSettings("organizer@example.org", test::UnusedPort());
    Start();
    AddSchedule(2000000002, "Standup", "Room 4.", true);
    Attend(2000000002, 1000000002);
    const CapturedLog log;
    Frame().ScanReminders();
    EXPECT_EQ(OpenNotes().size(), 1u);
    EXPECT_THAT(log.Text(), HasSubstr(": Reminder of schedule 2000000002: the mail could not be "
                                      "sent: Connection refused\n"));
}

// The frame's scan on the system clock: nothing before the view has opened the database, then the
// minutes from the frame's creation on, so a schedule for the current minute is reminded even if
// the minute turns meanwhile.
TEST_F(ReminderLoopTest, TheFramesScanWaitsForTheDatabaseAndThenCoversTheMinutesSinceItsCreation) {
    CCalvendraDoc document;
    auto* frame = new CMainFrame(document);
    ASSERT_TRUE(frame->Create());
    AddSchedule(2000000002, "Now", "about now", false);

    frame->ScanReminders();
    EXPECT_TRUE(OpenNotes().empty()) << "no database yet";

    ASSERT_TRUE(document.Connection().OpenConnection());
    frame->ScanReminders();
    frame->ScanReminders();
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
    DesktopReminderDelivery delivery(Document().Connection(), Document().MailSettings());
    scanner.SetDelivery(&delivery);

    scanner.Scan();
    ASSERT_EQ(OpenNotes().size(), 2u);
    EXPECT_EQ(OpenNotes()[1]->GetTitle(), "Second");
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
    EXPECT_EQ(server_.Sessions(), 1);
    const auto messages = server_.Messages();
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
    Frame().ScanReminders();
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
    watchdog.StartOnce(10000);
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

}  // namespace
}  // namespace calvendra::testing
