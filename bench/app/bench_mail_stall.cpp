// How long the window thread's event loop stalls while the organizer delivers reminders whose mail
// goes to a server that never answers. The organizer's own scan and delivery run inside a real
// wx event loop on a real database; a 5 ms timer measures the loop: the longest gap between two of
// its ticks, beyond the 5 ms, is the longest time the window could not react. The server accepts
// every connection and says nothing, so each mail would wait for the reply time-out (60 s per
// reply), which is what the window waited before mail went to a worker. The goal is a longest
// stall under 100 ms.
//
// Three runs: the idle loop (the noise floor of the machine), a tick whose reminders ask for no
// mail (the notes alone), and a tick whose reminders each queue a mail for the silent server.
// It also times "Exit" with those mails still on their way: the few seconds it grants the mail in
// flight, then the abort.
//
// Needs an X server: scripts/bench runs it on a virtual one.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/timer.h>

#include "app/desktop_reminder_delivery.h"
#include "desktop/reminder_window.h"
#include "mail/smtp_connection.h"
#include "reminders/reminder_scanner.h"
#include "store/db_connection.h"
#include "tests/support/test_database.h"

namespace {

using Clock = std::chrono::steady_clock;
using calvendra::Identifier;

constexpr int kReminders = 5;
constexpr auto kTickPeriod = std::chrono::milliseconds(5);
constexpr auto kRunLength = std::chrono::seconds(2);

// A server on 127.0.0.1 that takes connections and never says a word.
class SilentServer {
public:
    SilentServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 64);  // the kernel completes the connections; nobody reads them
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(listener_); }
    int Port() const { return port_; }

private:
    int listener_ = -1;
    int port_ = 0;
};

std::string MinuteText(std::time_t instant) {
    std::tm fields{};
    localtime_r(&instant, &fields);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:00", &fields);
    return text;
}

// Runs the event loop for kRunLength, calling `work` once after the first 200 ms; the longest gap
// between the timer's ticks beyond its period, and how long `work` itself took, in milliseconds.
struct Stall {
    double longestMs = 0;
    double workMs = 0;
};

template <typename Work>
Stall MeasureLoop(Work work) {
    Stall stall;
    Clock::time_point last = Clock::now();
    const Clock::time_point start = last;
    bool done = false;
    wxTimer ticks;
    ticks.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        const Clock::time_point now = Clock::now();
        const double gap =
            std::chrono::duration<double, std::milli>(now - last - kTickPeriod).count();
        stall.longestMs = std::max(stall.longestMs, gap);
        last = now;
        if (!done && now - start > std::chrono::milliseconds(200)) {
            done = true;
            const Clock::time_point begun = Clock::now();
            work();
            stall.workMs = std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
        }
        if (now - start > kRunLength) {
            wxTheApp->ExitMainLoop();
        }
    });
    ticks.Start(static_cast<int>(kTickPeriod.count()));
    wxTheApp->MainLoop();
    ticks.Stop();
    return stall;
}

void CloseNotes() {
    for (wxWindow* window : wxTopLevelWindows) {
        window->Destroy();
    }
    wxTheApp->Yield(true);
}

class BenchApp : public wxApp {
public:
    bool OnInit() override {
        calvendra::testing::TestDatabase database;
        const std::time_t now = std::time(nullptr);
        database.Execute(
            "insert into assist_contactmaininfo (contact_id, group_id, first_name, home_email) "
            "values ('1000000002','1000000001','Ann','ann@example.org')");
        for (int i = 0; i < kReminders; ++i) {
            const std::string id = std::to_string(2000000002L + i);
            database.Execute("insert into assist_scheduleinfo values ('" + id +
                             "','2000000001','Reminder " + id + "','',1,3,'0','','" +
                             MinuteText(now) + "',1);insert into schedule_contact values ('" + id +
                             "','1000000002')");
        }
        calvendra::CDBConnection connection("Calvendra", "opal", "kelp");
        if (!connection.OpenConnection()) {
            std::fprintf(stderr, "the test database could not be opened\n");
            return false;
        }
        SilentServer server;
        calvendra::EmailSettings settings;
        settings.senderAddress = "organizer@example.org";
        settings.smtpServer = "127.0.0.1";
        settings.smtpPort = server.Port();

        std::printf(
            "%d reminders due at once, each mailing one attendant through a server that "
            "never answers;\nwindow thread's event loop, 5 ms timer:\n",
            kReminders);
        const Stall idle = MeasureLoop([] {});
        std::printf("  idle loop:                          longest stall %6.1f ms\n",
                    idle.longestMs);

        const auto scan = [&](bool mail) {
            database.Execute(std::string("update assist_scheduleinfo set emailremind=") +
                             (mail ? "1" : "0"));
            return [&connection, now](calvendra::ReminderDelivery& delivery) {
                calvendra::ReminderScanner scanner([now] { return now; }, now,
                                                   [&connection] { return &connection; });
                scanner.SetDelivery(&delivery);
                scanner.Scan();
            };
        };
        calvendra::DesktopReminderDelivery delivery(connection, settings);
        const auto notesOnly = scan(false);
        // The first notes of a process load fonts and themes: a run of its own, not counted.
        MeasureLoop([&] { notesOnly(delivery); });
        CloseNotes();
        const Stall notes = MeasureLoop([&] { notesOnly(delivery); });
        std::printf(
            "  notes only:                         longest stall %6.1f ms (the scan %.1f ms)\n",
            notes.longestMs, notes.workMs);
        CloseNotes();
        const auto notesAndMail = scan(true);
        const Stall mail = MeasureLoop([&] { notesAndMail(delivery); });
        std::printf(
            "  notes and mail to a silent server:  longest stall %6.1f ms (the scan %.1f ms)\n",
            mail.longestMs, mail.workMs);
        std::printf("  goal: under 100 ms; before, the window waited for each reply up to %u ms\n",
                    calvendra::CKivSMTPConnection::kDefaultReplyTimeoutMs);
        CloseNotes();

        std::fflush(stdout);
        const Clock::time_point exitBegun = Clock::now();
        delivery.StopMail(calvendra::DesktopReminderDelivery::kExitGrace);
        std::fflush(stderr);
        std::printf(
            "Exit with %d mails still waiting for the server: %.2f s (grace %lld s, then "
            "the abort)\n",
            kReminders, std::chrono::duration<double>(Clock::now() - exitBegun).count(),
            static_cast<long long>(calvendra::DesktopReminderDelivery::kExitGrace.count()));
        return false;  // nothing more to run
    }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv) {
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "wxWidgets could not start (no X server?)\n");
        return 1;
    }
    wxTheApp->CallOnInit();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
