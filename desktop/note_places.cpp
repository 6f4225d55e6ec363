#include "desktop/note_places.h"

#include <algorithm>

namespace calvendra {

std::vector<Point> NotePlaces(int count, const Rect& screen, const std::optional<Rect>& menuBar,
                              const NoteCascade& cascade) {
    std::vector<Point> places;
    if (count <= 0) {
        return places;
    }
    if (count == 1) {
        places.push_back(cascade.first);
        return places;
    }
    Point origin = cascade.first;
    const int reach = (count - 1) * cascade.step;
    const Rect spread{origin.x, origin.y, origin.x + reach + cascade.width,
                      origin.y + reach + cascade.height};
    if (menuBar && Intersects(spread, *menuBar) &&
        menuBar->bottom + reach + cascade.height <= screen.bottom) {
        origin.y = menuBar->bottom;
    }
    // How many steps fit before a note would leave the screen's work area.
    const int roomDown = screen.bottom - origin.y - cascade.height;
    const int roomRight = screen.right - origin.x - cascade.width;
    const int steps = std::max(1, std::min(roomDown, roomRight) / std::max(cascade.step, 1) + 1);
    for (int i = 0; i < count; ++i) {
        const int slot = i % steps;
        places.push_back({origin.x + slot * cascade.step, origin.y + slot * cascade.step});
    }
    return places;
}

}  // namespace calvendra
