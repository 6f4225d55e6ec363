#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "reminders/due_reminders.h"
#include "reminders/minute_batch.h"
#include "store/db_connection.h"

namespace calvendra {

// Reads the schedules for the reminder scan on a thread of its own, over a connection of its own,
// so that the window thread does not wait while every schedule is read: it hands over the minutes
// to scan and is handed back, on its own thread, what falls due in them.
//
// The connection is made on the reading thread when the first read is asked for, opened there,
// and used by nothing else. It reaches the same database as the organizer's own connection, with
// the same bound on lock waits and the same reopening of a lost connection.
class BackgroundScheduleReader {
public:
    using ConnectionFactory = std::function<std::unique_ptr<CDBConnection>()>;
    // Runs a task on the window thread, later; must be callable from any thread.
    using PostToWindowThread = std::function<void(std::function<void()>)>;
    using Done = std::function<void(ScheduleReading)>;

    BackgroundScheduleReader(ConnectionFactory makeConnection, PostToWindowThread post);
    // Waits for a read under way to end; what it read is dropped. The connection goes with the
    // thread.
    ~BackgroundScheduleReader();

    BackgroundScheduleReader(const BackgroundScheduleReader&) = delete;
    BackgroundScheduleReader& operator=(const BackgroundScheduleReader&) = delete;

    // Reads the schedules for `batch`; `done` is then posted to the window thread with what was
    // read. A read asked for while another still waits to start takes its place, and the other's
    // `done` is handed a failure.
    void Read(MinuteBatch batch, Done done);

private:
    struct Job {
        MinuteBatch batch;
        Done done;
    };

    void Run();
    void Hand(Done done, ScheduleReading reading);

    ConnectionFactory makeConnection_;
    PostToWindowThread post_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> job_;
    bool stopping_ = false;
    // Last, so that it starts once everything it uses exists.
    std::thread thread_;
};

}  // namespace calvendra
