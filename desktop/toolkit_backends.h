#pragma once

#include <gdk/gdk.h>
#include <stdlib.h>

namespace calvendra {

// What GTK is to use, chosen before the toolkit starts (before wxEntry).
//
// X11: the single-instance rule and the tray icon live there; on a Wayland desktop the organizer
// runs through XWayland. No OpenGL: the organizer draws every window with Cairo, and GTK would
// otherwise load the system's OpenGL driver at start to choose its visuals, which takes 40 MiB and
// more of resident memory (Mesa's software driver with LLVM on a machine without a graphics card).
// A GDK_GL the user set is kept.
inline void ChooseToolkitBackends() {
    gdk_set_allowed_backends("x11");
    setenv("GDK_GL", "disable", 0);
}

}  // namespace calvendra
