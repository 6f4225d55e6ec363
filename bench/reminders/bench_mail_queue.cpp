// What the mail queue adds on the user's desktop, at 100,000 schedules with 1,000 due in one
// minute, each mailed to one attendant:
// - to the scan tick: the window thread's longest block while the due reminders are delivered,
//   which now only hands each mail to the worker, beside the delivery before the queue, which read
//   each schedule's attendants on the window thread;
// - to a mail: the database work the worker does for one mail (queue it, claim it, read its
//   schedule and attendants, mark it), beside the attendants' read alone that a mail took before.
// No mail server takes part: the settings name none, so each try ends at once, as the same
// session would have before the queue.

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/bench_figures.h"
#include "mail_queue/queued_mail_source.h"
#include "reminders/mail_worker.h"
#include "reminders/reminder_delivery.h"
#include "reminders/reminder_mail.h"
#include "reminders/reminder_scanner.h"
#include "store/db_connection.h"
#include "store/reading_thread.h"
#include "tests/support/task_inbox.h"
#include "tests/support/test_database.h"

namespace {

using namespace calvendra;
using bench::Clock;
using bench::Median;
using bench::MillisecondsSince;
using testing::TaskInbox;
using testing::TestDatabase;

constexpr int kSchedules = 100000;
constexpr int kDueEvery = 100;

std::unique_ptr<CDBConnection> NewConnection() {
    return std::make_unique<CDBConnection>("Calvendra", "opal", "kelp");
}

// The scan runs at 03:17:30 on Wednesday 12 June 2024, local time.
std::time_t ScanInstant() {
    std::tm fields{};
    fields.tm_year = 2024 - 1900;
    fields.tm_mon = 5;
    fields.tm_mday = 12;
    fields.tm_hour = 3;
    fields.tm_min = 17;
    fields.tm_sec = 30;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

// Every hundredth schedule falls due at 03:17 every day with mail to one attendant of its own; the
// others fall due at other minutes.
void FillSchedules(const std::string& path) {
    const bench::SqliteFile owner = bench::OpenSqlite(path);
    sqlite3* db = owner.get();
    bench::Exec(db, "begin");
    for (int i = 0; i < kSchedules; ++i) {
        const bool due = i % kDueEvery == 0;
        const std::string id = std::to_string(2000000002L + i);
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:00", due ? 3 : 4 + i % 19, due ? 17 : i % 60);
        const std::string insert = "insert into assist_scheduleinfo values ('" + id +
                                   "','2000000001','Schedule " + std::to_string(i) +
                                   "','Bring the figures of item " + std::to_string(i) +
                                   ".',1,3,'0','','" + time + "'," + (due ? "1" : "0") + ")";
        bench::Exec(db, insert.c_str());
        if (due) {
            const std::string contact = std::to_string(1000000002L + i);
            bench::Exec(db,
                        ("insert into assist_contactmaininfo (contact_id, group_id, home_email) "
                         "values ('" +
                         contact + "','1000000001','person" + std::to_string(i) + "@example.org')")
                            .c_str());
            bench::Exec(
                db,
                ("insert into schedule_contact values ('" + id + "','" + contact + "')").c_str());
        }
    }
    bench::Exec(db, "commit");
}

// The delivery of the running organizer, less the notes: mail to the queue's worker.
class QueueingDelivery : public ReminderDelivery {
public:
    QueueingDelivery(QueuedMailSource& source, MailWorker& worker)
        : source_(source), worker_(worker) {}
    void ShowReminderWindow(const std::string&, const std::string&) override {}
    void MailAttendants(const std::string& subject, const std::string& text, Identifier id,
                        std::time_t due) override {
        source_.Queue({id, due, subject, text});
        worker_.Wake();
    }

private:
    QueuedMailSource& source_;
    MailWorker& worker_;
};

// The delivery before the queue, less the notes: the attendants read on the window thread.
class ReadingDelivery : public ReminderDelivery {
public:
    explicit ReadingDelivery(CDBConnection& connection) : connection_(connection) {}
    void ShowReminderWindow(const std::string&, const std::string&) override {}
    void MailAttendants(const std::string&, const std::string&, Identifier id,
                        std::time_t) override {
        addresses_ += CollectAttendantAddresses(&connection_, id).size();
    }

private:
    CDBConnection& connection_;
    std::size_t addresses_ = 0;
};

// One tick with the schedules read on the reader's thread: the window thread's longest block,
// the tick's hand-over or the delivery once the reading is back.
double LongestBlockOfATick(ReminderDelivery& delivery, ReadingThread& reader, TaskInbox& inbox,
                           CDBConnection& connection) {
    ReminderScanner scanner([] { return ScanInstant(); }, ScanInstant(),
                            [&connection] { return &connection; });
    scanner.SetDelivery(&delivery);
    scanner.SetBackgroundReader(&reader);
    Clock::time_point start = Clock::now();
    scanner.Scan();
    const double handOver = MillisecondsSince(start);
    const std::function<void()> back = inbox.Take();
    if (!back) {
        throw std::runtime_error("the reading did not come back");
    }
    start = Clock::now();
    back();
    return std::max(handOver, MillisecondsSince(start));
}

// Milliseconds per mail of the worker's database work for the 1,000 due mails of one minute.
double QueueWorkPerMail(std::time_t due) {
    QueuedMailSource::Options options;
    options.organizer = "bench";
    QueuedMailSource source(
        NewConnection, [] { return EmailSettings(); }, [due] { return due + 1; }, options);
    for (int i = 0; i < kSchedules; i += kDueEvery) {
        source.Queue({2000000002L + i, due, "Schedule " + std::to_string(i), "Text"});
    }
    const Clock::time_point start = Clock::now();
    int mails = 0;
    std::chrono::milliseconds askAgainIn(0);
    while (std::optional<MailJob> job = source.Take(askAgainIn)) {
        MailOutcome outcome = NotSentOutcome(job->label, "", "");
        outcome.sent = true;
        source.Finish(*job, outcome);
        ++mails;
    }
    if (mails != kSchedules / kDueEvery) {
        throw std::runtime_error("the queue gave " + std::to_string(mails) + " mails");
    }
    return MillisecondsSince(start) / mails;
}

double AttendantReadPerMail(CDBConnection& connection) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kSchedules; i += kDueEvery) {
        CollectAttendantAddresses(&connection, 2000000002L + i);
    }
    return MillisecondsSince(start) / (kSchedules / kDueEvery);
}

}  // namespace

int main() {
    TestDatabase database;
    FillSchedules(database.FilePath());
    auto connection = NewConnection();
    if (!connection->OpenConnection()) {
        throw std::runtime_error("cannot open the data source");
    }
    TaskInbox inbox;
    ReadingThread reader(NewConnection,
                         [&inbox](std::function<void()> task) { inbox.Post(std::move(task)); });

    constexpr int kRounds = 3;
    std::vector<double> queued;
    std::vector<double> before;
    std::vector<double> perMail;
    std::vector<double> readPerMail;
    for (int round = 0; round < kRounds; ++round) {
        database.Execute("delete from mail_queue");
        {
            QueuedMailSource::Options options;
            options.organizer = "window";
            auto source = std::make_unique<QueuedMailSource>(
                NewConnection, [] { return EmailSettings(); }, [] { return ScanInstant(); },
                options);
            QueuedMailSource& queue = *source;
            MailWorker worker(nullptr, std::move(source));
            QueueingDelivery delivery(queue, worker);
            queued.push_back(LongestBlockOfATick(delivery, reader, inbox, *connection));
            worker.Stop(std::chrono::seconds(60));
        }
        ReadingDelivery reading(*connection);
        before.push_back(LongestBlockOfATick(reading, reader, inbox, *connection));

        database.Execute("delete from mail_queue");
        perMail.push_back(QueueWorkPerMail(ScanInstant() / 60 * 60));
        readPerMail.push_back(AttendantReadPerMail(*connection));
    }
    const auto longest = [](const std::vector<double>& values) {
        return *std::max_element(values.begin(), values.end());
    };
    std::printf("The mail queue at %d schedules, %d due in one minute with mail (%d rounds).\n",
                kSchedules, kSchedules / kDueEvery, kRounds);
    std::printf(
        "window thread's longest block of a tick: queued %.1f ms (median %.1f), attendants "
        "read on the window thread %.0f ms (median %.0f)\n",
        longest(queued), Median(queued), longest(before), Median(before));
    std::printf(
        "database work per mail: through the queue %.2f ms (median), attendants' read "
        "alone %.2f ms (median)\n",
        Median(perMail), Median(readPerMail));
    std::printf(
        "summary: scan tick, 100,000 schedules, 1000 due with mail: longest block of the window "
        "thread; %.1f ms; %.0f ms (attendants read on the window thread); %.3f\n",
        longest(queued), Median(before), longest(queued) / Median(before));
    std::printf(
        "summary: mail queue, database work per mail (queue, claim, read, mark); %.2f ms; "
        "%.2f ms (the attendants' read alone); %.1f\n",
        Median(perMail), Median(readPerMail), Median(perMail) / Median(readPerMail));
    return 0;
}
