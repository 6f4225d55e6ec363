#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/rect.h"

namespace calvendra {

// Identifies a top-level window to the snapper; what it stands for is the platform's business.
using SnapWindowId = std::uintptr_t;

// What the snapper needs of the desktop.
class SnapDesktop {
public:
    virtual ~SnapDesktop() = default;

    virtual Point CursorPosition() const = 0;

    // The program's top-level windows, visible or hidden, in the platform's order.
    virtual std::vector<SnapWindowId> TopLevelWindows() const = 0;

    // The window standing for the whole screen.
    virtual SnapWindowId Screen() const = 0;

    // A window's rectangle read now; none for a window that no longer exists.
    virtual std::optional<Rect> WindowRect(SnapWindowId window) const = 0;
};

// Makes a window magnetic: while it is dragged, an edge that comes within a few pixels of an edge
// of another of the program's windows, or of the screen, jumps onto it and holds until the cursor
// has travelled clearly away; while it is resized, its edges jump onto nearby edges likewise.
class CWindowSnapper {
public:
    enum Edge { kLeft = 0, kTop = 1, kRight = 2, kBottom = 3 };

    static constexpr int kSnapDistance = 5;

    explicit CWindowSnapper(const SnapDesktop& desktop) : desktop_(desktop) {}

    // A mouse button went down on the window's frame or caption: forget the last drag and collect
    // the windows whose edges attract.
    void Begin(SnapWindowId window);

    // One step of a move: adjusts the rectangle the window is about to take. Each step's proposal
    // continues from where the last step put the window, shifted by what the cursor travelled
    // since; an edge holds because small steps keep snapping it back.
    void SnapWhileMoving(Rect& proposed);

    // One step of a resize, whichever edge or corner is dragged.
    void SnapWhileSizing(Rect& proposed);

    bool IsStuck(Edge edge) const { return stuck_[edge]; }
    const Rect& CurrentRect() const { return current_; }

private:
    // The cursor coordinate on an edge's axis: x for left and right, y for top and bottom.
    static int CursorCoordinate(Edge edge, const Point& cursor);
    static bool Near(int a, int b);
    // The first of two edges of another window that `edge` is near, in the order given.
    static std::optional<int> NearEdge(int edge, int first, int second);
    // A target's rectangle when it exists and lies within the snap distance of the proposal.
    std::optional<Rect> AttractingRect(SnapWindowId target, const Rect& proposed) const;
    void ReleaseEdges(Rect& proposed, const Point& cursor);

    const SnapDesktop& desktop_;
    SnapWindowId window_ = 0;
    // The program's other top-level windows, then the screen.
    std::vector<SnapWindowId> targets_;
    Rect current_;
    std::array<bool, 4> stuck_{};
    std::array<int, 4> stuckAt_{};
};

// After a move step that no snap changed: when the position the cursor implies (cursor minus the
// offset taken at the button press) is more than 5 pixels from the rectangle's top-left on either
// axis, the rectangle goes there. This frees a window that an earlier snap pulled away from under
// the cursor.
void RealignWithCursor(Rect& proposed, const Point& cursor, const Point& dragOffset);

}  // namespace calvendra
