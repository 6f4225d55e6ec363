#pragma once

class wxTopLevelWindow;

namespace calvendra {

// The X11 window id of a top-level window, the handle by which programs outside the toolkit (the
// skin library) reach it; 0 when the window is not on an X11 display.
unsigned long X11WindowId(wxTopLevelWindow& window);

}  // namespace calvendra
