// Listing a group and starting the organizer on 10,000, 100,000 and 1,000,000 contacts and
// schedules (the sizes may be given on the command line instead), on SQLite, or with --postgres on
// the PostgreSQL cluster that CALVENDRA_TEST_PG_PORT names (scripts/bench starts one);
// --without-previous leaves out the previous fill, which takes minutes at 100,000 rows;
// --start-up-only measures only the start-up, --reads-only only the reads of a list's rows (the
// organizer's and the bare ones) against the database's own client.
//
// List: "All Schedules" and "All Contacts" selected in the organizer's window. The window thread's
// longest stretch of work from the click until the list is complete, and the time until it is
// complete, against the result set's read of the same rows (CDBResultSet, every column), against
// the database's own client reading them (SQLite's C API, or psql printing them to /dev/null, its
// start-up taken off), and against the list as it was filled before: a report list that holds its
// rows, each row inserted and each cell set on the window thread. Memory: what the listed rows
// take, per row, beside the text a row shows, and the heap that the previous list took per row.
//
// Sort: a click on a column's header of "All Contacts" until the rows show in the new order, with
// the window thread's longest block, against the sort of the same rows alone.
//
// Start-up: the window set made, shown and drawn with its tree, as start-up does it, against the
// same on an empty database; then the time until the list is complete, and the longest time the
// shown window took to answer until a while after that (AnswerProbe).
//
// Needs an X server: scripts/bench runs it on a virtual one.
#include <malloc.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <wx/app.h>
#include <wx/docview.h>
#include <wx/eventfilter.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/listctrl.h>
#include <wx/treectrl.h>

#include "app/calvendra_doc.h"
#include "app/main_frame.h"
#include "app/window_set.h"
#include "bench/support/answer_probe.h"
#include "bench/support/bench_figures.h"
#include "bench/support/filled_database.h"
#include "bench/support/memory_figures.h"
#include "bench/support/windowed_bench.h"
#include "settings/profile.h"
#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/identifiers.h"
#include "store/query_rows.h"
#include "store/row_streaming.h"
#include "store/statements.h"
#include "tests/gui/support/previous_list_fill.h"
#include "tests/support/test_database.h"
#include "view/calvendra_view.h"
#include "view/item_list_ctrl.h"
#include "view/list_reading.h"
#include "view/row_order.h"

namespace {

using calvendra::CDBConnection;
using calvendra::Identifier;
using calvendra::bench::AllocatedBytes;
using calvendra::bench::Clock;
using calvendra::bench::FillDatabase;
using calvendra::bench::kMiB;
using calvendra::bench::Median;
using calvendra::bench::MillisecondsSince;
using calvendra::bench::OpenSqlite;
using calvendra::bench::ResidentBytes;
using calvendra::bench::Spread;
using calvendra::bench::SqliteFile;
using calvendra::bench::Thousands;
using calvendra::testing::Backend;
using calvendra::testing::TestDatabase;

constexpr int kRuns = 7;

// The result set's read of the rows a group lists, every column as text.
std::size_t ReadRows(CDBConnection& connection, const std::string& query, int columns) {
    std::size_t rows = 0;
    calvendra::CDBResultSet results(connection);
    std::string value;
    for (const calvendra::ResultRow& row : calvendra::QueryRows(results, query)) {
        for (int column = 0; column < columns; ++column) {
            value = row.Text(column);
        }
        ++rows;
    }
    return rows;
}

// The driver's own part of a list's read, with nothing of the organizer's in it: the query on
// the reading thread's kind of connection (forward-only, streamed), every column bound as text
// into buffers wide enough for every value, `rowsPerFetch` rows a call, the values not even looked
// at. What a read through the driver cannot go below.
std::size_t BareFetch(CDBConnection& connection, const std::string& query, int columns,
                      SQLULEN rowsPerFetch) {
    SQLHSTMT statement = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(
            SQLAllocHandle(SQL_HANDLE_STMT, connection.ConnectionHandle(), &statement))) {
        throw std::runtime_error("no statement for the bare fetch");
    }
    SQLULEN fetched = 0;
    SQLSetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowsPerFetch),
                   0);
    SQLSetStmtAttr(statement, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    constexpr SQLLEN kWidth = 512;
    std::vector<std::vector<char>> values(static_cast<std::size_t>(columns),
                                          std::vector<char>(kWidth * rowsPerFetch));
    std::vector<std::vector<SQLLEN>> lengths(static_cast<std::size_t>(columns),
                                             std::vector<SQLLEN>(rowsPerFetch));
    std::size_t rows = 0;
    if (SQL_SUCCEEDED(SQLExecDirect(
            statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(query.c_str())), SQL_NTS))) {
        for (std::size_t column = 0; column < values.size(); ++column) {
            SQLBindCol(statement, static_cast<SQLUSMALLINT>(column + 1), SQL_C_CHAR,
                       values[column].data(), kWidth, lengths[column].data());
        }
        while (SQL_SUCCEEDED(SQLFetchScroll(statement, SQL_FETCH_NEXT, 0))) {
            rows += fetched;
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return rows;
}

// The window thread from a click until the list is complete and drawn: its longest stretch of
// work and the whole time.
struct Listing {
    double longest = 0;
    double complete = 0;
};

// Starts `command` as a click would and runs the window thread until `busy` says it is done: the
// window thread's longest stretch of work and the whole time.
template <typename Command, typename Busy>
Listing Measure(calvendra::CCalvendraView& view, Command command, Busy busy) {
    wxTheApp->Yield(true);
    Listing listing;
    const Clock::time_point start = Clock::now();
    command();
    listing.longest = MillisecondsSince(start);
    do {
        if (!wxTheApp->Pending()) {
            wxMilliSleep(1);
        }
        const Clock::time_point stretch = Clock::now();
        wxTheApp->Yield(true);
        view.List()->Update();
        listing.longest = std::max(listing.longest, MillisecondsSince(stretch));
    } while (busy());
    listing.complete = MillisecondsSince(start);
    return listing;
}

// What a click on the group does.
Listing ListGroup(calvendra::CCalvendraView& view, const wxTreeItemId& group) {
    return Measure(
        view, [&] { view.FillList(group); }, [&] { return view.IsFillingList(); });
}

// What a click on a column's header does, until the rows show in the new order.
Listing SortList(calvendra::CCalvendraView& view, int column) {
    return Measure(
        view, [&] { view.SortByColumn(column); }, [&] { return view.IsSortingList(); });
}

Backend backend_ = Backend::kSqlite;
bool withPrevious_ = true;
bool startUpOnly_ = false;
bool readsOnly_ = false;

// What the summary lines add to name the database: nothing for SQLite.
std::string OnDatabase() {
    return backend_ == Backend::kSqlite ? std::string() : std::string(", PostgreSQL");
}

void MeasureSort(const char* name, int count, calvendra::CCalvendraView& view) {
    std::vector<double> alone, longest, complete;
    const calvendra::ListedRows rows = view.List()->Rows();
    for (int run = 0; run < kRuns; ++run) {
        // Each click a real sort: another column, or the same one the other way.
        const int column = run % 2;
        Clock::time_point start = Clock::now();
        const calvendra::ListedRows sorted =
            calvendra::SortedRows(rows, view.ListOrder().ClickedOn(column));
        alone.push_back(MillisecondsSince(start));
        const Listing sorting = SortList(view, column);
        longest.push_back(sorting.longest);
        complete.push_back(sorting.complete);
        if (view.List()->GetItemCount() != count ||
            view.List()->Rows().Fingerprint() != sorted.Fingerprint()) {
            throw std::runtime_error("the list shows other rows than the sort gave");
        }
    }
    const std::string what =
        std::string("\"") + name + "\", " + Thousands(count) + " rows" + OnDatabase();
    std::printf(
        "%s sorted by a column: %.1f ms until shown, the sort alone %.1f ms, the window "
        "thread's longest block %.1f ms\n",
        name, Median(complete), Median(alone), Median(longest));
    std::printf(
        "summary: %s: sorted by a clicked column, until shown; %.0f ms; %.0f ms (the "
        "sort alone); %.2f\n",
        what.c_str(), Median(complete), Median(alone), Median(complete) / Median(alone));
    std::printf(
        "summary: %s: longest block of the window thread while sorting; %.1f ms; %.0f ms "
        "(the sort alone); %.3f\n",
        what.c_str(), Median(longest), Median(alone), Median(longest) / Median(alone));
}

struct Group {
    const char* name;
    Identifier id;
    std::string query;
    int columns;
};

// Every row of the query, every column as text, through SQLite's own C API.
std::size_t RawRead(const std::string& file, const std::string& query) {
    const SqliteFile owner = OpenSqlite(file, SQLITE_OPEN_READONLY);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(owner.get(), query.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(owner.get()));
    }
    std::size_t rows = 0;
    const int columns = sqlite3_column_count(statement);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int column = 0; column < columns; ++column) {
            sqlite3_column_text(statement, column);
        }
        ++rows;
    }
    sqlite3_finalize(statement);
    return rows;
}

// Milliseconds that the command takes.
double CommandMs(const std::string& command) {
    const Clock::time_point start = Clock::now();
    if (calvendra::testing::RunCommand(command) != 0) {
        throw std::runtime_error("failed: " + command);
    }
    return MillisecondsSince(start);
}

// The database's own client reading every row of the query: SQLite's C API, or psql printing the
// rows unaligned to /dev/null, less psql's own start-up and connection (the same command on an
// empty query, right before).
double ClientRead(const TestDatabase& database, const std::string& query, int count) {
    if (database.GetBackend() == Backend::kSqlite) {
        const Clock::time_point start = Clock::now();
        if (RawRead(database.FilePath(), query) != static_cast<std::size_t>(count)) {
            throw std::runtime_error("SQLite read other rows");
        }
        return MillisecondsSince(start);
    }
    const std::string psql = database.ClientCommand() + " -At -o /dev/null -c ";
    const double startUp = CommandMs(psql + "\"select 1 where false\"");
    return std::max(0.0, CommandMs(psql + "\"" + query + "\"") - startUp);
}

const char* ClientName(const TestDatabase& database) {
    return database.GetBackend() == Backend::kSqlite ? "SQLite's C API read" : "psql's read";
}

// The previous fill holds every row in the toolkit's list: past this many rows it takes minutes
// and gigabytes, and is not measured.
constexpr int kMostPreviousFill = 100000;

bool FillsThePreviousWay(int count) {
    return withPrevious_ && count <= kMostPreviousFill;
}

void MeasureList(int count, const TestDatabase& database, calvendra::CCalvendraView& view,
                 CDBConnection& connection, wxFrame& previous) {
    const Group groups[] = {{"All Schedules", calvendra::kScheduleBaseGroupId,
                             calvendra::statements::SelectAllSchedules(), 7},
                            {"All Contacts", calvendra::kContactBaseGroupId,
                             calvendra::statements::SelectAllContacts(), 5}};
    const int runs = FillsThePreviousWay(count) ? kRuns : 3;
    std::vector<double> resident, allowed;
    // The reading thread's own kind of connection.
    const std::unique_ptr<CDBConnection> streamed =
        connection.MakeAnother(calvendra::RowReading::kStreamed);
    if (!streamed->OpenConnection()) {
        throw std::runtime_error(streamed->LastError().Text());
    }
    const char* client = ClientName(database);
    for (const Group& group : groups) {
        const auto found =
            (calvendra::IsContactRange(group.id) ? view.ContactGroups() : view.ScheduleGroups())
                .find(static_cast<unsigned long>(group.id));
        std::vector<double> raw, read, rowsRead, longest, complete, before, bare, bareBlocks;
        // The benchmark's own reads first: what they leave in the heap is given back before the
        // organizer lists, so that the memory figures are the organizer's.
        for (int run = 0; run < runs; ++run) {
            raw.push_back(ClientRead(database, group.query, count));
            Clock::time_point start = Clock::now();
            if (ReadRows(connection, group.query, group.columns) !=
                static_cast<std::size_t>(count)) {
                throw std::runtime_error("the result set read other rows");
            }
            read.push_back(MillisecondsSince(start));
            start = Clock::now();
            const calvendra::ListReading reading =
                calvendra::ReadListRows(*streamed, group.id, calvendra::ReminderWording{});
            rowsRead.push_back(MillisecondsSince(start));
            if (reading.rows.Size() != static_cast<std::size_t>(count)) {
                throw std::runtime_error("the list's reading read other rows");
            }
            for (const SQLULEN rowsPerFetch : {SQLULEN{1}, SQLULEN{256}}) {
                start = Clock::now();
                if (BareFetch(*streamed, group.query, group.columns, rowsPerFetch) !=
                    static_cast<std::size_t>(count)) {
                    throw std::runtime_error("the bare fetch read other rows");
                }
                (rowsPerFetch == 1 ? bare : bareBlocks).push_back(MillisecondsSince(start));
            }
        }
        malloc_trim(0);
        if (readsOnly_) {
            std::printf(
                "%s, %d rows: %s %.1f ms; the reading thread's read %.1f ms (%.2f); a bare "
                "fetch %.1f ms (%.2f), in blocks of 256 rows %.1f ms (%.2f)\n",
                group.name, count, client, Median(raw), Median(rowsRead),
                Median(rowsRead) / Median(raw), Median(bare), Median(bare) / Median(raw),
                Median(bareBlocks), Median(bareBlocks) / Median(raw));
            continue;
        }
        for (int run = 0; run < runs; ++run) {
            const Listing listing = ListGroup(view, found->second);
            longest.push_back(listing.longest);
            complete.push_back(listing.complete);
            if (view.List()->GetItemCount() != count) {
                throw std::runtime_error("the list shows other rows");
            }
            // The organizer idle with the list shown.
            for (int idle = 0; idle < 20; ++idle) {
                wxTheApp->Yield(true);
                wxMilliSleep(5);
            }
            resident.push_back(ResidentBytes() / kMiB);
            allowed.push_back(1.5 * AllocatedBytes() / kMiB + 50);
        }
        std::printf("memory: %s listed, idle: %s\n", group.name,
                    calvendra::bench::Describe(calvendra::bench::MeasureMemory()).c_str());
        // What the listed rows take, and the text they show.
        const calvendra::ListedRows& rows = view.List()->Rows();
        double textBytes = 0;
        for (std::size_t row = 0; row < rows.Size(); ++row) {
            for (int column = 0; column < 3; ++column) {
                textBytes += rows.Text(row, column).size();
            }
        }
        textBytes /= count;
        const double perRow = static_cast<double>(rows.MemoryBytes()) / count;
        // What a fill costs whatever its rows: handing the reading over and back, and drawing.
        const auto empty =
            (calvendra::IsContactRange(group.id) ? view.ContactGroups() : view.ScheduleGroups())
                .find(static_cast<unsigned long>(group.id + 41));
        std::vector<double> emptyComplete;
        for (int run = 0; run < runs; ++run) {
            emptyComplete.push_back(ListGroup(view, empty->second).complete);
        }
        // The previous fill, with the memory its rows add.
        double previousPerRow = 0;
        if (FillsThePreviousWay(count)) {
            auto* list = new wxListCtrl(&previous, wxID_ANY, wxDefaultPosition, wxSize(800, 600),
                                        wxLC_REPORT | wxLC_HRULES | wxLC_VRULES);
            for (int column = 0; column < 3; ++column) {
                list->InsertColumn(column, wxEmptyString, wxLIST_FORMAT_LEFT, 300);
            }
            const double allocatedBefore = AllocatedBytes();
            const int previousRuns = count > 50000 ? 1 : kRuns;
            for (int run = 0; run < previousRuns; ++run) {
                const Clock::time_point start = Clock::now();
                calvendra::testing::FillThePreviousWay(*list, connection, group.id);
                list->Update();
                before.push_back(MillisecondsSince(start));
            }
            previousPerRow = (AllocatedBytes() - allocatedBefore) / count;
            list->Destroy();
            wxTheApp->Yield(true);
            // The previous fill's freed rows are the benchmark's, not the organizer's.
            malloc_trim(0);
        } else {
            before.push_back(0);
        }

        std::printf(
            "%s: the list's own reading of the rows (streamed) %.1f ms; an empty group listed "
            "in %.1f ms; %s %.1f ms\n",
            group.name, Median(rowsRead), Median(emptyComplete), client, Median(raw));
        std::printf("%-13s %7d | %8.1f %8.1f %9.1f %6.2f | %9.1f | %7.0f %7.0f %9.0f\n", group.name,
                    count, Median(read), Median(longest), Median(complete),
                    Median(complete) / Median(read), Median(before), textBytes, perRow,
                    previousPerRow);
        const std::string what =
            std::string("\"") + group.name + "\", " + Thousands(count) + " rows" + OnDatabase();
        if (FillsThePreviousWay(count)) {
            std::printf(
                "summary: %s: longest block of the window thread; %.1f ms; %.0f ms (the "
                "previous fill); %.3f\n",
                what.c_str(), Median(longest), Median(before), Median(longest) / Median(before));
        } else {
            std::printf(
                "summary: %s: longest block of the window thread [min..max of %d]; %.1f ms "
                "%s; 100 ms (a pause a user notices); %.3f\n",
                what.c_str(), runs, Median(longest), Spread(longest, "%.1f").c_str(),
                Median(longest) / 100);
        }
        std::printf(
            "summary: %s: list complete [min..max of %d]; %.0f ms %s; %.0f ms %s (%s of the "
            "same rows); %.2f\n",
            what.c_str(), runs, Median(complete), Spread(complete).c_str(), Median(raw),
            Spread(raw).c_str(), client, Median(complete) / Median(raw));
        std::printf(
            "summary: %s: the reading thread's read of the list's rows [min..max of %d]; %.0f "
            "ms %s; %.0f ms %s (%s of the same rows); %.2f\n",
            what.c_str(), runs, Median(rowsRead), Spread(rowsRead).c_str(), Median(raw),
            Spread(raw).c_str(), client, Median(rowsRead) / Median(raw));
        for (const auto& [times, how] :
             {std::pair<const std::vector<double>&, const char*>{bare, "a row a call"},
              std::pair<const std::vector<double>&, const char*>{bareBlocks, "256 rows a call"}}) {
            std::printf(
                "summary: %s: a bare ODBC fetch of the same rows, %s, nothing of ours [min..max "
                "of %d]; %.0f ms %s; %.0f ms %s (%s of the same rows); %.2f\n",
                what.c_str(), how, runs, Median(times), Spread(times).c_str(), Median(raw),
                Spread(raw).c_str(), client, Median(times) / Median(raw));
        }
        if (FillsThePreviousWay(count)) {
            std::printf(
                "summary: %s: memory per listed row; %.0f bytes; %.0f bytes (the previous "
                "list); %.2f\n",
                what.c_str(), perRow, previousPerRow, perRow / previousPerRow);
        }
        std::printf(
            "summary: %s: memory per listed row against its text; %.0f bytes; %.0f bytes "
            "of shown text + 100; %.2f\n",
            what.c_str(), perRow, textBytes, perRow / (textBytes + 100));
    }
    if (readsOnly_) {
        return;
    }
    std::printf(
        "summary: organizer with a list of %s rows shown%s, idle: resident size [min..max of "
        "%zu]; %.0f MiB %s; %.0f MiB (1.5 x live heap + 50 MiB); %.2f\n",
        Thousands(count).c_str(), OnDatabase().c_str(), resident.size(), Median(resident),
        Spread(resident).c_str(), Median(allowed), Median(resident) / Median(allowed));
}

double ThreadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000 + static_cast<double>(now.tv_nsec) / 1e6;
}

// With BENCH_ITEM_LIST_TRACE set, every stretch of the window thread's events over 10 ms by the
// clock is printed with its own processor time and the events that ran in it (their kinds, and
// when each began), to find what makes a start-up's wait.
class StretchTrace : public wxEventFilter {
public:
    explicit StretchTrace(Clock::time_point start)
        : start_(start), on_(std::getenv("BENCH_ITEM_LIST_TRACE") != nullptr) {
        if (on_) {
            wxEvtHandler::AddFilter(this);
        }
    }
    ~StretchTrace() override {
        if (on_) {
            wxEvtHandler::RemoveFilter(this);
        }
    }

    void Yield() {
        events_.clear();
        const Clock::time_point begun = Clock::now();
        const double work = ThreadMilliseconds();
        wxTheApp->Yield(true);
        const double took = MillisecondsSince(begun);
        if (on_ && took > 10) {
            std::printf("  at %.1f ms: %.1f ms, %.1f ms of work:", MillisecondsSince(start_) - took,
                        took, ThreadMilliseconds() - work);
            for (const auto& [type, at] : events_) {
                std::printf(" %s@%.1f", Name(type),
                            std::chrono::duration<double, std::milli>(at - begun).count());
            }
            std::printf("\n");
        }
    }

    int FilterEvent(wxEvent& event) override {
        if (events_.size() < 40) {
            events_.emplace_back(event.GetEventType(), Clock::now());
        }
        return Event_Skip;
    }

private:
    static const char* Name(int type) {
        static const std::pair<wxEventType, const char*> names[] = {
            {wxEVT_PAINT, "paint"},
            {wxEVT_IDLE, "idle"},
            {wxEVT_TIMER, "timer"},
            {wxEVT_SIZE, "size"},
            {wxEVT_THREAD, "thread"},
            {wxEVT_ASYNC_METHOD_CALL, "call"},
            {wxEVT_ERASE_BACKGROUND, "erase"},
            {wxEVT_UPDATE_UI, "update-ui"},
            {wxEVT_MOVE, "move"},
            {wxEVT_SET_FOCUS, "focus"},
            {wxEVT_ACTIVATE, "activate"},
            {wxEVT_SHOW, "show"},
            {wxEVT_TREE_SEL_CHANGED, "tree-selection"}};
        for (const auto& [known, name] : names) {
            if (known == type) {
                return name;
            }
        }
        static char number[16];
        std::snprintf(number, sizeof number, "%d", type);
        return number;
    }

    Clock::time_point start_;
    bool on_;
    std::vector<std::pair<int, Clock::time_point>> events_;
};

// Start-up as the application does it: the window set made, then shown maximised and drawn.
struct StartUp {
    double shown = 0;
    double listComplete = 0;
    double longestWait = 0;
};

StartUp StartOrganizer() {
    wxDocManager documents;
    calvendra::RegisterDocumentTemplate(documents);
    StartUp times;
    const Clock::time_point start = Clock::now();
    const calvendra::WindowSet windows = calvendra::CreateWindowSet(documents);
    if (windows.frame == nullptr) {
        throw std::runtime_error("the window set could not be made");
    }
    windows.frame->Maximize(true);
    windows.frame->Show(true);
    windows.frame->Update();
    times.shown = MillisecondsSince(start);
    if (windows.view->Tree()->GetCount() == 0) {
        throw std::runtime_error("the window came without its tree");
    }
    calvendra::bench::AnswerProbe probe;
    StretchTrace trace(start);
    while (windows.view->IsFillingList()) {
        trace.Yield();
        wxMilliSleep(1);
    }
    times.listComplete = MillisecondsSince(start);
    const Clock::time_point settled = Clock::now();
    while (MillisecondsSince(settled) < 300) {
        trace.Yield();
        wxMilliSleep(1);
    }
    probe.Stop();
    times.longestWait = probe.LongestWaitMs();
    windows.frame->Destroy();
    wxTheApp->Yield(true);
    return times;
}

void MeasureStartUp(int count, double emptyShown) {
    std::vector<double> shown, complete, waits;
    for (int run = 0; run < kRuns; ++run) {
        const StartUp times = StartOrganizer();
        shown.push_back(times.shown);
        complete.push_back(times.listComplete);
        waits.push_back(times.longestWait);
    }
    std::printf(
        "start-up      %7d | shown with its tree %8.1f ms (empty: %.1f ms, %.2f) | list "
        "complete %8.1f ms\n",
        count, Median(shown), emptyShown, Median(shown) / emptyShown, Median(complete));
    if (count > 0) {
        std::printf(
            "summary: start-up, %s rows%s: window shown with its tree; %.0f ms; %.0f ms "
            "(empty database); %.2f\n",
            Thousands(count).c_str(), OnDatabase().c_str(), Median(shown), emptyShown,
            Median(shown) / emptyShown);
        std::printf(
            "summary: start-up, %s rows%s: longest wait for the shown window to answer "
            "[min..max of %d]; %.1f ms %s; 50 ms (the goal); %.2f\n",
            Thousands(count).c_str(), OnDatabase().c_str(), kRuns, Median(waits),
            Spread(waits, "%.1f").c_str(), Median(waits) / 50);
    }
}

double EmptyStartUp(Backend backend) {
    TestDatabase database(backend);
    StartOrganizer();  // the toolkit's first windows
    std::vector<double> shown;
    for (int run = 0; run < kRuns; ++run) {
        shown.push_back(StartOrganizer().shown);
    }
    return Median(shown);
}

// The sizes to measure: those given on the command line, or all three.
std::vector<int> sizes_;
std::vector<int> Sizes() {
    return sizes_.empty() ? std::vector<int>{10000, 100000, 1000000} : sizes_;
}

int Run() {
    calvendra::SelectProfile();
    std::printf("Milliseconds, median of %d runs; memory in bytes per listed row.\n\n", kRuns);
    std::printf("%-13s %7s | %8s %8s %9s %6s | %9s | %7s %7s %9s\n", "", "", "result", "longest",
                "list", "", "previous", "shown", "listed", "previous");
    std::printf("%-13s %7s | %8s %8s %9s %6s | %9s | %7s %7s %9s\n", "group", "rows", "set read",
                "block", "complete", "ratio", "fill", "text", "rows", "list");
    for (int count : Sizes()) {
        // Right before, so that the machine's load weighs on both alike.
        const double emptyShown = readsOnly_ ? 0 : EmptyStartUp(backend_);
        TestDatabase database(backend_);
        if (backend_ == Backend::kSqlite) {
            FillDatabase(database.FilePath(), count);
        } else {
            calvendra::bench::FillPostgresDatabase(database, count);
        }
        CDBConnection connection("Calvendra", "opal", "kelp");
        if (!connection.OpenConnection()) {
            throw std::runtime_error(connection.LastError().Text());
        }
        if (!readsOnly_) {
            MeasureStartUp(count, emptyShown);
        }
        if (startUpOnly_) {
            continue;
        }
        wxDocManager documents;
        calvendra::RegisterDocumentTemplate(documents);
        const calvendra::WindowSet windows = calvendra::CreateWindowSet(documents);
        windows.frame->Maximize(true);
        windows.frame->Show(true);
        auto* previous = new wxFrame(nullptr, wxID_ANY, "previous fill");
        previous->Show();
        MeasureList(count, database, *windows.view, connection, *previous);
        if (readsOnly_) {
            previous->Destroy();
            windows.frame->Destroy();
            wxTheApp->Yield(true);
            continue;
        }
        // Last, since the order chosen holds for every list read after it.
        ListGroup(*windows.view, windows.view->ContactGroups().at(
                                     static_cast<unsigned long>(calvendra::kContactBaseGroupId)));
        MeasureSort("All Contacts", count, *windows.view);
        previous->Destroy();
        // A minute scan's tick, as the timer gives it, and the organizer idle after it.
        windows.frame->ScanReminders();
        while (windows.frame->Scanner().IsReadingInBackground()) {
            wxTheApp->Yield(true);
            wxMilliSleep(1);
        }
        for (int idle = 0; idle < 20; ++idle) {
            wxTheApp->Yield(true);
            wxMilliSleep(5);
        }
        std::printf("memory: after a minute scan, idle: %s\n",
                    calvendra::bench::Describe(calvendra::bench::MeasureMemory()).c_str());
        windows.frame->Destroy();
        wxTheApp->Yield(true);
    }
    return 0;
}

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(calvendra::bench::WindowedBenchApp);

int main(int argc, char** argv) {
    for (int given = 1; given < argc; ++given) {
        if (std::string(argv[given]) == "--postgres") {
            backend_ = Backend::kPostgres;
        } else if (std::string(argv[given]) == "--without-previous") {
            withPrevious_ = false;
        } else if (std::string(argv[given]) == "--start-up-only") {
            startUpOnly_ = true;
        } else if (std::string(argv[given]) == "--reads-only") {
            readsOnly_ = true;
        } else {
            sizes_.push_back(std::atoi(argv[given]));
        }
    }
    argc = 1;
    return calvendra::bench::RunWithWindows(argc, argv, Run);
}
