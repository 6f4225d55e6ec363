#include "desktop/note_frame.h"

#include <algorithm>

namespace calvendra {

namespace {

bool MovesLeft(FrameZone zone) {
    return zone == FrameZone::kLeft || zone == FrameZone::kTopLeft ||
           zone == FrameZone::kBottomLeft;
}

bool MovesRight(FrameZone zone) {
    return zone == FrameZone::kRight || zone == FrameZone::kTopRight ||
           zone == FrameZone::kBottomRight;
}

bool MovesTop(FrameZone zone) {
    return zone == FrameZone::kTop || zone == FrameZone::kTopLeft || zone == FrameZone::kTopRight;
}

bool MovesBottom(FrameZone zone) {
    return zone == FrameZone::kBottom || zone == FrameZone::kBottomLeft ||
           zone == FrameZone::kBottomRight;
}

bool Contains(const Rect& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

}  // namespace

bool IsSizingZone(FrameZone zone) {
    return MovesLeft(zone) || MovesRight(zone) || MovesTop(zone) || MovesBottom(zone);
}

Rect CaptionRect(const NoteFrameMetrics& metrics, int width) {
    return {0, 0, width, metrics.captionHeight};
}

Rect CloseButtonRect(const NoteFrameMetrics& metrics, int width) {
    // Centred vertically in the caption, as far from the right edge as from the top.
    const int margin = (metrics.captionHeight - metrics.closeButtonSize) / 2;
    const int right = width - std::max(margin, metrics.border);
    return {right - metrics.closeButtonSize, margin, right, margin + metrics.closeButtonSize};
}

Rect ContentRect(const NoteFrameMetrics& metrics, int width, int height) {
    Rect content{metrics.border, metrics.captionHeight + metrics.border, width - metrics.border,
                 height - metrics.border};
    content.right = std::max(content.right, content.left);
    content.bottom = std::max(content.bottom, content.top);
    return content;
}

FrameZone HitTest(const NoteFrameMetrics& metrics, int width, int height, int x, int y) {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return FrameZone::kContent;
    }
    const bool nearLeft = x < metrics.border;
    const bool nearRight = x >= width - metrics.border;
    const bool nearTop = y < metrics.border;
    const bool nearBottom = y >= height - metrics.border;
    const bool alongLeft = x < metrics.cornerLength;
    const bool alongRight = x >= width - metrics.cornerLength;
    const bool alongTop = y < metrics.cornerLength;
    const bool alongBottom = y >= height - metrics.cornerLength;

    if ((nearTop && alongLeft) || (nearLeft && alongTop)) {
        return FrameZone::kTopLeft;
    }
    if ((nearTop && alongRight) || (nearRight && alongTop)) {
        return FrameZone::kTopRight;
    }
    if ((nearBottom && alongLeft) || (nearLeft && alongBottom)) {
        return FrameZone::kBottomLeft;
    }
    if ((nearBottom && alongRight) || (nearRight && alongBottom)) {
        return FrameZone::kBottomRight;
    }
    if (nearLeft) {
        return FrameZone::kLeft;
    }
    if (nearRight) {
        return FrameZone::kRight;
    }
    if (nearTop) {
        return FrameZone::kTop;
    }
    if (nearBottom) {
        return FrameZone::kBottom;
    }
    if (Contains(CloseButtonRect(metrics, width), x, y)) {
        return FrameZone::kCloseButton;
    }
    if (Contains(CaptionRect(metrics, width), x, y)) {
        return FrameZone::kCaption;
    }
    return FrameZone::kContent;
}

Rect ResizedRect(const Rect& start, FrameZone zone, int dx, int dy, int minWidth, int minHeight) {
    Rect rect = start;
    if (MovesLeft(zone)) {
        rect.left += dx;
    }
    if (MovesRight(zone)) {
        rect.right += dx;
    }
    if (MovesTop(zone)) {
        rect.top += dy;
    }
    if (MovesBottom(zone)) {
        rect.bottom += dy;
    }
    KeepMinimumSize(rect, zone, minWidth, minHeight);
    return rect;
}

void KeepMinimumSize(Rect& rect, FrameZone zone, int minWidth, int minHeight) {
    if (rect.Width() < minWidth) {
        // The edge the user holds gives way; with neither held, the right edge does.
        if (MovesLeft(zone)) {
            rect.left = rect.right - minWidth;
        } else {
            rect.right = rect.left + minWidth;
        }
    }
    if (rect.Height() < minHeight) {
        if (MovesTop(zone)) {
            rect.top = rect.bottom - minHeight;
        } else {
            rect.bottom = rect.top + minHeight;
        }
    }
}

}  // namespace calvendra
