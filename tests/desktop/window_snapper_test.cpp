#include <gtest/gtest.h>

#include <map>

#include "desktop/window_snapper.h"

namespace calvendra {
namespace {

constexpr SnapWindowId kScreen = 1;
constexpr SnapWindowId kNote = 2;
constexpr SnapWindowId kOtherNote = 3;
constexpr SnapWindowId kMainWindow = 4;

// A desktop of plain rectangles: a 1280 by 1024 screen and whatever windows a test places.
class FakeDesktop : public SnapDesktop {
public:
    FakeDesktop() { rects[kScreen] = {0, 0, 1280, 1024}; }

    Point CursorPosition() const override { return cursor; }
    std::vector<SnapWindowId> TopLevelWindows() const override { return windows; }
    SnapWindowId Screen() const override { return kScreen; }
    std::optional<Rect> WindowRect(SnapWindowId window) const override {
        const auto found = rects.find(window);
        if (found == rects.end()) {
            return std::nullopt;
        }
        return found->second;
    }

    Point cursor;
    std::vector<SnapWindowId> windows;
    std::map<SnapWindowId, Rect> rects;
};

// Drags the note, holding it by its caption 50 pixels right of its left edge: the cursor leads
// and the proposal is where the window would go without snapping.
class DragTest : public ::testing::Test {
protected:
    void SetUp() override {
        desktop.windows = {kNote};
        desktop.rects[kNote] = {100, 100, 300, 300};
        snapper.Begin(kNote);
    }

    // Moves the cursor to x, y a pixel at a time, as a mouse does, offering each step's proposal
    // the way the move loop does: the window where the last step put it, shifted by what the
    // cursor travelled since.
    Rect MoveTo(int x, int y) {
        while (cursor.x != x || cursor.y != y) {
            const int dx = x > cursor.x ? 1 : x < cursor.x ? -1 : 0;
            const int dy = y > cursor.y ? 1 : y < cursor.y ? -1 : 0;
            Rect proposed = window;
            proposed.Offset(dx, dy);
            cursor = {cursor.x + dx, cursor.y + dy};
            desktop.cursor = cursor;
            snapper.SnapWhileMoving(proposed);
            window = proposed;
            desktop.rects[kNote] = window;
        }
        return window;
    }

    FakeDesktop desktop;
    CWindowSnapper snapper{desktop};
    Rect window{100, 100, 300, 300};
    Point cursor{150, 110};
};

TEST_F(DragTest, LeftEdgeSnapsToTheScreenHoldsForTenPixelsThenFollows) {
    // The left edge comes to 4, near the screen's left edge, and jumps onto it.
    EXPECT_EQ(MoveTo(55, 110).left, 5);
    EXPECT_EQ(MoveTo(54, 110).left, 0);
    EXPECT_TRUE(snapper.IsStuck(CWindowSnapper::kLeft));
    // While the cursor stays within 10 pixels of where the edge snapped, the edge holds.
    EXPECT_EQ(MoveTo(64, 110).left, 0);
    EXPECT_EQ(MoveTo(44, 110).left, 0);
    EXPECT_EQ(MoveTo(64, 118).left, 0);
    // One pixel more and the window catches up with the cursor's 11 pixels at once.
    const Rect released = MoveTo(65, 118);
    EXPECT_FALSE(snapper.IsStuck(CWindowSnapper::kLeft));
    EXPECT_EQ(released.left, 12);
    EXPECT_EQ(released.Width(), 200);
    // From then on it follows the cursor.
    EXPECT_EQ(MoveTo(85, 118).left, 32);
}

TEST_F(DragTest, FivePixelsAwayNeverSnaps) {
    EXPECT_EQ(MoveTo(55, 110).left, 5);
    EXPECT_FALSE(snapper.IsStuck(CWindowSnapper::kLeft));
    EXPECT_EQ(MoveTo(55, 116).top, 106);
}

TEST_F(DragTest, RightEdgeSnapsOntoAnotherNotesLeftEdgeWithTopsAligned) {
    desktop.windows = {kNote, kOtherNote};
    desktop.rects[kOtherNote] = {500, 103, 700, 303};
    snapper.Begin(kNote);
    // Right edge to 496, top at 100: both within 4 pixels of the other note's edges.
    const Rect snapped = MoveTo(346, 110);
    EXPECT_EQ(snapped.right, 500);
    EXPECT_EQ(snapped.top, 103);
    EXPECT_EQ(snapped.Width(), 200);
    EXPECT_EQ(snapped.Height(), 200);
    EXPECT_TRUE(snapper.IsStuck(CWindowSnapper::kRight));
    EXPECT_TRUE(snapper.IsStuck(CWindowSnapper::kTop));
    EXPECT_EQ(snapper.CurrentRect(), snapped);
}

TEST(Snapping, RightIsPreferredToLeftAndTopToBottom) {
    FakeDesktop desktop;
    // A target just as wide and high as the note: both edges of each axis are near at once.
    desktop.windows = {kNote, kOtherNote};
    desktop.rects[kNote] = {100, 100, 300, 300};
    desktop.rects[kOtherNote] = {402, 402, 602, 602};
    CWindowSnapper snapper(desktop);
    snapper.Begin(kNote);
    desktop.cursor = {0, 0};
    Rect proposed{400, 400, 600, 600};
    snapper.SnapWhileMoving(proposed);
    EXPECT_EQ(proposed, (Rect{402, 402, 602, 602}));
    EXPECT_TRUE(snapper.IsStuck(CWindowSnapper::kRight));
    EXPECT_FALSE(snapper.IsStuck(CWindowSnapper::kLeft));
    EXPECT_TRUE(snapper.IsStuck(CWindowSnapper::kTop));
    EXPECT_FALSE(snapper.IsStuck(CWindowSnapper::kBottom));
}

TEST(Snapping, FirstTargetThatShiftsWinsAndTheScreenComesLast) {
    FakeDesktop desktop;
    desktop.windows = {kNote, kMainWindow};
    desktop.rects[kNote] = {100, 100, 300, 300};
    desktop.rects[kMainWindow] = {3, 500, 400, 900};
    CWindowSnapper snapper(desktop);
    snapper.Begin(kNote);
    // Left at 1: near the main window's left (3) and the screen's (0); the main window comes first.
    Rect proposed{1, 600, 201, 800};
    snapper.SnapWhileMoving(proposed);
    EXPECT_EQ(proposed.left, 3);
}

TEST(Snapping, ExactAlignmentDoesNotEndTheSearch) {
    FakeDesktop desktop;
    desktop.windows = {kNote, kOtherNote};
    desktop.rects[kNote] = {100, 100, 300, 300};
    desktop.rects[kOtherNote] = {500, 700, 700, 900};
    CWindowSnapper snapper(desktop);
    snapper.Begin(kNote);
    desktop.cursor = {0, 0};
    // Already exactly on the other note's left edge, and 3 pixels below the screen's top.
    Rect proposed{300, 3, 500, 203};
    snapper.SnapWhileMoving(proposed);
    EXPECT_EQ(proposed, (Rect{300, 0, 500, 200}));
}

TEST(Snapping, HiddenAndGoneWindows) {
    FakeDesktop desktop;
    // The main window is listed although hidden, as the platform lists every top-level window;
    // the other note no longer exists and yields no rectangle.
    desktop.windows = {kNote, kOtherNote, kMainWindow};
    desktop.rects[kNote] = {100, 100, 300, 300};
    desktop.rects[kMainWindow] = {600, 600, 900, 900};
    CWindowSnapper snapper(desktop);
    snapper.Begin(kNote);
    Rect proposed{398, 500, 598, 700};
    snapper.SnapWhileMoving(proposed);
    EXPECT_EQ(proposed.right, 600);
}

TEST(Snapping, NothingNearbyLeavesTheProposalAlone) {
    FakeDesktop desktop;
    desktop.windows = {kNote};
    desktop.rects[kNote] = {100, 100, 300, 300};
    CWindowSnapper snapper(desktop);
    snapper.Begin(kNote);
    Rect proposed{500, 500, 700, 700};
    snapper.SnapWhileMoving(proposed);
    EXPECT_EQ(proposed, (Rect{500, 500, 700, 700}));
    for (auto edge : {CWindowSnapper::kLeft, CWindowSnapper::kTop, CWindowSnapper::kRight,
                      CWindowSnapper::kBottom}) {
        EXPECT_FALSE(snapper.IsStuck(edge));
    }
}

TEST(Snapping, BeginForgetsTheLastDrag) {
    FakeDesktop desktop;
    desktop.windows = {kNote};
    desktop.rects[kNote] = {100, 100, 300, 300};
    CWindowSnapper snapper(desktop);
    snapper.Begin(kNote);
    Rect proposed{2, 500, 202, 700};
    snapper.SnapWhileMoving(proposed);
    ASSERT_TRUE(snapper.IsStuck(CWindowSnapper::kLeft));
    desktop.rects[kNote] = proposed;
    snapper.Begin(kNote);
    EXPECT_FALSE(snapper.IsStuck(CWindowSnapper::kLeft));
    EXPECT_EQ(snapper.CurrentRect(), proposed);
}

TEST(Sizing, BottomEdgeSnapsOntoTheScreensBottom) {
    FakeDesktop desktop;
    desktop.windows = {kNote};
    desktop.rects[kNote] = {100, 800, 300, 1000};
    CWindowSnapper snapper(desktop);
    snapper.Begin(kNote);
    Rect proposed{100, 800, 300, 1021};
    snapper.SnapWhileSizing(proposed);
    EXPECT_EQ(proposed, (Rect{100, 800, 300, 1024}));
    EXPECT_FALSE(snapper.IsStuck(CWindowSnapper::kBottom));
    proposed = {100, 800, 300, 1019};
    snapper.SnapWhileSizing(proposed);
    EXPECT_EQ(proposed.bottom, 1019);
}

TEST(Sizing, EveryTargetIsConsideredAndEachEdgeOnItsOwn) {
    FakeDesktop desktop;
    desktop.windows = {kNote, kOtherNote};
    desktop.rects[kNote] = {100, 100, 300, 300};
    desktop.rects[kOtherNote] = {403, 98, 600, 500};
    CWindowSnapper snapper(desktop);
    snapper.Begin(kNote);
    // Right edge near the other note's left, left edge near the screen's left.
    Rect proposed{2, 101, 400, 300};
    snapper.SnapWhileSizing(proposed);
    EXPECT_EQ(proposed, (Rect{0, 98, 403, 300}));
}

TEST(Realign, CursorPullsBackAWindowThatDriftedMoreThanFivePixels) {
    Rect rect{0, 100, 200, 300};
    RealignWithCursor(rect, {55, 110}, {50, 10});
    EXPECT_EQ(rect, (Rect{0, 100, 200, 300}));  // 5 pixels: stays
    RealignWithCursor(rect, {56, 110}, {50, 10});
    EXPECT_EQ(rect, (Rect{6, 100, 206, 300}));
    RealignWithCursor(rect, {56, 117}, {50, 10});
    EXPECT_EQ(rect, (Rect{6, 107, 206, 307}));
}

}  // namespace
}  // namespace calvendra
