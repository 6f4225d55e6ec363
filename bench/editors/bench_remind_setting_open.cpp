// Opening "Remind Setting" on 10,000 and 100,000 contacts, against the contacts query alone run on
// the same connection: the dialog reads the schedule's links once and fills a virtual list, so it
// should cost little more than that query. "and on screen" adds showing and drawing the dialog,
// whose cost the row without contacts shows. For 10,000 contacts it also times the contacts query
// with one link query per contact. Prints the median of five runs of each.
//
// Needs an X server: scripts/bench runs it on a virtual one.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/init.h>

#include "bench/support/bench_figures.h"
#include "bench/support/windowed_bench.h"
#include "editors/attendant_choice.h"
#include "editors/checked_list_ctrl.h"
#include "editors/remind_set_dlg.h"
#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statements.h"
#include "tests/support/test_database.h"

namespace {

using calvendra::Identifier;
using calvendra::bench::Clock;
using calvendra::bench::Exec;
using calvendra::bench::Median;
using calvendra::bench::MillisecondsSince;
using calvendra::bench::OpenSqlite;
using calvendra::bench::SqliteFile;

constexpr Identifier kScheduleId = 2000000002;
constexpr int kGroups = 40;
constexpr int kAttendants = 25;
constexpr int kRuns = 5;

// `count` contacts spread over the groups, and a schedule whose attendants are spread over them.
void FillContacts(const std::string& file, int count) {
    const SqliteFile owner = OpenSqlite(file);
    sqlite3* db = owner.get();
    Exec(db, "begin");
    for (int g = 0; g < kGroups; ++g) {
        const std::string sql = "insert into assist_group values('" +
                                std::to_string(1000000002L + g) + "','Group " + std::to_string(g) +
                                "','1000000001')";
        Exec(db, sql.c_str());
    }
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into assist_contactmaininfo(contact_id,group_id,first_name,"
                       "last_name,home_email) values(?,?,?,?,?)",
                       -1, &insert, nullptr);
    for (int i = 0; i < count; ++i) {
        const std::string id = std::to_string(1000000002L + i);
        const std::string group = std::to_string(1000000002L + i % kGroups);
        const std::string first = "First" + std::to_string(i);
        const std::string last = "Last" + std::to_string(i);
        const std::string email = "person" + std::to_string(i) + "@example.org";
        sqlite3_bind_text(insert, 1, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, group.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, first.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, last.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 5, email.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            throw std::runtime_error(sqlite3_errmsg(db));
        }
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    for (int a = 0; a < kAttendants; ++a) {
        const std::string sql = "insert into schedule_contact values('" +
                                std::to_string(kScheduleId) + "','" +
                                std::to_string(1000000002L + a * (count / kAttendants)) + "')";
        Exec(db, sql.c_str());
    }
    Exec(db, "commit");
}

double MedianMs(const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        // What the previous run left to the toolkit is done before the clock starts.
        wxTheApp->Yield(true);
        const Clock::time_point start = Clock::now();
        run();
        times.push_back(MillisecondsSince(start));
    }
    return Median(times);
}

// The contacts query alone, every column of every row read as the dialog reads them.
std::size_t ContactsQuery(calvendra::CDBConnection& connection) {
    std::size_t rows = 0;
    calvendra::CDBResultSet results(connection);
    for (const calvendra::ResultRow& row :
         calvendra::QueryRows(results, calvendra::statements::SelectContactsForAttendants())) {
        for (int column = 0; column < 5; ++column) {
            rows += row.Text(column).empty() ? 0 : 1;
        }
    }
    return rows / 5;
}

// The contacts query with one link query per listed contact.
std::size_t TicksOneQueryEach(calvendra::CDBConnection& connection) {
    std::size_t ticked = 0;
    calvendra::CDBResultSet results(connection);
    calvendra::CDBResultSet link(connection);
    for (const calvendra::ResultRow& row :
         calvendra::QueryRows(results, calvendra::statements::SelectContactsForAttendants())) {
        const Identifier contactId = row.Id(0);
        if (link.OpenQuery(calvendra::statements::SelectAttendantLink(kScheduleId, contactId))) {
            ++ticked;
        }
    }
    return ticked;
}

// The dialog made: its controls created, the contacts and links read and the list filled. With
// `show`, also put on the screen and drawn, which costs the same for any number of contacts.
std::size_t OpenRemindSetting(calvendra::CDBConnection& connection, bool show) {
    calvendra::CRemindSetDlg dialog(nullptr, connection, kScheduleId,
                                    calvendra::ReminderSettings());
    if (show) {
        dialog.Show();
        wxTheApp->Yield(true);
        dialog.Hide();
    }
    return dialog.AttendantList()->CheckedRows().size();
}

int Run() {
    std::printf("%9s %16s %14s %7s %16s %16s\n", "contacts", "contacts query", "opening", "ratio",
                "and on screen", "one query each");
    for (int count : {0, 10000, 100000}) {
        calvendra::testing::TestDatabase database;
        FillContacts(database.FilePath(), count);
        calvendra::CDBConnection connection("Calvendra", "opal", "kelp");
        if (!connection.OpenConnection()) {
            std::fprintf(stderr, "%s\n", connection.LastError().Text().c_str());
            return 1;
        }
        // Each reader once before timing, for the page cache and the toolkit's first windows.
        const std::size_t attendants = count == 0 ? 0 : kAttendants;
        if (ContactsQuery(connection) != static_cast<std::size_t>(count) ||
            OpenRemindSetting(connection, true) != attendants) {
            std::fprintf(stderr, "the database does not hold what was filled in\n");
            return 1;
        }
        const double queryMs = MedianMs([&] { ContactsQuery(connection); });
        const double openMs = MedianMs([&] { OpenRemindSetting(connection, false); });
        const double shownMs = MedianMs([&] { OpenRemindSetting(connection, true); });

        std::string eachText = "-";
        if (count == 10000) {
            if (TicksOneQueryEach(connection) != attendants) {
                std::fprintf(stderr, "one query each ticks other contacts\n");
                return 1;
            }
            char each[32];
            std::snprintf(each, sizeof each, "%.1f ms",
                          MedianMs([&] { TicksOneQueryEach(connection); }));
            eachText = each;
        }
        char ratio[16] = "-";
        if (count > 0) {
            std::snprintf(ratio, sizeof ratio, "%.2f", openMs / queryMs);
        }
        std::printf("%9d %13.1f ms %11.1f ms %7s %13.1f ms %16s\n", count, queryMs, openMs, ratio,
                    shownMs, eachText.c_str());
    }
    return 0;
}

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(calvendra::bench::WindowedBenchApp);

int main(int argc, char** argv) {
    return calvendra::bench::RunWithWindows(argc, argv, Run);
}
