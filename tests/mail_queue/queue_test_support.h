#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "mail_queue/queued_mail_source.h"
#include "reminders/mail_worker.h"
#include "store/db_connection.h"
#include "tests/support/test_database.h"
#include "tests/support/wait_for.h"

namespace calvendra::testing {

// A clock that the test sets; every organizer of a test may share one.
class FakeClock {
public:
    explicit FakeClock(std::time_t start) : now_(start) {}
    std::time_t operator()() const { return now_; }
    void Advance(std::chrono::seconds by) { now_ += by.count(); }
    void Set(std::time_t to) { now_ = to; }
    QueuedMailSource::Clock Function() {
        return [this] { return now_.load(); };
    }

private:
    std::atomic<std::time_t> now_;
};

// The e-mail settings that the organizers of a test send with, changed by the test as it goes.
class TestMailSettings {
public:
    explicit TestMailSettings(int port) {
        settings_.senderAddress = "organizer@example.org";
        settings_.smtpServer = "127.0.0.1";
        settings_.smtpPort = port;
    }
    void SetPort(int port) {
        const std::lock_guard<std::mutex> guard(lock_);
        settings_.smtpPort = port;
    }
    QueuedMailSource::SettingsSource Function() {
        return [this] {
            const std::lock_guard<std::mutex> guard(lock_);
            return settings_;
        };
    }

private:
    std::mutex lock_;
    EmailSettings settings_;
};

// One organizer's mail side, as the running program has it: a mail worker whose source is the
// database's queue, over a connection of its own to the data source "Calvendra". Several of them
// on one database play organizers that share it.
class TestOrganizer {
public:
    TestOrganizer(const std::string& name, FakeClock& clock, TestMailSettings& settings,
                  std::chrono::seconds lease = std::chrono::seconds(300)) {
        QueuedMailSource::Options options;
        options.organizer = name;
        options.lease = lease;
        auto source = std::make_unique<QueuedMailSource>(
            [] { return std::make_unique<CDBConnection>("Calvendra", "opal", "kelp"); },
            settings.Function(), clock.Function(), options);
        source_ = source.get();
        worker_ = std::make_unique<MailWorker>(
            [this](const MailOutcome& outcome) {
                const std::lock_guard<std::mutex> guard(lock_);
                outcomes_.push_back(outcome);
            },
            std::move(source));
    }
    ~TestOrganizer() { Stop(); }

    // A reminder with mail fell due in the minute that starts at `minute`.
    void Due(Identifier scheduleId, std::time_t minute, const std::string& subject,
             const std::string& text = "Text") {
        source_->Queue({scheduleId, minute, subject, text});
        worker_->Wake();
    }
    void Wake() { worker_->Wake(); }
    void Stop() {
        if (worker_) {
            worker_->Stop(std::chrono::seconds(5));
        }
    }

    std::vector<MailOutcome> Outcomes() {
        const std::lock_guard<std::mutex> guard(lock_);
        return outcomes_;
    }

private:
    std::mutex lock_;
    std::vector<MailOutcome> outcomes_;
    QueuedMailSource* source_ = nullptr;
    std::unique_ptr<MailWorker> worker_;
};

// A schedule with mail and its attendants, made without the code under test.
inline void AddScheduleWithAttendants(TestDatabase& database, Identifier scheduleId,
                                      const std::string& subject,
                                      const std::vector<std::string>& addresses) {
    const std::string id = std::to_string(scheduleId);
    database.Execute("insert into assist_scheduleinfo values ('" + id + "','2000000001','" +
                     subject + "','Text of " + subject + "',1,3,'0','','09:30:00',1)");
    Identifier contact = 1000000000 + (scheduleId % 1000) * 10;
    for (const std::string& address : addresses) {
        ++contact;
        database.Execute(
            "insert into assist_contactmaininfo (contact_id, group_id, home_email) "
            "values ('" +
            std::to_string(contact) + "','1000000001','" + address + "')");
        database.Execute("insert into schedule_contact values ('" + id + "','" +
                         std::to_string(contact) + "')");
    }
}

// The state, tries and last reason of a schedule's queued mail for a minute, as "state/tries/
// reason"; empty when there is no such row.
inline std::string QueuedRow(TestDatabase& database, Identifier scheduleId, std::time_t minute) {
    Rows rows;
    try {
        rows = database.Query(
            "select state, tries, last_reason from mail_queue where schedule_id='" +
            std::to_string(scheduleId) + "' and due_minute=" + std::to_string(minute));
    } catch (const std::runtime_error& failure) {
        // An organizer holds SQLite's lock just now; a wait asks again.
        return std::string("<") + failure.what() + ">";
    }
    return rows.empty() ? std::string() : rows[0][0] + "/" + rows[0][1] + "/" + rows[0][2];
}

// The subject and the To addresses of a message as the sink stored it, read with Python's email
// parser: "Subject|a@example.org,b@example.org".
std::string ParsedSubjectAndTo(const std::string& stored);

// A start of a minute in the test's time.
inline std::time_t MinuteStart(std::time_t instant) {
    return instant / 60 * 60;
}

}  // namespace calvendra::testing
