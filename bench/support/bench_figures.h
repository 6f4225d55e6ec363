#pragma once

// What the benchmarks share: times in milliseconds, the median of a benchmark's rounds, and the
// SQLite file that a benchmark fills before the organizer reads it.

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
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
