#include "store/reading_thread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <exception>
#include <string>
#include <utility>

#include "platform/freed_memory.h"
#include "platform/log.h"

namespace calvendra {

ReadingThread::ReadingThread(ConnectionFactory makeConnection, PostToWindowThread post)
    : makeConnection_(std::move(makeConnection)),
      post_(std::move(post)),
      thread_(&ReadingThread::Run, this) {}

ReadingThread::~ReadingThread() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_one();
    thread_.join();
}

bool ReadingThread::Stopping() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return stopping_;
}

void ReadingThread::Queue(Job job) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void ReadingThread::Run() {
    // Linux gives every thread a niceness of its own; one that cannot be raised leaves the read
    // as it was.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kNiceness);
    std::unique_ptr<CDBConnection> connection;
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        try {
            if (!connection) {
                connection = makeConnection_();
            }
            // Opened once; after that a connection that failed or was lost is opened again by
            // the next read itself, held back after failures as the connection's health says.
            if (!connection->IsOpenRequested()) {
                connection->OpenConnection();
            }
            std::function<void()> read = job(*connection);
            GiveBackFreedMemory();
            if (!read) {
                continue;  // a chore of the thread's own: nothing goes back
            }
            // What the window thread lets go of when it takes a reading (the list it replaces,
            // the reading itself) goes back to the system too, but from here: giving back
            // hundreds of MiB takes long enough to be felt on the window thread.
            std::function<void()> back = [this, alive = std::weak_ptr<int>(alive_),
                                          read = std::move(read)]() mutable {
                read();
                read = nullptr;
                if (!alive.expired()) {
                    Queue([](CDBConnection&) { return std::function<void()>(); });
                }
            };
            // Handed over under the lock, so that nothing comes back once the destructor has
            // begun: what a read returns while its reader goes reaches nobody.
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!stopping_) {
                post_(std::move(back));
            }
        } catch (const std::exception& failure) {
            LogError(std::string("A read for the window failed: ") + failure.what());
        } catch (...) {
            LogError("A read for the window failed: an unknown failure");
        }
    }
}

}  // namespace calvendra
