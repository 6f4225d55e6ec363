#include "tests/gui/support/gui_test.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

extern char** environ;

namespace calvendra::testing {

void PumpEvents() {
    for (int round = 0; round < 3; ++round) {
        wxTheApp->Yield(true);
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        PumpEvents();
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool Activate(wxTopLevelWindow& window) {
    window.Show();
    window.Raise();
    if (!WaitUntil([&] { return window.IsShownOnScreen(); })) {
        return false;
    }
    // Window managers do not hand the focus to a window that no user has touched yet.
    wxUIActionSimulator mouse;
    const wxSize size = window.GetClientSize();
    mouse.MouseMove(window.ClientToScreen(wxPoint(size.x / 2, size.y / 2)));
    mouse.MouseClick();
    return WaitUntil([&] { return window.IsActive(); });
}

std::string TestConfigFolder() {
    const char* folder = std::getenv("XDG_CONFIG_HOME");
    return folder == nullptr ? std::string() : std::string(folder);
}

namespace {

// A window manager announces itself by owning the WM_S<screen> selection (ICCCM).
bool WindowManagerRunning() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    const std::string name = "WM_S" + std::to_string(DefaultScreen(display));
    const Window owner = XGetSelectionOwner(display, XInternAtom(display, name.c_str(), False));
    XCloseDisplay(display);
    return owner != None;
}

}  // namespace

WindowManager::WindowManager() {
    char program[] = "openbox";
    char option[] = "--sm-disable";
    char* arguments[] = {program, option, nullptr};
    pid_t pid = -1;
    if (posix_spawnp(&pid, program, nullptr, nullptr, arguments, environ) != 0) {
        return;
    }
    pid_ = pid;
    WaitUntil(WindowManagerRunning, std::chrono::milliseconds(10000));
}

WindowManager::~WindowManager() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

}  // namespace calvendra::testing
