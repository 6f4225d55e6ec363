#include "reminders/background_schedule_reader.h"

#include <exception>
#include <stdexcept>
#include <utility>

namespace calvendra {

BackgroundScheduleReader::BackgroundScheduleReader(ConnectionFactory makeConnection,
                                                   PostToWindowThread post)
    : makeConnection_(std::move(makeConnection)),
      post_(std::move(post)),
      thread_(&BackgroundScheduleReader::Run, this) {}

BackgroundScheduleReader::~BackgroundScheduleReader() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        job_.reset();
    }
    wake_.notify_one();
    thread_.join();
}

void BackgroundScheduleReader::Read(MinuteBatch batch, Done done) {
    std::optional<Job> replaced;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        replaced.swap(job_);
        job_ = Job{std::move(batch), std::move(done)};
    }
    wake_.notify_one();
    if (replaced) {
        ScheduleReading nothing;
        nothing.failure = {std::string(), 0, "a later read took the place of this one"};
        Hand(std::move(replaced->done), std::move(nothing));
    }
}

void BackgroundScheduleReader::Hand(Done done, ScheduleReading reading) {
    try {
        post_([done = std::move(done), reading = std::move(reading)]() mutable {
            done(std::move(reading));
        });
    } catch (...) {
        // Nothing can reach the window thread any more (the program is ending): the reading is
        // dropped, and its minutes with it.
    }
}

void BackgroundScheduleReader::Run() {
    std::unique_ptr<CDBConnection> connection;
    for (;;) {
        std::optional<Job> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || job_.has_value(); });
            if (stopping_) {
                return;
            }
            job.swap(job_);
        }
        ScheduleReading reading;
        try {
            if (!connection) {
                connection = makeConnection_();
                if (!connection) {
                    throw std::runtime_error("no connection could be made");
                }
            }
            // Opened once; after that a connection that failed or was lost is opened again by
            // the read itself, held back after failures as the connection's health says.
            if (!connection->IsOpenRequested()) {
                connection->OpenConnection();
            }
            reading = ReadDueReminders(*connection, job->batch);
        } catch (const std::exception& failure) {
            reading.failure = {std::string(), 0, failure.what()};
        } catch (...) {
            reading.failure = {std::string(), 0, "an unknown failure while reading"};
        }
        Hand(std::move(job->done), std::move(reading));
    }
}

}  // namespace calvendra
