#pragma once

#include "platform/rect.h"

namespace calvendra {

// The parts of a note's self-drawn frame under a point. The window manager neither draws nor
// drives this frame, so the note decides itself what a press at a point starts.
enum class FrameZone {
    kContent,
    kCaption,
    kCloseButton,
    kLeft,
    kTop,
    kRight,
    kBottom,
    kTopLeft,
    kTopRight,
    kBottomLeft,
    kBottomRight,
};

// True for the zones that resize the window when dragged.
bool IsSizingZone(FrameZone zone);

// The measures of the frame in pixels: a caption strip along the top, a sizing border around
// everything, and a square close button at the caption's right end.
struct NoteFrameMetrics {
    int border = 4;
    int captionHeight = 26;
    int closeButtonSize = 20;
    // How far a corner's grip reaches along each of its two edges, so that corners are easy to
    // catch although the border is thin.
    int cornerLength = 16;
};

// Rectangles of the frame's parts, relative to the window's top-left corner.
Rect CaptionRect(const NoteFrameMetrics& metrics, int width);
Rect CloseButtonRect(const NoteFrameMetrics& metrics, int width);
Rect ContentRect(const NoteFrameMetrics& metrics, int width, int height);

// The zone under a point given relative to the window's top-left corner. The sizing border wins
// over the caption and the close button, so that every edge and corner can be caught.
FrameZone HitTest(const NoteFrameMetrics& metrics, int width, int height, int x, int y);

// The rectangle that dragging a sizing zone by (dx, dy) proposes: the dragged edges follow the
// cursor, the others stay, and no dragged edge comes closer to its opposite edge than the minimum
// size allows.
Rect ResizedRect(const Rect& start, FrameZone zone, int dx, int dy, int minWidth, int minHeight);

// Pushes the dragged edges back out where the rectangle has become smaller than the minimum.
void KeepMinimumSize(Rect& rect, FrameZone zone, int minWidth, int minHeight);

}  // namespace calvendra
