#pragma once

// How long the window thread keeps the user waiting: a thread of the probe's own asks the window
// thread every few milliseconds to answer (a call queued to it, as every event is), and the probe
// keeps the longest time that a question waited for its answer. The window thread must be pumping
// its events (the application's loop, or a benchmark's Yield) for the answers to come.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <wx/app.h>

namespace calvendra::bench {

class AnswerProbe {
public:
    explicit AnswerProbe(std::chrono::milliseconds period = std::chrono::milliseconds(5))
        : state_(std::make_shared<State>()),
          thread_([state = state_, period] { Ask(state, period); }) {}

    ~AnswerProbe() { Stop(); }

    AnswerProbe(const AnswerProbe&) = delete;
    AnswerProbe& operator=(const AnswerProbe&) = delete;

    // Stops asking; the questions still on their way count no more.
    void Stop() {
        {
            const std::lock_guard<std::mutex> lock(state_->mutex);
            state_->stopping = true;
        }
        state_->wake.notify_one();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // The longest wait of a question answered so far, in milliseconds; a question still waiting
    // counts with its wait up to now.
    double LongestWaitMs() const {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        double longest = state_->longest;
        if (state_->waitingSince) {
            longest = std::max(longest, Since(*state_->waitingSince));
        }
        return longest;
    }

    int Answers() const { return state_->answers.load(); }

private:
    using Clock = std::chrono::steady_clock;

    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        bool stopping = false;
        // One question at a time: the next is asked once the last was answered.
        std::optional<Clock::time_point> waitingSince;
        double longest = 0;
        std::atomic<int> answers{0};
    };

    static double Since(Clock::time_point start) {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

    static void Ask(const std::shared_ptr<State>& shared, std::chrono::milliseconds period) {
        State& state = *shared;
        std::unique_lock<std::mutex> lock(state.mutex);
        while (!state.stopping) {
            if (!state.waitingSince) {
                state.waitingSince = Clock::now();
                // The state lives as long as the last answer that may still come.
                wxTheApp->CallAfter([shared] {
                    const std::lock_guard<std::mutex> answered(shared->mutex);
                    if (shared->waitingSince) {
                        shared->longest = std::max(shared->longest, Since(*shared->waitingSince));
                        shared->waitingSince.reset();
                        ++shared->answers;
                    }
                });
            }
            state.wake.wait_for(lock, period);
        }
    }

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace calvendra::bench
