// The single-instance rule through the X property "Calvendra1.0" = 1010.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/main_frame.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"

// Xlib's macros (None, Bool, Status) must come after GoogleTest's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include "app/single_instance.h"

namespace calvendra::testing {
namespace {

Display* ProgramDisplay() {
    return GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
}

Window XidOf(wxWindow& window) {
    return GDK_WINDOW_XID(gtk_widget_get_window(static_cast<GtkWidget*>(window.GetHandle())));
}

// A top-level window of another program, on a connection of its own.
class ForeignWindow {
public:
    ForeignWindow() : display_(XOpenDisplay(nullptr)) {
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 50, 50, 0, 0, 0);
        XSync(display_, False);
    }
    ~ForeignWindow() {
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }

    void SetProperty(long value) {
        XChangeProperty(display_, window_, XInternAtom(display_, "Calvendra1.0", False),
                        XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
        XSync(display_, False);
    }

    // Waits for an event sent to the window; true when it is a request to show.
    bool ReceivedShowRequest() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < end) {
            XEvent event;
            if (XCheckTypedWindowEvent(display_, window_, ClientMessage, &event)) {
                return IsShowRequest(display_, event);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    Window Id() const { return window_; }

private:
    Display* display_;
    Window window_;
};

TEST(SingleInstance, NoMarkedWindowMeansNoRunningInstance) {
    ForeignWindow unrelated;
    EXPECT_EQ(FindInstanceWindow(ProgramDisplay()), static_cast<Window>(None));
    EXPECT_FALSE(HandOverToRunningInstance());
}

TEST(SingleInstance, AForeignWindowCarryingThePropertyIsTakenForTheRunningInstance) {
    ForeignWindow wrongValue;
    wrongValue.SetProperty(1011);
    ForeignWindow marked;
    marked.SetProperty(1010);

    EXPECT_EQ(FindInstanceWindow(ProgramDisplay()), marked.Id());
    EXPECT_TRUE(HandOverToRunningInstance());
    EXPECT_TRUE(marked.ReceivedShowRequest());
}

class RunningInstanceTest : public OrganizerTest {};

TEST_F(RunningInstanceTest, TheMainFrameCarriesTheMarkerUntilItGoes) {
    Start();
    EXPECT_EQ(FindInstanceWindow(ProgramDisplay()), XidOf(*Windows().frame));
}

TEST_F(RunningInstanceTest, ASecondCalvendraFindsTheFirstAndBringsItBackMaximised) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start(true);
    CMainFrame& frame = *Windows().frame;
    ASSERT_TRUE(WaitUntil([&] { return frame.IsShownOnScreen() && frame.IsMaximized(); }));
    // (asked again while it does not hold: a request made while the window manager is still
    // placing the window can be lost)
    ASSERT_TRUE(WaitUntil([&] {
        frame.Maximize(false);
        return !frame.IsMaximized();
    }));
    frame.Close();  // hides it in the notification area
    ASSERT_TRUE(WaitUntil([&] { return !frame.IsShownOnScreen(); }));

    // The second process must end by itself, with no window of its own; the time-out only keeps
    // a failure from hanging the test.
    std::string output;
    const int status = RunCommand("timeout 30 " CALVENDRA_PROGRAM " 2>&1", &output);
    EXPECT_EQ(status, 0) << output;

    EXPECT_TRUE(WaitUntil([&] { return frame.IsShownOnScreen() && frame.IsMaximized(); }));
}

}  // namespace
}  // namespace calvendra::testing
