#pragma once

#include <chrono>
#include <functional>
#include <string>

class wxListCtrl;
class wxTopLevelWindow;

// What the window tests share: event pumping under a real X server (each test process has one
// of its own, started by the test main), a window manager for the tests that need one, and the
// test process's own profile folder.
namespace calvendra::testing {

// Lets the X server and the toolkit handle everything that is pending, idle-time updates and
// the freeing of destroyed windows included.
void PumpEvents();

// Pumps events until `done` holds or the time is up; the result of the last check. The default
// bound is generous, so that a loaded machine (the sanitizer build beside other work) still gets
// there: it costs time only when the condition never comes.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Shows a top-level window and gives it the keyboard focus through the window manager, with a
// click into its corner as a user would. True when the window became active.
bool Activate(wxTopLevelWindow& window);

// Destroys every top-level window and lets wx free them, so that the next steps start on an
// empty screen.
void DestroyAllTopLevelWindows();

// The widths of a report list's columns together, and the width of its rows' window, which the
// columns fill.
int ColumnsWidth(wxListCtrl& list);
int RowsWidth(wxListCtrl& list);

// The XDG config folder that the test main set up for this process.
std::string TestConfigFolder();

// Starts openbox on the test's display for the life of the object, for tests that need a window
// manager (maximising, activation, stacking). It is stopped, by its process id, when the object
// goes.
class WindowManager {
public:
    WindowManager();
    ~WindowManager();

    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // True once the window manager has taken over the screen.
    bool IsRunning() const { return running_; }

private:
    int pid_ = -1;
    bool running_ = false;
};

}  // namespace calvendra::testing
