#pragma once

// What the benchmarks share: times in milliseconds, the median of a benchmark's rounds and their
// spread, counts written with thousands separators, and the SQLite file that a benchmark fills
// before the organizer reads it.

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
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

// "[least..most]" of the rounds' figures, each written with `format`.
inline std::string Spread(const std::vector<double>& values, const char* format = "%.0f") {
    char least[32];
    char most[32];
    std::snprintf(least, sizeof least, format, *std::min_element(values.begin(), values.end()));
    std::snprintf(most, sizeof most, format, *std::max_element(values.begin(), values.end()));
    return std::string("[") + least + ".." + most + "]";
}

// 1000000 as "1,000,000".
inline std::string Thousands(long count) {
    std::string text = std::to_string(count);
    for (long at = static_cast<long>(text.size()) - 3; at > 0; at -= 3) {
        text.insert(static_cast<std::size_t>(at), ",");
    }
    return text;
}

// A SQLite file opened by a benchmark, closed when it goes.
using SqliteFile = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

// Opens `path` as `flags` say (by default for writing, made when missing); a file that cannot be
// opened ends the benchmark with SQLite's reason rather than measuring nothing.
inline SqliteFile OpenSqlite(const std::string& path,
                             int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    SqliteFile file(db, sqlite3_close);
    if (rc != SQLITE_OK) {
        throw std::runtime_error("cannot open " + path + ": " +
                                 (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
    }
    return file;
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

// Runs a prepared insert with the values bound to it and makes it ready for the next ones.
inline void StepInsert(sqlite3* db, sqlite3_stmt* insert) {
    if (sqlite3_step(insert) != SQLITE_DONE) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
    sqlite3_reset(insert);
}

}  // namespace calvendra::bench
