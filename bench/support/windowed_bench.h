#pragma once

// The start and end of a benchmark that opens windows, on the X server that DISPLAY names
// (scripts/bench runs a virtual one). The benchmark's program says
//     wxIMPLEMENT_APP_NO_MAIN(calvendra::bench::WindowedBenchApp);
// and its main returns RunWithWindows(argc, argv, Run).

#include <cstdio>
#include <exception>
#include <functional>

#include <wx/app.h>
#include <wx/init.h>

#include "desktop/toolkit_backends.h"
#include "platform/freed_memory.h"
#include "store/sqlite_allocation.h"

namespace calvendra::bench {

// Does nothing at start: the benchmark makes and drives its windows itself.
class WindowedBenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

// Starts wxWidgets as the organizer does, runs the benchmark and ends wxWidgets again. Returns what
// `run` returns, or 1 when wxWidgets could not start or the benchmark failed.
inline int RunWithWindows(int argc, char** argv, const std::function<int()>& run) {
    // As the organizer starts; its first connection tells SQLite before SQLite starts, and a
    // benchmark starts SQLite itself to fill its database.
    MapLargeBlocksApart();
    KeepNoSqliteMemoryStatistics();
    ChooseToolkitBackends();
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "no X server: run it under xvfb-run, as scripts/bench does\n");
        return 1;
    }
    int result = 1;
    if (wxTheApp->CallOnInit()) {
        try {
            result = run();
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "%s\n", failure.what());
        }
        wxTheApp->OnExit();
    }
    wxEntryCleanup();
    return result;
}

}  // namespace calvendra::bench
