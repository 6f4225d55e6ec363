#include <gtest/gtest.h>

#include "desktop/note_frame.h"

namespace calvendra {
namespace {

// A 200 by 200 note with a 4-pixel border, a 26-pixel caption and a 20-pixel close button.
class NoteFrameTest : public ::testing::Test {
protected:
    FrameZone At(int x, int y) const { return HitTest(metrics, 200, 200, x, y); }

    NoteFrameMetrics metrics;
};

TEST_F(NoteFrameTest, EdgesAndCornersAreCaughtAlongTheWholeBorder) {
    EXPECT_EQ(At(0, 100), FrameZone::kLeft);
    EXPECT_EQ(At(3, 100), FrameZone::kLeft);
    EXPECT_EQ(At(199, 100), FrameZone::kRight);
    EXPECT_EQ(At(196, 100), FrameZone::kRight);
    EXPECT_EQ(At(100, 0), FrameZone::kTop);
    EXPECT_EQ(At(100, 199), FrameZone::kBottom);

    // A corner reaches along both of its edges, well past the border's width.
    EXPECT_EQ(At(0, 0), FrameZone::kTopLeft);
    EXPECT_EQ(At(15, 1), FrameZone::kTopLeft);
    EXPECT_EQ(At(1, 15), FrameZone::kTopLeft);
    EXPECT_EQ(At(16, 1), FrameZone::kTop);
    EXPECT_EQ(At(199, 0), FrameZone::kTopRight);
    EXPECT_EQ(At(198, 12), FrameZone::kTopRight);
    EXPECT_EQ(At(0, 199), FrameZone::kBottomLeft);
    EXPECT_EQ(At(190, 198), FrameZone::kBottomRight);
    EXPECT_EQ(At(197, 185), FrameZone::kBottomRight);
}

TEST_F(NoteFrameTest, InsideTheBorderLieCaptionCloseButtonAndContent) {
    EXPECT_EQ(At(4, 4), FrameZone::kCaption);
    EXPECT_EQ(At(100, 25), FrameZone::kCaption);
    const Rect close = CloseButtonRect(metrics, 200);
    EXPECT_EQ(close.Width(), 20);
    EXPECT_EQ(close.right, 196);
    EXPECT_EQ(At(close.left, close.top + 5), FrameZone::kCloseButton);
    EXPECT_EQ(At(close.left - 1, close.top + 5), FrameZone::kCaption);
    EXPECT_EQ(At(100, 26), FrameZone::kContent);
    EXPECT_EQ(At(100, 150), FrameZone::kContent);
    // Outside the window nothing is hit.
    EXPECT_EQ(At(-1, 10), FrameZone::kContent);
    EXPECT_EQ(At(100, 200), FrameZone::kContent);
}

TEST_F(NoteFrameTest, ContentFillsWhatTheFrameLeavesAndNeverTurnsNegative) {
    const Rect content = ContentRect(metrics, 300, 250);
    EXPECT_EQ(content, (Rect{4, 30, 296, 246}));
    const Rect tiny = ContentRect(metrics, 5, 20);
    EXPECT_GE(tiny.Width(), 0);
    EXPECT_GE(tiny.Height(), 0);
}

TEST(NoteFrameSizing, DraggedEdgesFollowTheCursorAndTheOthersStay) {
    const Rect start{20, 20, 220, 220};
    EXPECT_EQ(ResizedRect(start, FrameZone::kRight, 30, 99, 100, 80), (Rect{20, 20, 250, 220}));
    EXPECT_EQ(ResizedRect(start, FrameZone::kBottom, 99, -30, 100, 80), (Rect{20, 20, 220, 190}));
    EXPECT_EQ(ResizedRect(start, FrameZone::kTopLeft, -10, -15, 100, 80), (Rect{10, 5, 220, 220}));
    EXPECT_EQ(ResizedRect(start, FrameZone::kBottomLeft, 10, 15, 100, 80),
              (Rect{30, 20, 220, 235}));
    EXPECT_EQ(ResizedRect(start, FrameZone::kTopRight, 10, 15, 100, 80), (Rect{20, 35, 230, 220}));
    // A press that resizes nothing proposes the window as it is.
    EXPECT_EQ(ResizedRect(start, FrameZone::kCaption, 10, 15, 100, 80), start);
}

TEST(NoteFrameSizing, TheMinimumSizeHoldsTheOppositeEdgeInPlace) {
    const Rect start{20, 20, 220, 220};
    // Dragging the left edge far to the right stops it, and the right edge does not move.
    EXPECT_EQ(ResizedRect(start, FrameZone::kLeft, 500, 0, 100, 80), (Rect{120, 20, 220, 220}));
    EXPECT_EQ(ResizedRect(start, FrameZone::kTop, 0, 500, 100, 80), (Rect{20, 140, 220, 220}));
    EXPECT_EQ(ResizedRect(start, FrameZone::kBottomRight, -500, -500, 100, 80),
              (Rect{20, 20, 120, 100}));
    // Past the opposite edge too: the window never turns inside out.
    EXPECT_EQ(ResizedRect(start, FrameZone::kRight, -1000, 0, 100, 80), (Rect{20, 20, 120, 220}));
}

TEST(NoteFrameSizing, KeepingTheMinimumMovesOnlyTheHeldEdges) {
    // A snap pulled the held left edge too close to the right one.
    Rect rect{125, 20, 220, 220};
    KeepMinimumSize(rect, FrameZone::kLeft, 100, 80);
    EXPECT_EQ(rect, (Rect{120, 20, 220, 220}));

    rect = {20, 20, 118, 95};
    KeepMinimumSize(rect, FrameZone::kBottomRight, 100, 80);
    EXPECT_EQ(rect, (Rect{20, 20, 120, 100}));

    rect = {20, 20, 220, 220};
    KeepMinimumSize(rect, FrameZone::kTopLeft, 100, 80);
    EXPECT_EQ(rect, (Rect{20, 20, 220, 220}));
}

TEST(NoteFrameZones, OnlyBorderZonesResize) {
    for (FrameZone zone : {FrameZone::kLeft, FrameZone::kTop, FrameZone::kRight, FrameZone::kBottom,
                           FrameZone::kTopLeft, FrameZone::kTopRight, FrameZone::kBottomLeft,
                           FrameZone::kBottomRight}) {
        EXPECT_TRUE(IsSizingZone(zone));
    }
    for (FrameZone zone : {FrameZone::kContent, FrameZone::kCaption, FrameZone::kCloseButton}) {
        EXPECT_FALSE(IsSizingZone(zone));
    }
}

}  // namespace
}  // namespace calvendra
