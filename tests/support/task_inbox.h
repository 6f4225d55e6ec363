#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace calvendra::testing {

// The window thread's queue of tasks, for a test or a benchmark that plays the window thread:
// another thread posts tasks, the playing thread takes them and runs them.
class TaskInbox {
public:
    void Post(std::function<void()> task) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        posted_.notify_one();
    }

    // Waits for the next task; an empty function when none came within half a minute.
    std::function<void()> Take() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!posted_.wait_for(lock, std::chrono::seconds(30), [this] { return !tasks_.empty(); })) {
            return nullptr;
        }
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        return task;
    }

    // Waits for the next task and runs it; false when none came within half a minute.
    bool RunNext() {
        const std::function<void()> task = Take();
        if (!task) {
            return false;
        }
        task();
        return true;
    }

    bool Empty() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return tasks_.empty();
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace calvendra::testing
