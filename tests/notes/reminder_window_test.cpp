#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <gtk/gtk.h>
#include <wx/clipbrd.h>
#include <wx/frame.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "desktop/reminder_window.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/x11_probe.h"

namespace calvendra {
namespace {

using testing::AtomNames;
using testing::Cardinals;
using testing::DestroyAllTopLevelWindows;
using testing::IsOnScreen;
using testing::PumpEvents;
using testing::StackingPosition;
using testing::WaitUntil;
using testing::WindowManager;
using testing::XRect;
using testing::XWindowOf;

const Rect kNotePlace{20, 20, 220, 220};

class ReminderWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        simulator.MouseUp();
        DestroyAllTopLevelWindows();
    }

    // Opens a note the way delivery does and finds it among the top-level windows, shown.
    CReminderWnd* Open(const std::string& subject, const std::string& text) {
        const size_t before = wxTopLevelWindows.size();
        OpenReminderWindow(subject, text);
        if (wxTopLevelWindows.size() != before + 1) {
            ADD_FAILURE() << "no note was opened";
            return nullptr;
        }
        auto* note = dynamic_cast<CReminderWnd*>(wxTopLevelWindows.GetLast()->GetData());
        EXPECT_NE(note, nullptr);
        if (note != nullptr) {
            EXPECT_TRUE(WaitUntil([note] { return IsOnScreen(note) && XRect(note) == kNotePlace; }))
                << "the note did not appear at its place";
        }
        return note;
    }

    static wxTextCtrl* TextBoxOf(wxWindow* note) {
        for (wxWindow* child : note->GetChildren()) {
            if (auto* text = dynamic_cast<wxTextCtrl*>(child)) {
                return text;
            }
        }
        return nullptr;
    }

    // A point of the caption, left of the close button.
    static wxPoint CaptionPoint(const CReminderWnd* note, int x) {
        const wxRect rect = note->GetRect();
        return {rect.x + x, rect.y + note->Metrics().captionHeight / 2};
    }

    static wxPoint CloseButtonCentre(const CReminderWnd* note) {
        const Rect button = CloseButtonRect(note->Metrics(), note->GetRect().width);
        return {note->GetRect().x + (button.left + button.right) / 2,
                note->GetRect().y + (button.top + button.bottom) / 2};
    }

    void MoveMouse(const wxPoint& to) {
        simulator.MouseMove(to);
        EXPECT_TRUE(WaitUntil([&] { return wxGetMousePosition() == to; }))
            << "the pointer did not reach " << to.x << "," << to.y;
        PumpEvents();
    }

    // Moves the pressed mouse in steps of at most `step` pixels per axis, as a hand does.
    void DragMouse(wxPoint from, const wxPoint& to, int step) {
        while (from != to) {
            from.x += std::clamp(to.x - from.x, -step, step);
            from.y += std::clamp(to.y - from.y, -step, step);
            MoveMouse(from);
        }
    }

    void Press() {
        simulator.MouseDown();
        PumpEvents();
    }

    void Release() {
        simulator.MouseUp();
        PumpEvents();
    }

    wxUIActionSimulator simulator;
};

TEST_F(ReminderWindowTest, NotesOpenAtTheSamePlaceNewestOnTopAndStayWhileTheMainWindowHides) {
    auto* mainWindow =
        new wxFrame(nullptr, wxID_ANY, "Calvendra", wxPoint(0, 0), wxSize(1000, 800));
    mainWindow->Show();
    CReminderWnd* first = Open("Dentist", "At ten.");
    CReminderWnd* second = Open("Call Anna", "About the trip.");
    ASSERT_TRUE(first && second);

    EXPECT_EQ(XRect(first), kNotePlace);
    EXPECT_EQ(XRect(second), kNotePlace);
    EXPECT_EQ(first->GetRect(), wxRect(20, 20, 200, 200));

    mainWindow->Hide();
    ASSERT_TRUE(WaitUntil([&] { return !IsOnScreen(mainWindow); }));
    EXPECT_TRUE(first->IsShown());
    EXPECT_TRUE(second->IsShown());
    EXPECT_TRUE(IsOnScreen(first));
    EXPECT_TRUE(IsOnScreen(second));

    // The server's own stacking, bottom first: the newer note lies above the older one, and
    // both above the main window.
    EXPECT_GE(StackingPosition(mainWindow), 0);
    EXPECT_LT(StackingPosition(mainWindow), StackingPosition(first));
    EXPECT_LT(StackingPosition(first), StackingPosition(second));
}

TEST_F(ReminderWindowTest, SubjectAndTextAreShownAsTheyStand) {
    CReminderWnd* empty = Open("", "");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->GetTitle(), "");
    EXPECT_EQ(TextBoxOf(empty)->GetValue(), "");

    // Nothing in a subject is taken as formatting, and the text keeps its lines.
    CReminderWnd* note = Open("100% sure: <b>%s</b> & \"more\" \xc3\xa9t\xc3\xa9",
                              "First line\nSecond line\n\n\xe2\x82\xac 12");
    ASSERT_TRUE(note);
    EXPECT_EQ(note->GetTitle().utf8_string(), "100% sure: <b>%s</b> & \"more\" \xc3\xa9t\xc3\xa9");
    EXPECT_EQ(TextBoxOf(note)->GetValue().utf8_string(),
              "First line\nSecond line\n\n\xe2\x82\xac 12");
}

TEST_F(ReminderWindowTest, TextThatIsNotUtf8IsShownRatherThanLost) {
    CReminderWnd* note = Open("Caf\xe9", "Cr\xe8me br\xfbl\xe9\x65");
    ASSERT_TRUE(note);
    EXPECT_EQ(note->GetTitle(), wxString::FromUTF8("Caf\xc3\xa9"));
    EXPECT_EQ(TextBoxOf(note)->GetValue(),
              wxString::FromUTF8("Cr\xc3\xa8me br\xc3\xbbl\xc3\xa9\x65"));
}

TEST_F(ReminderWindowTest, IsAnUndecoratedAlwaysOnTopToolWindowWithoutTaskBarEntryOrOwner) {
    CReminderWnd* note = Open("Attributes", "");
    ASSERT_TRUE(note);
    const testing::XWindowId window = XWindowOf(note);

    const std::vector<std::string> type = AtomNames(window, "_NET_WM_WINDOW_TYPE");
    ASSERT_FALSE(type.empty());
    EXPECT_EQ(type.front(), "_NET_WM_WINDOW_TYPE_UTILITY");

    const std::vector<std::string> state = AtomNames(window, "_NET_WM_STATE");
    EXPECT_NE(std::find(state.begin(), state.end(), "_NET_WM_STATE_ABOVE"), state.end());
    EXPECT_NE(std::find(state.begin(), state.end(), "_NET_WM_STATE_SKIP_TASKBAR"), state.end());

    // Motif hints: flags, functions, decorations; the decorations flag is set and none are asked.
    const std::vector<long> motif = Cardinals(window, "_MOTIF_WM_HINTS", "_MOTIF_WM_HINTS");
    ASSERT_GE(motif.size(), 3u);
    EXPECT_TRUE(motif[0] & 2);
    EXPECT_EQ(motif[2], 0);

    EXPECT_TRUE(Cardinals(window, "WM_TRANSIENT_FOR", "WINDOW").empty());
    EXPECT_EQ(note->GetParent(), nullptr);

    // It accepts the keyboard, for selecting and copying.
    EXPECT_TRUE(testing::AcceptsKeyboard(window));
}

TEST_F(ReminderWindowTest, TextBoxFillsTheFrameAndReWrapsWhenTheNoteIsResized) {
    CReminderWnd* note = Open("Long",
                              "The quarterly review moves to the large meeting room on the "
                              "third floor; bring the printed figures and the signed forms.");
    ASSERT_TRUE(note);
    wxTextCtrl* text = TextBoxOf(note);
    ASSERT_NE(text, nullptr);
    const int border = note->Metrics().border;
    const int caption = note->Metrics().captionHeight;
    auto expectFills = [&](const wxSize& size) {
        EXPECT_EQ(text->GetRect(), wxRect(border, caption + border, size.x - 2 * border,
                                          size.y - caption - 2 * border));
    };
    expectFills(wxSize(200, 200));

    auto* view = GTK_TEXT_VIEW(gtk_bin_get_child(GTK_BIN(text->GetHandle())));
    auto lastLineTop = [view] {
        GtkTextIter end;
        gtk_text_buffer_get_end_iter(gtk_text_view_get_buffer(view), &end);
        GdkRectangle location;
        gtk_text_view_get_iter_location(view, &end, &location);
        return location.y;
    };
    EXPECT_NE(gtk_text_view_get_wrap_mode(view), GTK_WRAP_NONE);
    ASSERT_TRUE(WaitUntil([&] { return lastLineTop() > 0; })) << "the long text did not wrap";
    const int narrowTop = lastLineTop();

    // Widen the note by its bottom-right corner.
    MoveMouse(wxPoint(kNotePlace.right - 2, kNotePlace.bottom - 2));
    Press();
    DragMouse(wxPoint(kNotePlace.right - 2, kNotePlace.bottom - 2),
              wxPoint(kNotePlace.right + 298, kNotePlace.bottom + 58), 25);
    Release();
    ASSERT_TRUE(WaitUntil([&] {
        return XRect(note) == Rect{20, 20, 520, 280};
    })) << "the corner drag did not resize the note";
    ASSERT_TRUE(WaitUntil([&] { return text->GetRect().width == 500 - 2 * border; }));
    expectFills(wxSize(500, 260));
    EXPECT_TRUE(WaitUntil([&] { return lastLineTop() < narrowTop; }))
        << "the wider note did not re-wrap its text into fewer lines";
}

TEST_F(ReminderWindowTest, TextCannotBeEditedButCanBeSelectedAndCopied) {
    CReminderWnd* note = Open("Copy", "Room 4.12, second floor");
    ASSERT_TRUE(note);
    wxTextCtrl* text = TextBoxOf(note);
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(text->IsEditable());
    EXPECT_TRUE(text->IsMultiLine());

    text->SetSelection(-1, -1);
    EXPECT_EQ(text->GetStringSelection(), "Room 4.12, second floor");
    EXPECT_TRUE(text->CanCopy());
    EXPECT_FALSE(text->CanCut());
    EXPECT_FALSE(text->CanPaste());
    text->Copy();
    PumpEvents();

    ASSERT_TRUE(wxTheClipboard->Open());
    wxTextDataObject copied;
    EXPECT_TRUE(wxTheClipboard->GetData(copied));
    wxTheClipboard->Close();
    EXPECT_EQ(copied.GetText(), "Room 4.12, second floor");
}

TEST_F(ReminderWindowTest, DraggingTheCaptionNearTheScreensLeftEdgeSnapsOntoIt) {
    CReminderWnd* note = Open("Snap", "Drag me left.");
    ASSERT_TRUE(note);
    // Held 100 pixels right of the left edge: the window's left is the cursor's x minus 100.
    const wxPoint grip = CaptionPoint(note, 100);
    MoveMouse(grip);
    Press();
    DragMouse(grip, wxPoint(108, grip.y), 4);
    EXPECT_TRUE(WaitUntil([&] { return XRect(note).left == 8; }));
    DragMouse(wxPoint(108, grip.y), wxPoint(105, grip.y), 1);
    EXPECT_EQ(XRect(note).left, 5) << "5 pixels from the edge is not near enough to snap";

    MoveMouse(wxPoint(104, grip.y));
    EXPECT_TRUE(WaitUntil([&] { return XRect(note).left == 0; })) << "4 pixels away did not snap";

    // The edge holds while the cursor stays within 10 pixels of where it snapped...
    DragMouse(wxPoint(104, grip.y), wxPoint(114, grip.y), 1);
    EXPECT_EQ(XRect(note).left, 0);
    // ...and lets go beyond that, the window catching up with the cursor.
    MoveMouse(wxPoint(115, grip.y));
    EXPECT_TRUE(WaitUntil([&] { return XRect(note).left > 5; }));
    EXPECT_LE(std::abs(XRect(note).left - (115 - 100)), 5);

    // Back to the edge and let go there: the window stays snapped.
    DragMouse(wxPoint(115, grip.y), wxPoint(103, grip.y), 1);
    Release();
    EXPECT_TRUE(WaitUntil([&] { return XRect(note).left == 0; }));
    EXPECT_EQ(XRect(note).top, 20);
    EXPECT_EQ(XRect(note).Width(), 200);
    EXPECT_EQ(XRect(note).Height(), 200);
}

TEST_F(ReminderWindowTest, DraggingTheBottomEdgeNearTheScreensBottomSnapsOntoIt) {
    CReminderWnd* note = Open("Tall", "");
    ASSERT_TRUE(note);
    const wxPoint grip(kNotePlace.left + 100, kNotePlace.bottom - 2);
    MoveMouse(grip);
    Press();
    // The bottom edge follows the cursor exactly...
    DragMouse(grip, wxPoint(grip.x, 1012), 40);
    EXPECT_TRUE(WaitUntil([&] { return XRect(note).bottom == 1014; }));
    DragMouse(wxPoint(grip.x, 1012), wxPoint(grip.x, 1017), 1);
    // A resize reaches the server a moment after the move that asked for it.
    EXPECT_TRUE(WaitUntil([&] { return XRect(note).bottom == 1019; }));
    // ...until it comes within 4 pixels of the screen's bottom.
    MoveMouse(wxPoint(grip.x, 1018));
    EXPECT_TRUE(WaitUntil([&] { return XRect(note).bottom == 1024; }));
    Release();
    EXPECT_TRUE(WaitUntil([&] { return XRect(note) == Rect{20, 20, 220, 1024}; }));
    EXPECT_EQ(note->GetRect(), wxRect(20, 20, 200, 1004));
}

TEST_F(ReminderWindowTest, SizingStopsAtAMinimumAndKeepsTheOppositeEdge) {
    CReminderWnd* note = Open("Small", "");
    ASSERT_TRUE(note);
    const wxPoint grip(kNotePlace.left + 1, kNotePlace.top + 100);
    MoveMouse(grip);
    Press();
    DragMouse(grip, wxPoint(400, grip.y), 30);
    Release();
    const int minimumWidth = note->GetMinSize().x;
    EXPECT_GT(minimumWidth, 2 * note->Metrics().closeButtonSize);
    const Rect smallest{kNotePlace.right - minimumWidth, kNotePlace.top, kNotePlace.right,
                        kNotePlace.bottom};
    EXPECT_TRUE(WaitUntil([&] { return XRect(note) == smallest; }));
}

TEST_F(ReminderWindowTest, ANoteSnapsOntoTheProgramsOtherWindowsHiddenOnesToo) {
    // The hidden main window's left edge at 500 and another note's left edge at 800.
    auto* mainWindow =
        new wxFrame(nullptr, wxID_ANY, "Calvendra", wxPoint(500, 400), wxSize(400, 300));
    mainWindow->Show();
    mainWindow->Hide();
    CReminderWnd* other = Open("Other", "");
    CReminderWnd* note = Open("Moving", "");
    ASSERT_TRUE(other && note);
    other->SetSize(800, 20, 200, 200);
    ASSERT_TRUE(WaitUntil([&] { return XRect(other).left == 800; }));

    const wxPoint grip = CaptionPoint(note, 100);
    MoveMouse(grip);
    Press();
    // The right edge comes within 3 pixels of the other note's left edge; the tops were
    // already aligned.
    DragMouse(grip, wxPoint(grip.x + 560, grip.y), 20);
    DragMouse(wxPoint(grip.x + 560, grip.y), wxPoint(grip.x + 577, grip.y), 3);
    EXPECT_TRUE(WaitUntil([&] { return XRect(note).right == 800; }));
    EXPECT_EQ(XRect(note).top, 20);
    Release();

    // Down onto the hidden main window's top left corner: its left edge attracts the note's
    // left edge.
    const wxPoint grip2 = CaptionPoint(note, 100);
    MoveMouse(grip2);
    Press();
    DragMouse(grip2, wxPoint(grip2.x - 80, grip2.y + 280), 20);
    DragMouse(wxPoint(grip2.x - 80, grip2.y + 280), wxPoint(grip2.x - 100, grip2.y + 300), 3);
    Release();
    EXPECT_TRUE(WaitUntil([&] { return XRect(note).left == 500; }))
        << "at " << XRect(note).left << "," << XRect(note).top;
}

TEST_F(ReminderWindowTest, TheCloseButtonClosesAndFreesTheNoteOnlyWhenReleasedOverIt) {
    CReminderWnd* note = Open("Close me", "");
    ASSERT_TRUE(note);
    const wxPoint button = CloseButtonCentre(note);

    // Pressed, then released away from the button: nothing happens.
    MoveMouse(button);
    Press();
    DragMouse(button, wxPoint(button.x - 60, button.y + 60), 20);
    Release();
    EXPECT_TRUE(IsOnScreen(note));
    EXPECT_EQ(XRect(note), kNotePlace) << "pressing the close button must not move the note";

    MoveMouse(button);
    Press();
    Release();
    EXPECT_TRUE(WaitUntil([&] {
        return std::find(wxTopLevelWindows.begin(), wxTopLevelWindows.end(), note) ==
               wxTopLevelWindows.end();
    })) << "the closed note was not freed";
}

TEST_F(ReminderWindowTest, ClosingTheWayTheWindowManagerDoesFreesTheNote) {
    CReminderWnd* note = Open("Closed", "");
    ASSERT_TRUE(note);
    note->Close();
    EXPECT_TRUE(WaitUntil([&] {
        return std::find(wxTopLevelWindows.begin(), wxTopLevelWindows.end(), note) ==
               wxTopLevelWindows.end();
    }));
}

TEST_F(ReminderWindowTest, ClosingInTheMiddleOfADragLetsTheMouseGo) {
    CReminderWnd* note = Open("Dragged", "");
    ASSERT_TRUE(note);
    const wxPoint grip = CaptionPoint(note, 100);
    MoveMouse(grip);
    Press();
    DragMouse(grip, wxPoint(grip.x + 40, grip.y + 40), 10);
    ASSERT_TRUE(note->HasCapture());
    note->Close();
    EXPECT_EQ(wxWindow::GetCapture(), nullptr);
    EXPECT_TRUE(WaitUntil([&] {
        return std::find(wxTopLevelWindows.begin(), wxTopLevelWindows.end(), note) ==
               wxTopLevelWindows.end();
    }));
    Release();
}

TEST_F(ReminderWindowTest, LosingTheMouseEndsTheDragWhereItIs) {
    CReminderWnd* note = Open("Lost", "");
    ASSERT_TRUE(note);
    const wxPoint grip = CaptionPoint(note, 100);
    MoveMouse(grip);
    Press();
    DragMouse(grip, wxPoint(grip.x + 100, grip.y + 50), 10);
    ASSERT_TRUE(WaitUntil([&] { return XRect(note).left == 120; }));
    ASSERT_TRUE(note->HasCapture());

    // The window system breaks the grab, as when the window leaves the screen for a moment.
    note->Hide();
    EXPECT_TRUE(WaitUntil([&] { return !note->HasCapture(); }));
    note->Show();
    ASSERT_TRUE(WaitUntil([&] { return IsOnScreen(note); }));
    DragMouse(wxPoint(grip.x + 100, grip.y + 50), wxPoint(grip.x + 200, grip.y + 100), 10);
    Release();
    EXPECT_EQ(XRect(note), (Rect{120, 70, 320, 270}));

    EXPECT_FALSE(note->HasCapture());
    // The next press starts a fresh drag.
    const wxPoint again = CaptionPoint(note, 50);
    MoveMouse(again);
    Press();
    DragMouse(again, wxPoint(again.x + 30, again.y), 10);
    Release();
    EXPECT_TRUE(WaitUntil([&] { return XRect(note).left == 150; }));
}

// With a window manager, as on a desktop: the note stays above the main window when that comes
// to the front, and a click into it gives it the keyboard, so that the text can be copied with
// the keys.
TEST_F(ReminderWindowTest, WithAWindowManagerStaysOnTopAndTakesTheKeyboardForCopying) {
    WindowManager windowManager;
    ASSERT_TRUE(windowManager.IsRunning()) << "openbox did not start";

    CReminderWnd* note = Open("On top", "Bring the keys");
    ASSERT_TRUE(note);
    auto* mainWindow = new wxFrame(nullptr, wxID_ANY, "Calvendra", wxPoint(0, 0), wxSize(800, 600));
    mainWindow->Show();
    mainWindow->Raise();
    ASSERT_TRUE(WaitUntil([&] { return IsOnScreen(mainWindow); }));
    PumpEvents();
    EXPECT_TRUE(WaitUntil([&] {
        return StackingPosition(mainWindow) >= 0 &&
               StackingPosition(note) > StackingPosition(mainWindow);
    })) << "the main window came above the note";
    EXPECT_EQ(XRect(note), kNotePlace);

    wxTextCtrl* text = TextBoxOf(note);
    const wxRect textRect = text->GetScreenRect();
    MoveMouse(wxPoint(textRect.x + 20, textRect.y + 10));
    Press();
    Release();
    ASSERT_TRUE(WaitUntil([&] { return note->IsActive() && wxWindow::FindFocus() == text; }))
        << "a click into the note did not give it the keyboard";

    simulator.Char('a', wxMOD_CONTROL);
    simulator.Char('c', wxMOD_CONTROL);
    simulator.Char('x');
    simulator.Char(WXK_BACK);
    PumpEvents();
    EXPECT_EQ(text->GetValue(), "Bring the keys");

    ASSERT_TRUE(wxTheClipboard->Open());
    wxTextDataObject copied;
    EXPECT_TRUE(wxTheClipboard->GetData(copied));
    wxTheClipboard->Close();
    EXPECT_EQ(copied.GetText(), "Bring the keys");
}

}  // namespace
}  // namespace calvendra
