#include "desktop/note_places.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace calvendra {
namespace {

std::string Text(const std::vector<Point>& places) {
    std::string text;
    for (const Point& place : places) {
        text += std::to_string(place.x) + "," + std::to_string(place.y) + " ";
    }
    return text;
}

TEST(NotePlaces, OneNoteKeepsItsPlaceSeveralCascadeClearOfTheMenuBarWhereThereIsRoom) {
    const Rect screen{0, 0, 1280, 1024};
    // A maximised main window's menu bar under its title bar, and one far to the right.
    const Rect menuBar{0, 30, 1280, 56};
    const Rect farMenuBar{700, 300, 1200, 326};
    const struct {
        const char* what;
        int count;
        Rect screen;
        std::optional<Rect> menuBar;
        std::string expected;
    } cases[] = {
        {"none", 0, screen, menuBar, ""},
        {"alone, even over the menu bar", 1, screen, menuBar, "20,20 "},
        {"two, no menu bar shown", 2, screen, std::nullopt, "20,20 50,50 "},
        {"three below the menu bar", 3, screen, menuBar, "20,56 50,86 80,116 "},
        {"a menu bar they do not reach", 2, screen, farMenuBar, "20,20 50,50 "},
        {"no room below the menu bar", 2, Rect{0, 0, 800, 250}, menuBar, "20,20 50,50 "},
        {"longer than the screen: again from the top", 5, Rect{0, 0, 1000, 300}, std::nullopt,
         "20,20 50,50 80,80 20,20 50,50 "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(NotePlaces(c.count, c.screen, c.menuBar)), c.expected) << c.what;
    }
    // Every caption of a cascade can be seen: no note covers the caption strip of the one before.
    const std::vector<Point> places = NotePlaces(6, screen, menuBar);
    for (std::size_t i = 1; i < places.size(); ++i) {
        EXPECT_GE(places[i].y - places[i - 1].y, 26) << i;
        EXPECT_FALSE(
            Intersects({places[i].x, places[i].y, places[i].x + 200, places[i].y + 200}, menuBar))
            << i;
    }
}

}  // namespace
}  // namespace calvendra
