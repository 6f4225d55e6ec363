// The search as the user types, on 100,000 contacts and 100,000 schedules.
//
// Typing: the words typed into the organizer's search field a key at a time, at a brisk typist's
// pace, as the field's own text events; the window thread's longest stretch of work from the first
// key until the results are on screen, and the time from the last key until the first of them (a
// screenful, handed over while the rest are read) and all of them are.
//
// Cost per keystroke: one search read on the organizer's connection (the statements, the rows
// handed over, each one decided on folded), against a raw query of the same rows: the same
// statement, in SQLite's own C API, only counting what comes back. Once on the database as made
// before the search index (the LIKE scan alone), once with the index.
//
// Needs an X server: scripts/bench runs it on a virtual one.
#include <sqlite3.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/docview.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/utils.h>

#include "app/calvendra_doc.h"
#include "app/main_frame.h"
#include "app/window_set.h"
#include "bench/support/bench_figures.h"
#include "bench/support/filled_database.h"
#include "bench/support/windowed_bench.h"
#include "find/search_reading.h"
#include "find/search_statements.h"
#include "find/text_folding.h"
#include "settings/profile.h"
#include "store/db_connection.h"
#include "tests/support/test_database.h"
#include "view/calvendra_view.h"
#include "view/item_list_ctrl.h"
#include "view/search_field.h"

namespace {

using calvendra::CDBConnection;
using calvendra::bench::Clock;
using calvendra::bench::Median;
using calvendra::bench::MillisecondsSince;
using calvendra::bench::OpenSqlite;
using calvendra::bench::SqliteFile;

constexpr int kCount = 100000;
constexpr int kRuns = 5;
// A brisk typist: a key every 120 ms.
constexpr long kKeyIntervalMs = 120;

const char* const kFirstNames[] = {"Anna",   "Ben",   "Clara",  "David", "Emma",  "Felix",
                                   "Greta",  "Hanna", "Ivan",   "Jonas", "Karin", "Lukas",
                                   "Maria",  "Nina",  "Oskar",  "Paula", "Rosa",  "Sven",
                                   "Tobias", "Ute",   "Jürgen", "Σοφία", "Олег",  "Émile"};
const char* const kLastNames[] = {"Berg",    "Rossi",  "Schmidt",  "Novak",   "Müller",
                                  "Larsen",  "Dubois", "Kowalski", "Jansen",  "Svensson",
                                  "Fischer", "Weber",  "Keller",   "Lambert", "Moreau",
                                  "Horvat",  "Nagy",   "Petrov",   "Yilmaz",  "Costa"};
const char* const kCities[] = {"Hamburg", "Wien",  "Zürich", "Lyon",    "Turin", "Gdańsk",
                               "Malmö",   "Porto", "Brno",   "Utrecht", "Graz",  "Köln"};
const char* const kJobs[] = {"Plumber",  "Engineer", "Teacher", "Nurse", "Accountant",
                             "Designer", "Baker",    "Lawyer",  "Driver"};
const char* const kTopics[] = {"budget", "roadmap", "hiring",   "offsite", "release",
                               "audit",  "invoice", "training", "review",  "launch"};

// The searches whose figures go into the README's table: a name, one word that every schedule
// holds, and one that nothing holds. The others are printed only.
bool Summarized(const std::string& typed) {
    return typed == "maria rossi" || typed == "figures" || typed == "zz";
}

template <std::size_t N>
const char* Pick(const char* const (&names)[N], int i) {
    return names[static_cast<std::size_t>(i) % N];
}

// Names, phones, e-mail, company and city for the contacts, and subjects and texts for the
// schedules, so that the searches find a few rows, many, or none.
calvendra::bench::SearchableTexts SearchableWords() {
    return {{"home_mobile", "business_phone", "business_email", "business_jobtitle",
             "business_department", "home_city", "business_city", "others"},
            [](int i, calvendra::bench::SearchableRow& row) {
                const std::string first = Pick(kFirstNames, i);
                const std::string last = Pick(kLastNames, i / 7);
                row.contact = {first,
                               last,
                               "040-" + std::to_string(100000 + (i * 7919L) % 900000),
                               "person" + std::to_string(i) + "@example.org",
                               "0170-" + std::to_string(1000000 + (i * 104729L) % 9000000),
                               "089-" + std::to_string(200000 + (i * 6007L) % 700000),
                               last + "." + std::to_string(i) + "@company.example",
                               Pick(kJobs, i / 3),
                               "Department " + std::to_string(i % 60),
                               Pick(kCities, i / 11),
                               Pick(kCities, i / 13),
                               "Met at the fair in " + std::string(Pick(kCities, i / 17)) + ", " +
                                   std::to_string(2000 + i % 25) +
                                   "; prefers calls in the morning."};
                row.subject =
                    "Meeting about the " + std::string(Pick(kTopics, i)) + " " + std::to_string(i);
                row.text = "Bring the figures for item " + std::to_string(i) +
                           " and the notes of " + Pick(kFirstNames, i / 5) + ".";
            }};
}

// One typing of `text` into the field, a key at a time.
struct Typing {
    double longestBlock = 0;
    // The window thread's own processor time in that stretch: on a busy machine a stretch takes
    // longer than the work in it while other programs have the processor.
    double longestBlockWork = 0;
    double afterLastKey = 0;
    double firstRowsAfterLastKey = -1;
    std::size_t found = 0;
};

double ThreadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000 + static_cast<double>(now.tv_nsec) / 1e6;
}

Typing TypeIntoField(calvendra::CCalvendraView& view, const std::string& text) {
    calvendra::CSearchField& field = *view.SearchField();
    Typing typing;
    const bool trace = std::getenv("BENCH_FIND_TRACE") != nullptr;
    const auto work = [&](const char* what, const std::function<void()>& stretch) {
        const Clock::time_point start = Clock::now();
        const double startWork = ThreadMilliseconds();
        stretch();
        const double took = MillisecondsSince(start);
        if (took > typing.longestBlock) {
            typing.longestBlock = took;
            typing.longestBlockWork = ThreadMilliseconds() - startWork;
        }
        if (trace && took > 10) {
            std::printf("  %s: %.1f ms, %.1f ms of work\n", what, took,
                        ThreadMilliseconds() - startWork);
        }
    };
    const auto runEvents = [&] {
        work("events", [] { wxTheApp->Yield(true); });
        work("painting", [&] { view.List()->Update(); });
    };
    Clock::time_point lastKey;
    for (std::size_t length = 1; length <= text.size(); ++length) {
        lastKey = Clock::now();
        work("key", [&] { field.SetValue(wxString::FromUTF8(text.substr(0, length))); });
        if (length == text.size()) {
            break;
        }
        // The events between two keys.
        while (MillisecondsSince(lastKey) < kKeyIntervalMs) {
            runEvents();
            wxMilliSleep(1);
        }
    }
    const auto seeFirstRows = [&] {
        if (typing.firstRowsAfterLastKey < 0 && view.ShowsLatestSearch()) {
            typing.firstRowsAfterLastKey = MillisecondsSince(lastKey);
        }
    };
    while (view.IsFillingList()) {
        runEvents();
        seeFirstRows();
        if (!wxTheApp->Pending()) {
            wxMilliSleep(1);
        }
    }
    runEvents();
    typing.afterLastKey = MillisecondsSince(lastKey);
    seeFirstRows();
    typing.found = static_cast<std::size_t>(view.List()->GetItemCount());
    return typing;
}

// The same statement as the search's, straight in SQLite, only counted.
std::size_t RawQuery(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
    std::size_t rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        ++rows;
    }
    sqlite3_finalize(statement);
    return rows;
}

void MeasureKeystrokeCost(CDBConnection& connection, sqlite3* raw, const std::string& typed,
                          calvendra::find::IndexUse index) {
    const calvendra::ReminderWording weekdays{};  // English, the stored forms
    const std::vector<std::string> words = calvendra::find::SearchWords(typed);
    const std::string contacts =
        calvendra::find::SelectContactCandidates(words, calvendra::find::Engine::kSqlite, index);
    const std::string schedules =
        calvendra::find::SelectScheduleCandidates(words, calvendra::find::Engine::kSqlite, index);
    std::vector<double> search, query;
    std::size_t found = 0;
    std::size_t candidates = 0;
    for (int run = 0; run < kRuns; ++run) {
        Clock::time_point start = Clock::now();
        const calvendra::find::FoundRows rows =
            calvendra::find::ReadFoundRows(connection, words, weekdays);
        search.push_back(MillisecondsSince(start));
        if (!rows.failure.Empty()) {
            throw std::runtime_error(rows.failure.Text());
        }
        found = rows.rows.Size();
        candidates = rows.candidates;
        start = Clock::now();
        const std::size_t rawRows = RawQuery(raw, contacts) + RawQuery(raw, schedules);
        query.push_back(MillisecondsSince(start));
        if (rawRows != candidates) {
            throw std::runtime_error("the raw query read other rows than the search");
        }
    }
    std::printf("%-22s | %8zu %8zu | %9.1f %9.1f %6.2f\n", ("\"" + typed + "\"").c_str(), found,
                candidates, Median(search), Median(query), Median(search) / Median(query));
    if (!Summarized(typed)) {
        return;
    }
    const bool indexed = index == calvendra::find::IndexUse::kSearchIndex;
    std::printf(
        "summary: search for \"%s\", 100,000 contacts + 100,000 schedules, %s: cost per "
        "keystroke; %.0f ms; %.0f ms (raw query of the same rows); %.2f\n",
        typed.c_str(), indexed ? "search index" : "no search index", Median(search), Median(query),
        Median(search) / Median(query));
}

int Run() {
    calvendra::SelectProfile();
    calvendra::testing::TestDatabase database;
    calvendra::bench::FillDatabase(database.FilePath(), kCount, SearchableWords());
    CDBConnection connection("Calvendra", "opal", "kelp");
    if (!connection.OpenConnection()) {
        throw std::runtime_error(connection.LastError().Text());
    }
    const SqliteFile raw = OpenSqlite(database.FilePath(), SQLITE_OPEN_READONLY);
    const std::vector<std::string> searches = {
        "rossi", "maria rossi", "müller köln", "plumber 0170-4", "budget 4711", "figures", "zz"};

    // First as a database made before the search index reads, then with the index, as the
    // installation step leaves every database.
    for (const calvendra::find::IndexUse index :
         {calvendra::find::IndexUse::kNone, calvendra::find::IndexUse::kSearchIndex}) {
        if (index == calvendra::find::IndexUse::kSearchIndex) {
            const Clock::time_point start = Clock::now();
            database.AddSearchIndex();
            std::printf("\nAdding the search index to %d contacts and %d schedules: %.0f ms\n",
                        kCount, kCount, MillisecondsSince(start));
        }
        std::printf(
            "\nCost per keystroke, %s, milliseconds, median of %d runs, %d contacts and %d "
            "schedules:\n\n",
            index == calvendra::find::IndexUse::kNone ? "no search index" : "search index", kRuns,
            kCount, kCount);
        std::printf("%-22s | %8s %8s | %9s %9s %6s\n", "typed", "found", "handed", "search",
                    "raw query", "ratio");
        for (const std::string& typed : searches) {
            MeasureKeystrokeCost(connection, raw.get(), typed, index);
        }
    }

    wxDocManager documents;
    calvendra::RegisterDocumentTemplate(documents);
    const calvendra::WindowSet windows = calvendra::CreateWindowSet(documents);
    if (windows.frame == nullptr) {
        throw std::runtime_error("the window set could not be made");
    }
    windows.frame->Maximize(true);
    windows.frame->Show(true);
    while (windows.view->IsFillingList()) {
        wxTheApp->Yield(true);
        wxMilliSleep(1);
    }
    std::printf(
        "\nTyping into the search field, search index, a key every %ld ms; milliseconds, median "
        "of %d runs:\n\n",
        kKeyIntervalMs, kRuns);
    std::printf("%-22s | %8s | %14s %8s %16s %16s\n", "typed", "found", "longest block", "its work",
                "first rows after", "all after last key");
    for (const std::string& typed : searches) {
        std::vector<double> longest, longestWork, firstAfter, after;
        std::size_t found = 0;
        for (int run = 0; run < kRuns; ++run) {
            // From the group's list, as a user starts a search.
            windows.view->SearchField()->SetValue(wxString());
            while (windows.view->IsFillingList()) {
                wxTheApp->Yield(true);
                wxMilliSleep(1);
            }
            const Typing typing = TypeIntoField(*windows.view, typed);
            longest.push_back(typing.longestBlock);
            longestWork.push_back(typing.longestBlockWork);
            firstAfter.push_back(typing.firstRowsAfterLastKey);
            after.push_back(typing.afterLastKey);
            found = typing.found;
        }
        std::printf("%-22s | %8zu | %14.1f %8.1f %16.1f %16.1f\n", ("\"" + typed + "\"").c_str(),
                    found, Median(longest), Median(longestWork), Median(firstAfter), Median(after));
        if (!Summarized(typed)) {
            continue;
        }
        std::printf(
            "summary: \"%s\" typed, 100,000 contacts + 100,000 schedules: longest block of the "
            "window thread; %.1f ms; 10 ms (goal); %.2f\n",
            typed.c_str(), Median(longest), Median(longest) / 10);
        std::printf(
            "summary: \"%s\" typed, 100,000 contacts + 100,000 schedules: the window thread's own "
            "processor time in its longest block; %.1f ms; 10 ms (goal); %.2f\n",
            typed.c_str(), Median(longestWork), Median(longestWork) / 10);
        std::printf(
            "summary: \"%s\" typed, 100,000 contacts + 100,000 schedules: first rows on screen "
            "after the last key; %.0f ms; 150 ms (goal); %.2f\n",
            typed.c_str(), Median(firstAfter), Median(firstAfter) / 150);
        std::printf(
            "summary: \"%s\" typed, 100,000 contacts + 100,000 schedules: results on screen after "
            "the last key; %.0f ms; 150 ms (goal); %.2f\n",
            typed.c_str(), Median(after), Median(after) / 150);
    }
    windows.frame->Destroy();
    wxTheApp->Yield(true);
    return 0;
}

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(calvendra::bench::WindowedBenchApp);

int main(int argc, char** argv) {
    return calvendra::bench::RunWithWindows(argc, argv, Run);
}
