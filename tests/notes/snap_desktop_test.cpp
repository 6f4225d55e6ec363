#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/uiaction.h>

#include "desktop/reminder_window.h"
#include "desktop/wx_snap_desktop.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/x11_probe.h"

namespace calvendra {
namespace {

using testing::DestroyAllTopLevelWindows;
using testing::PumpEvents;
using testing::WaitUntil;

class SnapDesktopTest : public ::testing::Test {
protected:
    void TearDown() override { DestroyAllTopLevelWindows(); }
};

TEST_F(SnapDesktopTest, ListsTheProgramsWindowsHiddenOnesTooButNoClosedOnes) {
    auto* shown = new wxFrame(nullptr, wxID_ANY, "Shown", wxPoint(300, 300), wxSize(400, 300));
    shown->Show();
    auto* hidden = new wxFrame(nullptr, wxID_ANY, "Hidden", wxPoint(700, 100), wxSize(300, 500));
    auto* closing = new wxFrame(nullptr, wxID_ANY, "Closing");
    closing->Show();
    PumpEvents();

    const WxSnapDesktop desktop(*shown);
    EXPECT_EQ(desktop.TopLevelWindows(),
              (std::vector<SnapWindowId>{WxSnapDesktop::IdOf(shown), WxSnapDesktop::IdOf(hidden),
                                         WxSnapDesktop::IdOf(closing)}));
    ASSERT_TRUE(desktop.WindowRect(WxSnapDesktop::IdOf(hidden)));
    EXPECT_EQ(*desktop.WindowRect(WxSnapDesktop::IdOf(hidden)), (Rect{700, 100, 1000, 600}));

    // A closed window is gone at once for the snapper, before wx has freed it and after.
    const SnapWindowId closedId = WxSnapDesktop::IdOf(closing);
    closing->Close();
    EXPECT_EQ(desktop.TopLevelWindows(),
              (std::vector<SnapWindowId>{WxSnapDesktop::IdOf(shown), WxSnapDesktop::IdOf(hidden)}));
    EXPECT_FALSE(desktop.WindowRect(closedId));
    ASSERT_TRUE(WaitUntil([] { return wxTopLevelWindows.size() == 2; }));
    EXPECT_FALSE(desktop.WindowRect(closedId));
}

TEST_F(SnapDesktopTest, WindowsAreSeenWithTheirLiveOuterRectangles) {
    OpenReminderWindow("Rectangle", "");
    auto* note = wxTopLevelWindows.GetLast()->GetData();
    const WxSnapDesktop desktop(*note);
    const SnapWindowId id = WxSnapDesktop::IdOf(note);
    ASSERT_TRUE(desktop.WindowRect(id));
    EXPECT_EQ(*desktop.WindowRect(id), (Rect{20, 20, 220, 220}));

    note->SetSize(50, 60, 250, 180);
    EXPECT_EQ(*desktop.WindowRect(id), (Rect{50, 60, 300, 240}));

    // An id that no window has yields nothing, however it was made.
    const int notAWindow = 0;
    EXPECT_FALSE(desktop.WindowRect(reinterpret_cast<SnapWindowId>(&notAWindow)));
    EXPECT_FALSE(desktop.WindowRect(0));
}

TEST_F(SnapDesktopTest, TheScreenIsTheMonitorAndTheCursorIsThePointer) {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Frame");
    frame->Show();
    const WxSnapDesktop desktop(*frame);
    ASSERT_TRUE(desktop.WindowRect(desktop.Screen()));
    EXPECT_EQ(*desktop.WindowRect(desktop.Screen()), (Rect{0, 0, 1280, 1024}));
    for (SnapWindowId window : desktop.TopLevelWindows()) {
        EXPECT_NE(window, desktop.Screen());
    }

    wxUIActionSimulator simulator;
    simulator.MouseMove(321, 456);
    ASSERT_TRUE(WaitUntil([&] {
        const Point cursor = desktop.CursorPosition();
        return cursor.x == 321 && cursor.y == 456;
    }));
}

}  // namespace
}  // namespace calvendra
