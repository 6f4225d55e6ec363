#pragma once

#include <X11/Xlib.h>

class wxTopLevelWindow;

// The single-instance rule on X11: the running organizer's main window carries a 32-bit property
// named by the application key ("Calvendra1.0") with the value 1010. A second launch looks for that
// property among the top-level windows and, when it finds it, asks that window to show itself
// maximised and ends.
namespace calvendra {

// Sets the marker property on an X window.
void SetInstanceMarker(Display* display, Window window);

// The first top-level window that carries the marker, looking through window-manager frames to
// the client windows inside them; None when there is none.
Window FindInstanceWindow(Display* display);

// Sends the window the request to show itself maximised.
void SendShowRequest(Display* display, Window window);

// True for the X event by which SendShowRequest reaches a window.
bool IsShowRequest(Display* display, const XEvent& event);

// Marks the main frame's X window and turns every show request it receives into the frame's
// "Show" command. Does nothing off X11.
void MarkMainFrame(wxTopLevelWindow& frame);

// Stops turning show requests into commands; for the frame's destruction.
void UnmarkMainFrame(wxTopLevelWindow& frame);

// Finds a running instance on the program's display and asks it to show itself. True when one
// was found.
bool HandOverToRunningInstance();

}  // namespace calvendra
