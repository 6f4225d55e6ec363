// What one reminder scan costs on the user's desktop, where it runs every minute: one tick over
// 10,000, 100,000 and 1,000,000 schedules, with none due and with 1% due, beside the bare read of
// every schedule through SQLite's own C API and through the organizer's result set (what a scan
// that reads every schedule costs), and the processor time a tick takes on both threads. The tick
// that reads the schedules itself is the baseline; the organizer reads them on a thread of its own,
// and the window thread is blocked only by the tick and by taking the reading back.

#include <sqlite3.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/bench_figures.h"
#include "reminders/reminder_delivery.h"
#include "reminders/reminder_scanner.h"
#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/reading_thread.h"
#include "store/statements.h"
#include "tests/support/task_inbox.h"
#include "tests/support/test_database.h"

namespace {

using calvendra::CDBConnection;
using calvendra::CDBResultSet;
using calvendra::Identifier;
using calvendra::ReadingThread;
using calvendra::ReminderDelivery;
using calvendra::ReminderScanner;
using calvendra::bench::Clock;
using calvendra::bench::Median;
using calvendra::bench::OpenSqlite;
using calvendra::bench::SqliteFile;
using calvendra::bench::Thousands;
using calvendra::testing::TaskInbox;
using calvendra::testing::TestDatabase;

double MillisecondsBetween(Clock::time_point begin, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - begin).count();
}

// The scan runs at 03:17:30 on Wednesday 12 June 2024, local time.
std::time_t ScanInstant(int minuteOffset = 0) {
    std::tm fields{};
    fields.tm_year = 2024 - 1900;
    fields.tm_mon = 5;
    fields.tm_mday = 12;
    fields.tm_hour = 3;
    fields.tm_min = 17 + minuteOffset;
    fields.tm_sec = 30;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

class CountingDelivery : public ReminderDelivery {
public:
    void ShowReminderWindow(const std::string& subject, const std::string&) override {
        ++windows;
        order.push_back(subject);
    }
    void MailAttendants(const std::string&, const std::string&, Identifier id,
                        std::time_t) override {
        ++mails;
        order.push_back(std::to_string(id));
    }
    long windows = 0;
    long mails = 0;
    std::vector<std::string> order;
};

// One tick whose schedules are read on the reader's thread: how long the window thread was
// blocked (the tick, then taking the reading back and delivering), and how long the reading took
// from the tick until it was back.
struct BackgroundTick {
    double blocked = 0;
    double away = 0;
    double cpu = 0;  // processor time of both threads for the tick
};

// Processor time of the whole process (the window thread and the reading thread), milliseconds.
double ProcessCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

BackgroundTick TickInBackground(ReminderScanner& scanner, TaskInbox& inbox) {
    BackgroundTick tick;
    const double cpuBefore = ProcessCpuMilliseconds();
    const Clock::time_point begin = Clock::now();
    scanner.Scan();
    const Clock::time_point handedOver = Clock::now();
    std::function<void()> back = inbox.Take();
    const Clock::time_point returned = Clock::now();
    back();
    const Clock::time_point end = Clock::now();
    tick.cpu = ProcessCpuMilliseconds() - cpuBefore;
    tick.blocked = MillisecondsBetween(begin, handedOver) + MillisecondsBetween(returned, end);
    tick.away = MillisecondsBetween(begin, returned);
    return tick;
}

void Check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
    }
}

// Schedules of every kind at times spread over the day, none at 03:17 except the due ones.
void FillSchedules(const std::string& path, int count, int dueEvery) {
    const SqliteFile owner = OpenSqlite(path);
    sqlite3* db = owner.get();
    Check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(
              db, "insert into assist_scheduleinfo values(?,'2000000001',?,?,?,?,?,?,?,?)", -1,
              &insert, nullptr),
          db, "prepare");
    std::mt19937 random(7);
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int i = 0; i < count; ++i) {
        const bool due = dueEvery > 0 && i % dueEvery == 0;
        int hour = pick(0, 23);
        int minute = pick(0, 59);
        if (due) {
            hour = 3;
            minute = 17;
        } else if (hour == 3 && minute == 17) {
            minute = 18;
        }
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:00", hour, minute);
        const int type = due ? 3 : pick(1, 3);
        const std::string date =
            "2024-" + std::to_string(pick(1, 12)) + "-" + std::to_string(pick(1, 28));
        const std::string id = std::to_string(2000000002L + i);
        const std::string subject = "Schedule number " + std::to_string(i);
        const std::string text =
            "Bring the minutes of the last meeting and the figures of the "
            "quarter for item " +
            std::to_string(i) + ".";
        sqlite3_bind_text(insert, 1, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, subject.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, text.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 4, due || pick(0, 9) != 0 ? 1 : 0);
        sqlite3_bind_int(insert, 5, type);
        sqlite3_bind_text(insert, 6, std::to_string(pick(0, 6)).c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 7, date.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 8, time, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 9, pick(0, 1));
        Check(sqlite3_step(insert), db, "insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db, "commit");
}

// The median milliseconds of each task over `rounds` rounds. The tasks take turns within a round,
// so that a busy machine weighs on all of them alike.
std::vector<double> MedianMilliseconds(int rounds,
                                       const std::vector<std::function<void()>>& tasks) {
    std::vector<std::vector<double>> times(tasks.size());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t task = 0; task < tasks.size(); ++task) {
            const Clock::time_point begin = Clock::now();
            tasks[task]();
            times[task].push_back(MillisecondsBetween(begin, Clock::now()));
        }
    }
    std::vector<double> medians;
    for (const std::vector<double>& taskTimes : times) {
        medians.push_back(Median(taskTimes));
    }
    return medians;
}

// Every row of the statement, every column as text, through SQLite's C API.
long RawRead(const std::string& path) {
    const SqliteFile owner = OpenSqlite(path, SQLITE_OPEN_READONLY);
    sqlite3* db = owner.get();
    sqlite3_stmt* query = nullptr;
    const std::string sql = calvendra::statements::SelectSchedulesForScan();
    Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &query, nullptr), db, "prepare");
    long bytes = 0;
    while (sqlite3_step(query) == SQLITE_ROW) {
        for (int column = 0; column < 10; ++column) {
            sqlite3_column_text(query, column);
            bytes += sqlite3_column_bytes(query, column);
        }
    }
    sqlite3_finalize(query);
    return bytes;
}

// Every row, every column, through the organizer's result set.
long ResultSetRead(CDBConnection& connection) {
    CDBResultSet results(connection);
    long bytes = 0;
    if (results.OpenQuery(calvendra::statements::SelectSchedulesForScan())) {
        std::string value;
        do {
            for (int column = 0; column < 10; ++column) {
                results.ReadColumn(column, value);
                bytes += static_cast<long>(value.size());
            }
        } while (results.MoveToNext());
    }
    return bytes;
}

void Measure(int count, int dueEvery) {
    TestDatabase database;
    FillSchedules(database.FilePath(), count, dueEvery);
    CDBConnection connection("Calvendra", "opal", "kelp");
    if (!connection.OpenConnection()) {
        throw std::runtime_error("cannot open the data source");
    }
    const int rounds = count > 500000 ? 3 : count > 50000 ? 5 : 15;
    CountingDelivery reference;
    CountingDelivery background;
    TaskInbox inbox;
    ReadingThread reader(
        [] { return std::make_unique<CDBConnection>("Calvendra", "opal", "kelp"); },
        [&inbox](std::function<void()> task) { inbox.Post(std::move(task)); });
    std::vector<double> blocked;
    std::vector<double> away;
    std::vector<double> cpu;
    std::vector<double> catchUpBlocked;
    // A fresh scanner each round, started in the minute it scans: one minute a scan.
    const auto scanner = [&connection](std::time_t now, CountingDelivery* delivery) {
        auto made = std::make_unique<ReminderScanner>([now] { return now; }, ScanInstant(),
                                                      [&connection] { return &connection; });
        made->SetDelivery(delivery);
        return made;
    };

    const std::vector<double> medians = MedianMilliseconds(
        rounds, {[&] { RawRead(database.FilePath()); }, [&] { ResultSetRead(connection); },
                 [&] { scanner(ScanInstant(), &reference)->Scan(); },
                 [&] {
                     auto ticking = scanner(ScanInstant(), &background);
                     ticking->SetBackgroundReader(&reader);
                     const BackgroundTick tick = TickInBackground(*ticking, inbox);
                     blocked.push_back(tick.blocked);
                     away.push_back(tick.away);
                     cpu.push_back(tick.cpu);
                 },
                 // The first tick after a day asleep: 1,440 minutes in one scan.
                 [&] { scanner(ScanInstant(24 * 60), nullptr)->Scan(); },
                 [&] {
                     auto ticking = scanner(ScanInstant(24 * 60), nullptr);
                     ticking->SetBackgroundReader(&reader);
                     catchUpBlocked.push_back(TickInBackground(*ticking, inbox).blocked);
                 }});
    if (reference.order != background.order) {
        throw std::runtime_error("the two scans delivered different reminders");
    }
    const auto longest = [](const std::vector<double>& values) {
        return *std::max_element(values.begin(), values.end());
    };
    std::printf(
        "summary: scan tick, %s schedules, %ld due: longest block of the window "
        "thread; %.1f ms; %.0f ms (the tick reading on the window thread); %.3f\n",
        Thousands(count).c_str(), reference.windows / rounds, longest(blocked), medians[2],
        longest(blocked) / medians[2]);
    const auto least = [](const std::vector<double>& values) {
        return *std::min_element(values.begin(), values.end());
    };
    std::printf(
        "summary: scan tick, %s schedules, %ld due: processor time of both threads [min..max of "
        "%d]; %.1f ms [%.1f..%.1f]; %.0f ms (every schedule read through the result set, as "
        "the scan read them before); %.3f\n",
        Thousands(count).c_str(), reference.windows / rounds, rounds, Median(cpu), least(cpu),
        longest(cpu), medians[1], Median(cpu) / medians[1]);
    std::printf("%9d %6ld %9.1f %10.1f | %10.1f %9.2f %9.2f %9.1f %9.1f | %10.1f %9.2f\n", count,
                reference.windows / rounds, medians[0], medians[1], medians[2], Median(blocked),
                longest(blocked), Median(away), Median(cpu), medians[4], longest(catchUpBlocked));
}

}  // namespace

int main() {
    std::printf(
        "One reminder scan (median of the rounds, milliseconds). raw: the statement through "
        "SQLite's C API;\nresult set: every column through CDBResultSet over ODBC. Baseline: a "
        "tick that reads the schedules\nitself on the window thread. Background: the "
        "organizer's tick, which has them read on a thread of\nits own: the window thread is "
        "blocked by the tick and by taking the reading back and delivering\n(median and "
        "longest), while the reading is away for the time in 'away'; 'cpu' is the processor\n"
        "time of both threads for the tick. catch-up: the first tick\n"
        "after a day asleep, 1,440 minutes. Both scans deliver the same reminders in the same "
        "order.\n\n");
    std::printf("%9s %6s %9s %10s | %10s %9s %9s %9s %9s | %10s %9s\n", "", "", "", "", "baseline",
                "bg", "bg", "bg", "bg", "catch-up", "catch-up");
    std::printf("%9s %6s %9s %10s | %10s %9s %9s %9s %9s | %10s %9s\n", "schedules", "due", "raw",
                "result set", "tick", "blocked", "longest", "away", "cpu", "baseline",
                "bg longest");
    for (const int count : {10000, 100000, 1000000}) {
        Measure(count, 0);
        Measure(count, 100);
    }
    return 0;
}
