// How long the window thread stalls while another program holds the organizer's SQLite database
// locked, longer than the organizer waits for a lock: each kind of work the window thread does
// against the database, timed once while the lock is held, and the longest stall of a user who
// clicks from group to group every quarter second for five seconds. With the driver's own default
// a stall lasted until the lock went (or 100 s).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <thread>

#include "reminders/reminder_scanner.h"
#include "store/connection_health.h"
#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/lock_wait.h"
#include "store/organizer_database.h"
#include "store/statements.h"
#include "tests/support/lock_holder.h"
#include "tests/support/test_database.h"

namespace {

using Clock = std::chrono::steady_clock;
using calvendra::CDBConnection;
using calvendra::CDBResultSet;
namespace statements = calvendra::statements;

double MillisecondsOf(const std::function<void()>& work) {
    const Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Report(const char* what, double milliseconds) {
    std::printf("%-58s %9.0f ms\n", what, milliseconds);
}

}  // namespace

int main() {
    calvendra::testing::TestDatabase database;
    std::string rows = "begin;";
    for (int i = 0; i < 1000; ++i) {
        rows += "insert into assist_scheduleinfo values('" + std::to_string(2000000002L + i) +
                "','2000000001','Schedule','text',1,3,'0','','09:30:00',0);";
    }
    database.Execute(rows + "commit;");

    CDBConnection connection("Calvendra", "opal", "kelp");
    if (!connection.OpenConnection()) {
        std::fprintf(stderr, "cannot open the database: %s\n",
                     connection.LastError().Text().c_str());
        return 1;
    }
    calvendra::ReminderScanner scanner([] { return std::time(nullptr); }, std::time(nullptr) - 120,
                                       [&connection] { return &connection; });

    std::printf("Lock held by another program for longer than the organizer's bound of %lld ms\n",
                static_cast<long long>(calvendra::kLockWait.count()));
    const calvendra::testing::LockHolder lock(database, std::chrono::seconds(60));
    double longest = 0;
    const auto measure = [&](const char* what, const std::function<void()>& work) {
        const double milliseconds = MillisecondsOf(work);
        longest = std::max(longest, milliseconds);
        Report(what, milliseconds);
    };
    measure("start-up: open and check the database", [] {
        CDBConnection starting("Calvendra", "opal", "kelp");
        calvendra::OpenOrganizerDatabase(starting);
    });
    measure("list fill: all schedules", [&] {
        CDBResultSet results(connection);
        results.OpenQuery(statements::SelectAllSchedules());
    });
    measure("an edit of three statements, right after", [&] {
        connection.ExecuteStatement(statements::DeleteAttendantLinks(2000000002));
        connection.ExecuteStatement(statements::DeleteSchedule(2000000002));
        connection.ExecuteStatement(statements::DeleteAttendantLinks(2000000003));
    });
    // A minute passes between ticks; the hold on a busy connection is far shorter.
    std::this_thread::sleep_for(calvendra::ConnectionHealth::kBusyHold);
    measure("reminder scan tick", [&] { scanner.Scan(); });

    double clicking = 0;
    double stalled = 0;
    int clicks = 0;
    const Clock::time_point start = Clock::now();
    for (const Clock::time_point end = start + std::chrono::seconds(5); Clock::now() < end;
         ++clicks) {
        const double click = MillisecondsOf([&] {
            CDBResultSet results(connection);
            results.OpenQuery(statements::SelectSchedulesOfGroup(2000000001));
        });
        clicking = std::max(clicking, click);
        stalled += click;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    longest = std::max(longest, clicking);
    std::printf("%-58s %9.0f ms\n",
                ("longest of " + std::to_string(clicks) + " group clicks").c_str(), clicking);
    std::printf("%-58s %9.0f ms of %.0f ms\n", "time stalled while clicking", stalled, elapsed);
    Report("longest stall of the window thread", longest);
    return 0;
}
