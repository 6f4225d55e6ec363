#pragma once

#include <string>
#include <vector>

#include <wx/window.h>

#include "platform/rect.h"

namespace calvendra::testing {

// What the X server itself reports about the program's windows, so that the tests observe
// where a window really is rather than what wx remembers asking for.

// An X window id; Xlib stays out of the tests, its macros would clash with their names.
using XWindowId = unsigned long;

XWindowId XWindowOf(const wxWindow* window);

// The outer rectangle of a top-level window on the screen.
Rect XRect(const wxWindow* window);
bool IsOnScreen(const wxWindow* window);

// Root children, bottom first.
std::vector<XWindowId> RootStacking();
// The root child that holds a window: the window itself, or the frame a window manager put
// around it.
XWindowId TopAncestor(XWindowId window);
// Where a top-level window lies in the server's stacking, bottom first; -1 when it is not there.
long StackingPosition(const wxWindow* window);

// The atoms of an atom-list property, as names.
std::vector<std::string> AtomNames(XWindowId window, const char* property);
// The 32-bit items of a property of any format-32 type; empty when it is not set.
std::vector<long> Cardinals(XWindowId window, const char* property, const char* type);

// False when the window's hints tell the window manager never to give it the keyboard.
bool AcceptsKeyboard(XWindowId window);

// What the server shows in a rectangle of the screen, one 32-bit pixel value each, row by row:
// what was drawn there, whatever the toolkit believes it drew.
std::vector<unsigned long> ScreenPixels(const Rect& area);

}  // namespace calvendra::testing
