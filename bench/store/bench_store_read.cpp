// Reads every row of the reminder scan's query through CDBResultSet and through SQLite's C API on
// the same database file, for 10,000 and 100,000 schedules, and prints both times and their ratio.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/statements.h"
#include "tests/support/test_database.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void FillSchedules(const std::string& file, int count) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> owner(db, sqlite3_close);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into assist_scheduleinfo values (?, '2000000001', ?, ?, 1, 3, '0', "
                       "'', '09:30:00', 0)",
                       -1, &insert, nullptr);
    for (int i = 0; i < count; ++i) {
        const std::string id = std::to_string(2000000002L + i);
        const std::string subject = "Schedule number " + std::to_string(i);
        const std::string text = "Remember the thing that belongs to schedule " + id + ".";
        sqlite3_bind_text(insert, 1, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, subject.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, text.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            throw std::runtime_error(sqlite3_errmsg(db));
        }
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
}

// Every column of every row as text, the way the organizer reads them.
std::size_t ReadThroughResultSet(calvendra::CDBConnection& connection) {
    std::size_t bytes = 0;
    calvendra::CDBResultSet rows(connection);
    if (!rows.OpenQuery(calvendra::statements::SelectSchedulesForScan())) {
        return 0;
    }
    std::string value;
    do {
        for (int column = 0; column < 10; ++column) {
            rows.ReadColumn(column, value);
            bytes += value.size();
        }
    } while (rows.MoveToNext());
    return bytes;
}

std::size_t ReadThroughSqlite(const std::string& file) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> owner(db, sqlite3_close);
    sqlite3_stmt* query = nullptr;
    const std::string text = calvendra::statements::SelectSchedulesForScan();
    sqlite3_prepare_v2(db, text.c_str(), -1, &query, nullptr);
    std::size_t bytes = 0;
    while (sqlite3_step(query) == SQLITE_ROW) {
        for (int column = 0; column < 10; ++column) {
            const unsigned char* value = sqlite3_column_text(query, column);
            bytes +=
                value == nullptr ? 0 : std::string(reinterpret_cast<const char*>(value)).size();
        }
    }
    sqlite3_finalize(query);
    return bytes;
}

}  // namespace

int main() {
    std::printf("%10s %14s %14s %8s\n", "schedules", "result set ms", "SQLite C ms", "ratio");
    for (int count : {10000, 100000}) {
        calvendra::testing::TestDatabase database;
        FillSchedules(database.FilePath(), count);
        calvendra::CDBConnection connection("Calvendra", "opal", "kelp");
        if (!connection.OpenConnection()) {
            return 1;
        }
        ReadThroughResultSet(connection);  // warm the page cache for both readers
        Clock::time_point start = Clock::now();
        const std::size_t viaResultSet = ReadThroughResultSet(connection);
        const double resultSetMs = MillisecondsSince(start);
        start = Clock::now();
        const std::size_t viaSqlite = ReadThroughSqlite(database.FilePath());
        const double sqliteMs = MillisecondsSince(start);
        if (viaResultSet != viaSqlite) {
            std::fprintf(stderr, "the two readers disagree: %zu and %zu bytes\n", viaResultSet,
                         viaSqlite);
            return 1;
        }
        std::printf("%10d %14.1f %14.1f %8.2f\n", count, resultSetMs, sqliteMs,
                    resultSetMs / sqliteMs);
    }
    return 0;
}
