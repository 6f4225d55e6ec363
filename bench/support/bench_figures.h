#pragma once

// What the benchmarks share: times in milliseconds, the median of a benchmark's rounds, and the
// SQL that fills a SQLite file before the organizer reads it.

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace calvendra::bench {

using Clock = std::chrono::steady_clock;

inline double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The middle figure of the rounds: a round that the rest of the machine slowed down does not
// count.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs `sql` on the open database; a failure ends the benchmark with SQLite's message.
inline void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error == nullptr ? "?" : error;
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

}  // namespace calvendra::bench
