// The organizer with and without the outside skin library: a stand-in that records its calls is
// found on the dynamic linker's search path and called at start-up and exit, and without it the
// organizer runs as always and says nothing about it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <wx/uiaction.h>

#include "tests/gui/support/gui_test.h"
#include "tests/support/odbc_sandbox.h"
#include "tests/support/test_database.h"

// Xlib's macros (None, Bool, Status) must come after GoogleTest's headers.
#include <gdk/gdkx.h>

#include "app/single_instance.h"

extern char** environ;

namespace calvendra::testing {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class SkinnedOrganizerTest : public ::testing::Test {
protected:
    void SetUp() override {
        database_ = std::make_unique<TestDatabase>();
        std::string pattern = fs::temp_directory_path() / "calvendra-skinned.XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        fs::create_directories(folder_ + "/no-library");
    }

    void TearDown() override {
        if (program_ > 0) {
            kill(program_, SIGKILL);
            waitpid(program_, nullptr, 0);
        }
        fs::remove_all(folder_);
        database_.reset();
    }

    std::string Record() const { return folder_ + "/calls"; }
    std::string Output() const { return ReadFileText(folder_ + "/output"); }
    std::string SystemDirectory() const { return folder_ + "/system"; }

    // Starts the organizer with `libraries` as the dynamic linker's search path and waits until
    // its main window is on the screen; that window's X id.
    unsigned long Launch(const std::string& libraries) {
        std::vector<std::string> settings = {"LD_LIBRARY_PATH=" + libraries,
                                             "CALVENDRA_SKIN_RECORD=" + Record(),
                                             "CALVENDRA_SYSTEM_DIR=" + SystemDirectory()};
        for (char** variable = environ; *variable != nullptr; ++variable) {
            settings.emplace_back(*variable);
        }
        std::vector<char*> environment;
        for (std::string& setting : settings) {
            environment.push_back(setting.data());
        }
        environment.push_back(nullptr);
        posix_spawn_file_actions_t output;
        posix_spawn_file_actions_init(&output);
        const std::string outputPath = folder_ + "/output";
        posix_spawn_file_actions_addopen(&output, STDOUT_FILENO, outputPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&output, STDOUT_FILENO, STDERR_FILENO);
        char program[] = CALVENDRA_PROGRAM;
        char* arguments[] = {program, nullptr};
        const int failed =
            posix_spawn(&program_, program, &output, nullptr, arguments, environment.data());
        posix_spawn_file_actions_destroy(&output);
        if (failed != 0) {
            ADD_FAILURE() << "cannot start " << program;
            return 0;
        }
        Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
        Window window = None;
        WaitUntil([&] { return (window = FindInstanceWindow(display)) != None; },
                  std::chrono::seconds(60));
        return window;
    }

    // Ends the organizer as a user would, with "Exit" of its File menu: F10 opens the menu bar,
    // Up selects the menu's last entry, "Exit", and Return chooses it. Its exit status, or -1
    // when it did not end.
    int ExitThroughFileMenu() {
        Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
        // The keys go to the window that has the focus: the window manager gives it to the
        // organizer's window a moment after that window appears.
        const Window window = FindInstanceWindow(display);
        WaitUntil([&] { return window != None && FocusIsIn(display, window); });
        for (int attempt = 0; attempt < 3; ++attempt) {
            wxUIActionSimulator keyboard;
            // Other unframed windows may be there already: the menu is one more.
            const int before = UnframedWindows(display);
            keyboard.Char(WXK_F10);
            // The keys that follow go to the menu once it is open.
            if (!WaitUntil([&] { return UnframedWindows(display) > before; },
                           std::chrono::seconds(15))) {
                continue;
            }
            keyboard.Char(WXK_UP);
            keyboard.Char(WXK_RETURN);
            // Ending takes a while on a loaded machine: the mail worker's grace, the database.
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (std::chrono::steady_clock::now() < end) {
                int status = 0;
                if (waitpid(program_, &status, WNOHANG) == program_) {
                    program_ = -1;
                    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        return -1;
    }

    // Whether the keyboard focus is on `window` or on a window inside it (GTK focuses one).
    static bool FocusIsIn(Display* display, Window window) {
        GdkDisplay* gdk = gdk_display_get_default();
        gdk_x11_display_error_trap_push(gdk);
        Window focused = None;
        int revert = 0;
        XGetInputFocus(display, &focused, &revert);
        const Window rootWindow = DefaultRootWindow(display);
        bool inside = false;
        // PointerRoot and None are no windows.
        while (focused != None && focused != PointerRoot && focused != rootWindow) {
            if (focused == window) {
                inside = true;
                break;
            }
            Window root = None;
            Window parent = None;
            Window* children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display, focused, &root, &parent, &children, &count)) {
                break;
            }
            if (children != nullptr) {
                XFree(children);
            }
            focused = parent;
        }
        gdk_x11_display_error_trap_pop_ignored(gdk);
        return inside;
    }

    // How many windows on the root the window manager does not frame and that are shown: GTK
    // shows an open menu in one of them.
    static int UnframedWindows(Display* display) {
        GdkDisplay* gdk = gdk_display_get_default();
        gdk_x11_display_error_trap_push(gdk);
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned count = 0;
        int unframed = 0;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
            for (unsigned i = 0; i < count; ++i) {
                XWindowAttributes attributes{};
                if (XGetWindowAttributes(display, children[i], &attributes) &&
                    attributes.override_redirect && attributes.map_state == IsViewable) {
                    ++unframed;
                }
            }
            XFree(children);
        }
        gdk_x11_display_error_trap_pop_ignored(gdk);
        return unframed;
    }

    Lines Calls() const { return ReadFileLines(Record()); }

    std::unique_ptr<TestDatabase> database_;
    std::string folder_;
    pid_t program_ = -1;
};

TEST_F(SkinnedOrganizerTest, TheLibraryOnTheSearchPathIsStartedAppliedToTheMainWindowAndRemoved) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    const unsigned long window = Launch(CALVENDRA_SKIN_STAND_IN_FOLDER);
    ASSERT_NE(window, 0u) << Output();
    // The window is skinned once it is shown.
    ASSERT_TRUE(WaitUntil([&] { return Calls().size() >= 3; })) << Output();

    EXPECT_EQ(ExitThroughFileMenu(), 0) << Output();
    const std::string skinFile = SystemDirectory() + "/Calvendra/main.urf";
    EXPECT_EQ(Calls(),
              (Lines{"load",
                     "SkinStart|" + skinFile + "|" + std::to_string(skinFile.size()) +
                         " zero-filled| zero-filled|1|null| zero-filled",
                     "SkinWindowSet|" + std::to_string(window) + "|1", "SkinRemove", "unload"}));
    EXPECT_EQ(Output(), "");
}

TEST_F(SkinnedOrganizerTest, WithoutTheLibraryTheOrganizerRunsAndSaysNothingAboutIt) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    ASSERT_NE(Launch(folder_ + "/no-library"), 0u) << Output();
    EXPECT_EQ(ExitThroughFileMenu(), 0) << Output();
    EXPECT_FALSE(fs::exists(Record()));
    EXPECT_EQ(Output(), "");
}

}  // namespace
}  // namespace calvendra::testing
