#include <gdk/gdk.h>

#include <wx/app.h>

#include "app/calvendra_app.h"

wxIMPLEMENT_APP_NO_MAIN(calvendra::CCalvendraApp);

int main(int argc, char** argv) {
    // The single-instance rule and the tray icon live on X11; on a Wayland desktop the organizer
    // runs through XWayland.
    gdk_set_allowed_backends("x11");
    return wxEntry(argc, argv);
}
