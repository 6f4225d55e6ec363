#pragma once

namespace calvendra {

// A rectangle in screen pixels. Right and bottom lie just outside it, so the width is
// right - left.
struct ScreenRect {
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

    ScreenRect Inflated(int by) const { return {left - by, top - by, right + by, bottom + by}; }

    // True when the two share at least one pixel.
    bool Intersects(const ScreenRect& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }

    bool operator==(const ScreenRect& other) const {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
    bool operator!=(const ScreenRect& other) const { return !(*this == other); }
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

}  // namespace calvendra
