#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace calvendra::testing {

// Waits for a condition that another thread brings about, looking every few milliseconds, for at
// most a generous bound (a loaded machine still gets there); true when it came. `meanwhile` runs
// between two looks, for a step that may come too early to take effect and is repeated.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::seconds bound = std::chrono::seconds(60),
                    const std::function<void()>& meanwhile = {}) {
    const auto until = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        if (meanwhile) {
            meanwhile();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace calvendra::testing
