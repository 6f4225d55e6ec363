#pragma once

#include <functional>
#include <string>
#include <vector>

#include <wx/window.h>

#include "desktop/screen_geometry.h"

namespace calvendra::testing {

// What the X server itself reports about the program's windows, so that the tests observe
// where a window really is rather than what wx remembers asking for.

// An X window id; Xlib stays out of the tests, its macros would clash with their names.
using XWindowId = unsigned long;

XWindowId XWindowOf(const wxWindow* window);

// The outer rectangle of a top-level window on the screen.
ScreenRect XRect(const wxWindow* window);
bool IsOnScreen(const wxWindow* window);

// Root children, bottom first.
std::vector<XWindowId> RootStacking();
// The root child that holds a window: the window itself, or the frame a window manager put
// around it.
XWindowId TopAncestor(XWindowId window);

// The atoms of an atom-list property, as names.
std::vector<std::string> AtomNames(XWindowId window, const char* property);
// The 32-bit items of a property of any format-32 type; empty when it is not set.
std::vector<long> Cardinals(XWindowId window, const char* property, const char* type);

// False when the window's hints tell the window manager never to give it the keyboard.
bool AcceptsKeyboard(XWindowId window);

// Lets the X server and wx handle everything queued, then runs the event loop until the
// condition holds or the time is up; the condition's last value is returned.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 3000);
// Lets everything that is queued now be handled.
void Settle();

// Destroys every top-level window and lets wx free them, so that each test starts on an empty
// screen.
void DestroyAllTopLevelWindows();

// A window manager on the test's display for as long as the object lives.
class ScopedWindowManager {
public:
    ScopedWindowManager();
    ~ScopedWindowManager();
    ScopedWindowManager(const ScopedWindowManager&) = delete;
    ScopedWindowManager& operator=(const ScopedWindowManager&) = delete;

    // True once the window manager has taken over the screen.
    bool Running() const { return running_; }

private:
    int process_ = -1;
    bool running_ = false;
};

}  // namespace calvendra::testing
