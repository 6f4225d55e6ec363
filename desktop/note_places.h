#pragma once

#include <optional>
#include <vector>

#include "platform/rect.h"

namespace calvendra {

// Where the notes open on the screen together go. Needs no window.
struct NoteCascade {
    // The first note's place when it is alone.
    Point first{20, 20};
    int width = 200;
    int height = 200;
    // How far each note lies below and to the right of the one before, so that every caption
    // can be seen.
    int step = 30;
};

// The top-left corners of `count` notes open together, oldest first, on a screen whose work area
// is `screen`. One note alone takes the cascade's first place. Several cascade down and to the
// right from there; when that would cover `menuBar` (the main window's menu bar on the screen,
// if it is shown) and there is room below it for them all, they start below it instead. A cascade
// longer than the screen begins again at the top.
std::vector<Point> NotePlaces(int count, const Rect& screen, const std::optional<Rect>& menuBar,
                              const NoteCascade& cascade = {});

}  // namespace calvendra
