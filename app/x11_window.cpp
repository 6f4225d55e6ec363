#include "app/x11_window.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <wx/toplevel.h>

namespace calvendra {

unsigned long X11WindowId(wxTopLevelWindow& window) {
    auto* widget = static_cast<GtkWidget*>(window.GetHandle());
    if (widget == nullptr) {
        return 0;
    }
    gtk_widget_realize(widget);
    GdkWindow* native = gtk_widget_get_window(widget);
    return native != nullptr && GDK_IS_X11_WINDOW(native) ? GDK_WINDOW_XID(native) : 0;
}

}  // namespace calvendra
