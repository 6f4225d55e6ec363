#pragma once

#include <algorithm>

namespace calvendra {

// A rectangle in pixels, by its four edges. Right and bottom lie just outside it, so the width
// is right - left.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }

    void Offset(int dx, int dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }

    Rect Inflated(int by) const { return {left - by, top - by, right + by, bottom + by}; }

    bool operator==(const Rect& other) const {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
    bool operator!=(const Rect& other) const { return !(*this == other); }
};

// True when the two share at least one pixel; an empty rectangle shares none.
inline bool Intersects(const Rect& a, const Rect& b) {
    if (a.IsEmpty() || b.IsEmpty()) {
        return false;
    }
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

struct Point {
    int x = 0;
    int y = 0;
};

}  // namespace calvendra
