#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

namespace calvendra::exchange {

// How long work tells how far it got, and learns that it is to stop. Both are optional; the
// report may come from any thread the work runs on.
struct Progress {
    // What is being done ("Reading contacts.vcf", "Storing"), and how much of how much is done.
    std::function<void(const std::string& step, std::size_t done, std::size_t total)> report;
    // Set by whoever waits for the work, to stop it: an import then stores nothing.
    const std::atomic<bool>* cancel = nullptr;

    bool Cancelled() const { return cancel != nullptr && cancel->load(); }
    void Report(const std::string& step, std::size_t done, std::size_t total) const {
        if (report) {
            report(step, done, total);
        }
    }
};

}  // namespace calvendra::exchange
