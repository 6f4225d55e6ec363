#include "desktop/window_snapper.h"

#include <cstdlib>

namespace calvendra {

namespace {

constexpr int kRealignDistance = 5;

}  // namespace

int CWindowSnapper::CursorCoordinate(Edge edge, const Point& cursor) {
    return edge == kLeft || edge == kRight ? cursor.x : cursor.y;
}

// Strictly closer than the snap distance: at most 4 pixels apart.
bool CWindowSnapper::Near(int a, int b) {
    return std::abs(a - b) < kSnapDistance;
}

std::optional<int> CWindowSnapper::NearEdge(int edge, int first, int second) {
    if (Near(edge, first)) {
        return first;
    }
    if (Near(edge, second)) {
        return second;
    }
    return std::nullopt;
}

std::optional<Rect> CWindowSnapper::AttractingRect(SnapWindowId target,
                                                   const Rect& proposed) const {
    const std::optional<Rect> found = desktop_.WindowRect(target);
    if (!found || !Intersects(found->Inflated(kSnapDistance), proposed)) {
        return std::nullopt;
    }
    return found;
}

void CWindowSnapper::Begin(SnapWindowId window) {
    window_ = window;
    targets_.clear();
    stuck_.fill(false);
    stuckAt_.fill(0);
    for (SnapWindowId other : desktop_.TopLevelWindows()) {
        if (other != window_) {
            targets_.push_back(other);
        }
    }
    targets_.push_back(desktop_.Screen());
    current_ = desktop_.WindowRect(window_).value_or(Rect{});
}

void CWindowSnapper::ReleaseEdges(Rect& proposed, const Point& cursor) {
    for (Edge edge : {kLeft, kTop, kRight, kBottom}) {
        if (!stuck_[edge]) {
            continue;
        }
        const int travelled = CursorCoordinate(edge, cursor) - stuckAt_[edge];
        if (std::abs(travelled) > 2 * kSnapDistance) {
            stuck_[edge] = false;
            // The window catches up with the cursor at once.
            if (edge == kLeft || edge == kRight) {
                proposed.Offset(travelled, 0);
            } else {
                proposed.Offset(0, travelled);
            }
        }
    }
}

void CWindowSnapper::SnapWhileMoving(Rect& proposed) {
    const Point cursor = desktop_.CursorPosition();
    ReleaseEdges(proposed, cursor);

    int dx = 0;
    int dy = 0;
    std::optional<Edge> horizontal;
    std::optional<Edge> vertical;
    for (SnapWindowId target : targets_) {
        const std::optional<Rect> w = AttractingRect(target, proposed);
        if (!w) {
            continue;
        }
        // Right before left, and top before bottom: the first match wins on each axis.
        if (const auto toRight = NearEdge(proposed.right, w->left, w->right)) {
            horizontal = kRight;
            dx = proposed.right - *toRight;
        } else if (const auto toLeft = NearEdge(proposed.left, w->left, w->right)) {
            horizontal = kLeft;
            dx = proposed.left - *toLeft;
        }
        if (const auto toTop = NearEdge(proposed.top, w->top, w->bottom)) {
            vertical = kTop;
            dy = proposed.top - *toTop;
        } else if (const auto toBottom = NearEdge(proposed.bottom, w->top, w->bottom)) {
            vertical = kBottom;
            dy = proposed.bottom - *toBottom;
        }
        proposed.Offset(-dx, -dy);
        for (const std::optional<Edge>& edge : {horizontal, vertical}) {
            if (edge && !stuck_[*edge]) {
                stuck_[*edge] = true;
                stuckAt_[*edge] = CursorCoordinate(*edge, cursor);
            }
        }
        // An exact alignment moves nothing and does not end the search.
        if (dx != 0 || dy != 0) {
            break;
        }
    }
    current_ = proposed;
}

void CWindowSnapper::SnapWhileSizing(Rect& proposed) {
    for (SnapWindowId target : targets_) {
        const std::optional<Rect> w = AttractingRect(target, proposed);
        if (!w) {
            continue;
        }
        for (int* edge : {&proposed.right, &proposed.left}) {
            *edge = NearEdge(*edge, w->left, w->right).value_or(*edge);
        }
        for (int* edge : {&proposed.top, &proposed.bottom}) {
            *edge = NearEdge(*edge, w->top, w->bottom).value_or(*edge);
        }
    }
}

void RealignWithCursor(Rect& proposed, const Point& cursor, const Point& dragOffset) {
    const int x = cursor.x - dragOffset.x;
    const int y = cursor.y - dragOffset.y;
    if (std::abs(x - proposed.left) > kRealignDistance ||
        std::abs(y - proposed.top) > kRealignDistance) {
        proposed.Offset(x - proposed.left, y - proposed.top);
    }
}

}  // namespace calvendra
