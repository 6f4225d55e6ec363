#pragma once

#include <chrono>
#include <functional>
#include <string>

class wxTopLevelWindow;

// What the organizer's window tests share: event pumping under a real X server, a window manager
// for the tests that need one, and the test process's own profile folder.
namespace calvendra::testing {

// Lets the toolkit process everything that is pending, including idle-time updates.
void PumpEvents();

// Pumps events until `done` holds or the time is up; the result of the last check.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

// Shows a top-level window and gives it the keyboard focus through the window manager, with a
// click into its corner as a user would. True when the window became active.
bool Activate(wxTopLevelWindow& window);

// The XDG config folder that the test main set up for this process.
std::string TestConfigFolder();

// Starts openbox on the test's display for the life of the object, for tests that need a window
// manager (maximising, activation). It is stopped, by its process id, when the object goes.
class WindowManager {
public:
    WindowManager();
    ~WindowManager();

    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    bool IsRunning() const { return pid_ > 0; }

private:
    int pid_ = -1;
};

}  // namespace calvendra::testing
