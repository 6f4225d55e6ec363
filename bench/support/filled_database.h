#pragma once

// The organizer's rows that the benchmarks of the window fill a SQLite file or a PostgreSQL
// database with.

#include <sqlite3.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/bench_figures.h"
#include "tests/support/test_database.h"

namespace calvendra::bench {

// The texts of row i that a search looks in, for a benchmark that searches them.
struct SearchableRow {
    // The contact's first name, last name, home phone and home e-mail, then one text for each of
    // SearchableTexts::contactColumns.
    std::vector<std::string> contact;
    std::string subject;
    std::string text;
};

// A benchmark's own searchable words: further contact columns, and what row i holds.
struct SearchableTexts {
    std::vector<const char*> contactColumns;
    // Called with the row's default texts filled in, to change what it likes.
    std::function<void(int i, SearchableRow& row)> fill;
};

// `count` contacts and `count` schedules of every reminder kind, spread over 40 groups of each, and
// one empty group of each kind; `searchable` gives the rows words of a benchmark's own.
inline void FillDatabase(const std::string& file, int count,
                         const SearchableTexts& searchable = {}) {
    const SqliteFile owner = OpenSqlite(file);
    sqlite3* db = owner.get();
    Exec(db, "begin");
    for (int g = 0; g <= 40; ++g) {  // the last group stays empty
        for (const long base : {1000000002L, 2000000002L}) {
            const std::string sql = "insert into assist_group values('" + std::to_string(base + g) +
                                    "','Group " + std::to_string(g) + "','" +
                                    std::to_string(base - 1) + "')";
            Exec(db, sql.c_str());
        }
    }
    std::string columns = "contact_id,group_id,first_name,last_name,home_phone,home_email";
    std::string values = "?,?,?,?,?,?";
    for (const char* column : searchable.contactColumns) {
        columns += std::string(",") + column;
        values += ",?";
    }
    sqlite3_stmt* contact = nullptr;
    sqlite3_prepare_v2(
        db, ("insert into assist_contactmaininfo(" + columns + ") values(" + values + ")").c_str(),
        -1, &contact, nullptr);
    sqlite3_stmt* schedule = nullptr;
    sqlite3_prepare_v2(db, "insert into assist_scheduleinfo values(?,?,?,?,?,?,?,?,?,0)", -1,
                       &schedule, nullptr);
    SearchableRow row;
    for (int i = 0; i < count; ++i) {
        row.contact = {"First" + std::to_string(i), "Last" + std::to_string(i),
                       "555-" + std::to_string(1000 + i % 9000),
                       "person" + std::to_string(i) + "@example.org"};
        row.contact.resize(4 + searchable.contactColumns.size());
        row.subject = "Schedule number " + std::to_string(i);
        row.text = "Bring the figures for item " + std::to_string(i) + ".";
        if (searchable.fill) {
            searchable.fill(i, row);
        }
        const std::string contactId = std::to_string(1000000002L + 40 + i);
        const std::string contactGroup = std::to_string(1000000002L + i % 40);
        sqlite3_bind_text(contact, 1, contactId.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(contact, 2, contactGroup.c_str(), -1, SQLITE_TRANSIENT);
        for (std::size_t column = 0; column < row.contact.size(); ++column) {
            sqlite3_bind_text(contact, static_cast<int>(column) + 3, row.contact[column].c_str(),
                              -1, SQLITE_TRANSIENT);
        }
        const std::string id = std::to_string(2000000002L + 40 + i);
        const std::string group = std::to_string(2000000002L + i % 40);
        const std::string week = std::to_string(i % 7);
        const std::string date =
            "2024-" + std::to_string(1 + i % 12) + "-" + std::to_string(1 + i % 28);
        const std::string time = std::to_string(i % 24) + ":" + std::to_string(10 + i % 50) + ":00";
        sqlite3_bind_text(schedule, 1, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(schedule, 2, group.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(schedule, 3, row.subject.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(schedule, 4, row.text.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(schedule, 5, i % 5 == 0 ? 0 : 1);
        sqlite3_bind_int(schedule, 6, 1 + i % 3);
        sqlite3_bind_text(schedule, 7, week.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(schedule, 8, date.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(schedule, 9, time.c_str(), -1, SQLITE_TRANSIENT);
        for (sqlite3_stmt* insert : {contact, schedule}) {
            if (sqlite3_step(insert) != SQLITE_DONE) {
                throw std::runtime_error(sqlite3_errmsg(db));
            }
            sqlite3_reset(insert);
        }
    }
    sqlite3_finalize(contact);
    sqlite3_finalize(schedule);
    Exec(db, "commit");
}

// The rows of FillDatabase without searchable words of a benchmark's own, made by the database
// itself in one transaction (through psql, not the organizer's code).
inline void FillPostgresDatabase(const calvendra::testing::TestDatabase& database, int count) {
    const std::string last = std::to_string(count - 1);
    database.Execute(
        "begin;"
        "insert into assist_group select (b.base + g)::text, 'Group ' || g, (b.base - 1)::text "
        "from generate_series(0, 40) g, (values (1000000002), (2000000002)) b(base);"
        "insert into assist_contactmaininfo(contact_id, group_id, first_name, last_name, "
        "home_phone, home_email) select (1000000042 + i)::text, (1000000002 + i % 40)::text, "
        "'First' || i, 'Last' || i, '555-' || (1000 + i % 9000), 'person' || i || '@example.org' "
        "from generate_series(0, " +
        last +
        ") i;"
        "insert into assist_scheduleinfo select (2000000042 + i)::text, "
        "(2000000002 + i % 40)::text, 'Schedule number ' || i, "
        "'Bring the figures for item ' || i || '.', case when i % 5 = 0 then 0 else 1 end, "
        "1 + i % 3, (i % 7)::text, '2024-' || (1 + i % 12) || '-' || (1 + i % 28), "
        "(i % 24) || ':' || (10 + i % 50) || ':00', 0 from generate_series(0, " +
        last +
        ") i;"
        "commit;analyze;");
}

}  // namespace calvendra::bench
