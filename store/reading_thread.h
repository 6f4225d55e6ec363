#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "store/db_connection.h"

namespace calvendra {

// A thread that reads from the database for the window thread, over a connection of its own, so
// that the window thread does not wait while many rows are read: it hands over what to read, and
// is handed back, on its own thread, what was read.
//
// The connection is made on the reading thread when the first read comes, opened there, and used
// by nothing else. It reaches the same data source as the organizer's own connection, with the
// same bound on lock waits and the same reopening of a lost connection. Reads run one after the
// other in the order they were asked for.
class ReadingThread {
public:
    using ConnectionFactory = std::function<std::unique_ptr<CDBConnection>()>;
    // Runs a task on the window thread, later; must be callable from any thread. It only queues
    // the task: it is called under the reader's lock, and a task run there at once could not ask
    // for another read.
    using PostToWindowThread = std::function<void(std::function<void()>)>;

    ReadingThread(ConnectionFactory makeConnection, PostToWindowThread post);
    // Waits for the read under way to end; reads still waiting are dropped, and so is what the
    // last one read. The connection goes with the thread.
    ~ReadingThread();

    // How much the thread yields to the window thread (its niceness, as nice(1) gives it): while
    // a long read shares a core with the window thread, or with the X server that draws for it,
    // the window answers first, and the read takes what they leave.
    static constexpr int kNiceness = 5;

    ReadingThread(const ReadingThread&) = delete;
    ReadingThread& operator=(const ReadingThread&) = delete;

    // Whether the reader is going: its destructor has begun, and no read that is still to come
    // or under way hands anything back. A long read may ask it to end early. Any thread.
    bool Stopping() const;

    // Runs `read` on the thread with its connection, then `done` on the window thread with what
    // it returned. `read` reports its own failures in its result: one that throws is logged, and
    // its `done` never runs.
    template <class Result>
    void Read(std::function<Result(CDBConnection&)> read, std::function<void(Result)> done) {
        Queue([read = std::move(read),
               done = std::move(done)](CDBConnection& connection) -> std::function<void()> {
            auto result = std::make_shared<Result>(read(connection));
            return [done, result] { done(std::move(*result)); };
        });
    }

    // Lets go of `value` on the thread, after the reads asked for before: what a large value
    // frees (a replaced list of a million rows) goes back to the system there, not on the window
    // thread. Dropped with the reader, on the window thread, when it goes first.
    template <class Value>
    void LetGo(Value value) {
        Queue([held = std::make_shared<Value>(std::move(value))](
                  CDBConnection&) mutable -> std::function<void()> {
            held.reset();
            return {};
        });
    }

private:
    // A read, which gives what is to run on the window thread; an empty one for a chore of the
    // thread's own, such as giving freed memory back.
    using Job = std::function<std::function<void()>(CDBConnection&)>;

    void Queue(Job job);
    void Run();

    ConnectionFactory makeConnection_;
    PostToWindowThread post_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    // What a hand-over that reaches the window thread after the reader went finds expired. Both
    // live on the window thread.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    // Last, so that it starts once everything it uses exists.
    std::thread thread_;
};

}  // namespace calvendra
