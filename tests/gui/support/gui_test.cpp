#include "tests/gui/support/gui_test.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <gdk/gdkx.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <thread>

#include <wx/app.h>
#include <wx/listctrl.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

extern char** environ;

namespace calvendra::testing {

namespace {

Display* XDisplay() {
    return GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
}

// A window manager announces itself by owning the WM_S<screen> selection (ICCCM).
bool WindowManagerRunning() {
    const std::string name = "WM_S" + std::to_string(DefaultScreen(XDisplay()));
    return XGetSelectionOwner(XDisplay(), XInternAtom(XDisplay(), name.c_str(), False)) != None;
}

}  // namespace

void PumpEvents() {
    for (int round = 0; round < 3; ++round) {
        // What the toolkit asked of the server is done, and its answers are queued.
        XSync(XDisplay(), False);
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
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool Activate(wxTopLevelWindow& window) {
    window.Show();
    window.Raise();
    if (!WaitUntil([&] { return window.IsShownOnScreen(); })) {
        return false;
    }
    // Window managers do not hand the focus to a window that no user has touched yet. A click
    // that comes while the window manager is still taking the window in goes unseen by it, so
    // the user clicks again.
    wxUIActionSimulator mouse;
    const wxSize size = window.GetClientSize();
    for (int click = 0; click < 5; ++click) {
        mouse.MouseMove(window.ClientToScreen(wxPoint(size.x / 2, size.y / 2)));
        mouse.MouseClick();
        if (WaitUntil([&] { return window.IsActive(); }, std::chrono::seconds(3))) {
            return true;
        }
    }
    return false;
}

void DestroyAllTopLevelWindows() {
    for (wxWindow* window : wxTopLevelWindows) {
        if (!window->IsBeingDeleted()) {
            window->Destroy();
        }
    }
    WaitUntil([] { return wxTopLevelWindows.empty(); });
}

int ColumnsWidth(wxListCtrl& list) {
    int width = 0;
    for (int column = 0; column < list.GetColumnCount(); ++column) {
        width += list.GetColumnWidth(column);
    }
    return width;
}

int RowsWidth(wxListCtrl& list) {
    return list.GetTargetWindow()->GetClientSize().x;
}

std::string TestConfigFolder() {
    const char* folder = std::getenv("XDG_CONFIG_HOME");
    return folder == nullptr ? std::string() : std::string(folder);
}

WindowManager::WindowManager() {
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = "openbox";
    char option[] = "--sm-disable";
    char* arguments[] = {program, option, nullptr};
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, program, &quiet, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (failed != 0) {
        return;
    }
    pid_ = pid;
    running_ = WaitUntil(WindowManagerRunning, std::chrono::seconds(30));
}

WindowManager::~WindowManager() {
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    // The window manager handed the windows back to the root as it left; its mark on the root
    // stays behind and would make the toolkit believe one still runs.
    XDeleteProperty(XDisplay(), DefaultRootWindow(XDisplay()),
                    XInternAtom(XDisplay(), "_NET_SUPPORTING_WM_CHECK", False));
    PumpEvents();
}

}  // namespace calvendra::testing
