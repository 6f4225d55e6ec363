// The window following the database, on 100,000 contacts and schedules with "All Schedules"
// listed (100,000 rows on the list).
//
// Idle: the share of one core that the whole organizer takes while nothing changes, its window
// shown, over a minute (its reminder scan included, which reads every schedule; no reminder falls
// due, so that no note opens), against the same organizer with its looks for changes put off (not
// following), measured in the same run, turn about, the median of three rounds each. One look
// that finds nothing changed, against reading the listed rows, which is what finding it out
// without the mark would cost.
//
// Another program's commit: a schedule that another connection to the file stores, from its
// commit until its row is on the screen, in "All Schedules" and in a group of 2,500 rows, against
// the same shown through View, Refresh right after the commit (the reading alone). The commits
// fall at spread moments of the look period.
//
// Needs an X server: scripts/bench runs it on a virtual one.
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/docview.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/treectrl.h>

#include "app/calvendra_doc.h"
#include "app/main_frame.h"
#include "app/window_set.h"
#include "bench/support/bench_figures.h"
#include "bench/support/filled_database.h"
#include "bench/support/windowed_bench.h"
#include "settings/profile.h"
#include "store/change_mark.h"
#include "store/db_connection.h"
#include "tests/support/test_database.h"
#include "view/calvendra_view.h"
#include "view/change_check.h"
#include "view/item_list_ctrl.h"
#include "view/list_reading.h"

namespace {

using calvendra::CCalvendraView;
using calvendra::Identifier;
using calvendra::bench::Clock;
using calvendra::bench::Median;
using calvendra::bench::MillisecondsSince;

constexpr int kRows = 100000;
// A whole minute each, so that each holds one tick of the reminder scan, which reads every
// schedule whether the window follows or not.
constexpr int kIdleRounds = 3;
constexpr std::chrono::seconds kIdleSpan{60};
constexpr int kCommitRounds = 7;
constexpr std::chrono::milliseconds kNotFollowing{std::chrono::hours(24)};
const calvendra::ReminderWording kWeekdays{};  // English, the stored forms

// CPU time of the whole process, every thread's, in seconds.
double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the window's event loop as the program's does, until `done` holds or `span` has passed;
// `done` is asked after every event and at least every millisecond.
void RunEventLoop(std::chrono::milliseconds span, const std::function<bool()>& done = nullptr) {
    wxGUIEventLoop loop;
    wxEventLoopActivator active(&loop);
    wxTimer stop;
    stop.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { loop.ScheduleExit(); });
    stop.StartOnce(static_cast<int>(span.count()));
    wxTimer check;
    if (done) {
        check.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            if (done()) {
                loop.ScheduleExit();
            }
        });
        check.Start(1);
    }
    loop.Run();
}

// The share of one core, in percent, that the process takes while it idles for the span.
double IdleCpuShare() {
    const double cpu = ProcessCpuSeconds();
    const Clock::time_point start = Clock::now();
    RunEventLoop(kIdleSpan);
    return (ProcessCpuSeconds() - cpu) / (MillisecondsSince(start) / 1000.0) * 100.0;
}

class AnotherProgram {
public:
    explicit AnotherProgram(const std::string& path)
        : file_(calvendra::bench::OpenSqlite(path, SQLITE_OPEN_READWRITE)) {}

    // Stores a schedule in the group and commits; the moment of the commit.
    Clock::time_point StoreSchedule(Identifier id, Identifier group) {
        const std::string sql = "insert into assist_scheduleinfo values('" + std::to_string(id) +
                                "','" + std::to_string(group) +
                                "','Stored elsewhere','',0,0,'0','','',0)";
        calvendra::bench::Exec(file_.get(), sql.c_str());
        return Clock::now();
    }

private:
    calvendra::bench::SqliteFile file_;
};

// From the commit of a schedule until its row is in the list and the list has drawn itself;
// `ask` runs right after the commit (a refresh, or nothing when the window is to find it itself).
double CommitToScreen(CCalvendraView& view, AnotherProgram& other, Identifier id, Identifier group,
                      const std::function<void()>& ask) {
    const Clock::time_point committed = other.StoreSchedule(id, group);
    if (ask) {
        ask();
    }
    RunEventLoop(std::chrono::seconds(60), [&] {
        if (view.List()->FindRow(id) < 0) {
            return false;
        }
        view.List()->Update();
        return true;
    });
    if (view.List()->FindRow(id) < 0) {
        throw std::runtime_error("the row stored elsewhere did not come");
    }
    return MillisecondsSince(committed);
}

void MeasureCommits(CCalvendraView& view, AnotherProgram& other, const char* what, Identifier group,
                    Identifier& nextId) {
    // As a click on the group does.
    view.Tree()->SelectItem(group == calvendra::kScheduleBaseGroupId
                                ? view.ScheduleRootItem()
                                : view.ScheduleGroups().at(static_cast<unsigned long>(group)));
    RunEventLoop(std::chrono::seconds(60), [&] { return !view.IsFillingList(); });
    std::vector<double> followed, refreshed;
    for (int round = 0; round < kCommitRounds; ++round) {
        // The commits fall at moments spread over the look period.
        RunEventLoop(calvendra::CCalvendraView::kFollowPeriod * (round + 1) / (kCommitRounds + 1));
        followed.push_back(CommitToScreen(view, other, nextId++, group, nullptr));
        refreshed.push_back(
            CommitToScreen(view, other, nextId++, group, [&] { view.RefreshFromDatabase(); }));
    }
    std::printf("%s: commit to screen %.0f ms (longest %.0f ms); with Refresh %.0f ms\n", what,
                Median(followed), *std::max_element(followed.begin(), followed.end()),
                Median(refreshed));
    std::printf(
        "summary: another program's new schedule on screen, %s; %.0f ms; %.0f ms (View, Refresh "
        "right after the commit); %.2f\n",
        what, Median(followed), Median(refreshed), Median(followed) / Median(refreshed));
}

// One look that finds nothing changed, on a connection of its own, against reading the rows.
void MeasureLook() {
    calvendra::CDBConnection connection("Calvendra", "opal", "kelp");
    if (!connection.OpenConnection()) {
        throw std::runtime_error(connection.LastError().Text());
    }
    calvendra::ShownData shown;
    shown.listedGroupId = calvendra::kScheduleBaseGroupId;
    shown.refresh = true;
    const calvendra::ChangeCheck first = calvendra::LookForChanges(connection, shown, kWeekdays);
    shown = {first.mark, first.tree->fingerprint, calvendra::kScheduleBaseGroupId,
             first.mark, first.list->fingerprint, false};
    constexpr int kLooks = 1000;
    const Clock::time_point start = Clock::now();
    for (int look = 0; look < kLooks; ++look) {
        if (calvendra::LookForChanges(connection, shown, kWeekdays).list) {
            throw std::runtime_error("a look found a change where there was none");
        }
    }
    const double lookMs = MillisecondsSince(start) / kLooks;
    std::vector<double> reads;
    for (int run = 0; run < 5; ++run) {
        const Clock::time_point read = Clock::now();
        calvendra::ReadListRows(connection, calvendra::kScheduleBaseGroupId, kWeekdays);
        reads.push_back(MillisecondsSince(read));
    }
    std::printf(
        "a look that finds nothing changed: %.3f ms, once a second %.4f %% of a core; reading the "
        "listed rows: %.0f ms\n",
        lookMs, lookMs / 10.0, Median(reads));
    std::printf(
        "summary: a look that finds nothing changed, 100,000 rows listed; %.3f ms; %.0f ms "
        "(reading the listed rows); %.5f\n",
        lookMs, Median(reads), lookMs / Median(reads));
}

int Run() {
    calvendra::SelectProfile();
    calvendra::testing::TestDatabase database;
    calvendra::bench::FillDatabase(database.FilePath(), kRows);
    // Idle means that nothing happens: the filled reminders would open some fifty notes a minute.
    calvendra::bench::Exec(
        calvendra::bench::OpenSqlite(database.FilePath(), SQLITE_OPEN_READWRITE).get(),
        "update assist_scheduleinfo set remind=0");
    wxDocManager documents;
    calvendra::RegisterDocumentTemplate(documents);
    const calvendra::WindowSet windows = calvendra::CreateWindowSet(documents);
    if (windows.frame == nullptr) {
        throw std::runtime_error("the window set could not be made");
    }
    windows.frame->Maximize(true);
    windows.frame->Show(true);
    CCalvendraView& view = *windows.view;
    RunEventLoop(std::chrono::seconds(60), [&] { return !view.IsFillingList(); });
    if (view.List()->GetItemCount() != kRows) {
        throw std::runtime_error("the list does not show every schedule");
    }

    // The first look finds the groups read at start-up up to date; from then on the organizer
    // idles.
    RunEventLoop(std::chrono::seconds(3));
    // Turn about, so that the machine's load weighs on both alike.
    std::vector<double> following, notFollowing;
    for (int round = 0; round < kIdleRounds; ++round) {
        view.SetFollowPeriod(calvendra::CCalvendraView::kFollowPeriod);
        following.push_back(IdleCpuShare());
        view.SetFollowPeriod(kNotFollowing);
        notFollowing.push_back(IdleCpuShare());
    }
    view.SetFollowPeriod(calvendra::CCalvendraView::kFollowPeriod);
    std::printf("idle, 100,000 rows listed: %.3f %% of a core following, %.3f %% not following\n",
                Median(following), Median(notFollowing));
    for (int round = 0; round < kIdleRounds; ++round) {
        std::printf("  round %d: %.3f %% following, %.3f %% not following\n", round + 1,
                    following[static_cast<std::size_t>(round)],
                    notFollowing[static_cast<std::size_t>(round)]);
    }
    std::printf(
        "summary: idle organizer, 100,000 rows listed: share of one core; %.3f %%; %.3f %% (not "
        "following); %.2f\n",
        Median(following), Median(notFollowing), Median(following) / Median(notFollowing));
    MeasureLook();

    AnotherProgram other(database.FilePath());
    Identifier nextId = 2900000000;
    MeasureCommits(view, other, "\"All Schedules\", 100,000 rows", calvendra::kScheduleBaseGroupId,
                   nextId);
    MeasureCommits(view, other, "a group of 2,500 of 100,000 rows", 2000000002, nextId);

    windows.frame->Destroy();
    wxTheApp->Yield(true);
    return 0;
}

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(calvendra::bench::WindowedBenchApp);

int main(int argc, char** argv) {
    return calvendra::bench::RunWithWindows(argc, argv, Run);
}
