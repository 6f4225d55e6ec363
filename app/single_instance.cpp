#include "app/single_instance.h"

#include <X11/Xatom.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <wx/event.h>
#include <wx/toplevel.h>

#include "platform/application_key.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"

namespace calvendra {

namespace {

constexpr char kShowRequestName[] = "CALVENDRA_SHOW_MAXIMISED";
// Window-manager frames nest a client window a level or two below the root's children.
constexpr int kFrameDepth = 3;

Atom MarkerAtom(Display* display) {
    return XInternAtom(display, kApplicationKey, False);
}

Atom ShowRequestAtom(Display* display) {
    return XInternAtom(display, kShowRequestName, False);
}

// Windows may vanish while they are looked at; the errors that brings are ignored here.
class IgnoreXErrors {
public:
    explicit IgnoreXErrors(Display* display) : display_(display) {
        XSync(display_, False);
        previous_ = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~IgnoreXErrors() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }

private:
    Display* display_;
    XErrorHandler previous_;
};

bool CarriesMarker(Display* display, Window window, Atom marker) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, marker, 0, 1, False, AnyPropertyType, &type, &format,
                           &count, &remaining, &data) != Success) {
        return false;
    }
    const bool found = data != nullptr && format == 32 && count >= 1 &&
                       reinterpret_cast<const long*>(data)[0] == resources::kInstanceMarker;
    if (data != nullptr) {
        XFree(data);
    }
    return found;
}

Window FindBelow(Display* display, Window window, Atom marker, int depth) {
    if (CarriesMarker(display, window, marker)) {
        return window;
    }
    if (depth == 0) {
        return None;
    }
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) {
        return None;
    }
    Window found = None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        found = FindBelow(display, children[i], marker, depth - 1);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

Display* ProgramDisplay() {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) {
        return nullptr;
    }
    return GDK_DISPLAY_XDISPLAY(display);
}

GdkWindow* FrameWindow(wxTopLevelWindow& frame) {
    GtkWidget* widget = static_cast<GtkWidget*>(frame.GetHandle());
    if (widget == nullptr) {
        return nullptr;
    }
    gtk_widget_realize(widget);
    GdkWindow* window = gtk_widget_get_window(widget);
    return window != nullptr && GDK_IS_X11_WINDOW(window) ? window : nullptr;
}

GdkFilterReturn FilterShowRequests(GdkXEvent* native, GdkEvent*, gpointer data) {
    const XEvent& event = *static_cast<XEvent*>(native);
    Display* display = ProgramDisplay();
    if (display == nullptr || !IsShowRequest(display, event)) {
        return GDK_FILTER_CONTINUE;
    }
    auto* frame = static_cast<wxTopLevelWindow*>(data);
    wxQueueEvent(frame, new wxCommandEvent(wxEVT_MENU, resources::kIdShow));
    return GDK_FILTER_REMOVE;
}

}  // namespace

void SetInstanceMarker(Display* display, Window window) {
    const long value = resources::kInstanceMarker;
    XChangeProperty(display, window, MarkerAtom(display), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
    XFlush(display);
}

Window FindInstanceWindow(Display* display) {
    IgnoreXErrors ignore(display);
    const Atom marker = MarkerAtom(display);
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
        return None;
    }
    Window found = None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        found = FindBelow(display, children[i], marker, kFrameDepth - 1);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

void SendShowRequest(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = ShowRequestAtom(display);
    event.xclient.format = 32;
    event.xclient.data.l[0] = resources::kInstanceMarker;
    IgnoreXErrors ignore(display);
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

bool IsShowRequest(Display* display, const XEvent& event) {
    return event.type == ClientMessage && event.xclient.message_type == ShowRequestAtom(display) &&
           event.xclient.format == 32 && event.xclient.data.l[0] == resources::kInstanceMarker;
}

void MarkMainFrame(wxTopLevelWindow& frame) {
    Display* display = ProgramDisplay();
    GdkWindow* window = FrameWindow(frame);
    if (display == nullptr || window == nullptr) {
        return;
    }
    SetInstanceMarker(display, GDK_WINDOW_XID(window));
    gdk_window_add_filter(window, FilterShowRequests, &frame);
}

void UnmarkMainFrame(wxTopLevelWindow& frame) {
    GtkWidget* widget = static_cast<GtkWidget*>(frame.GetHandle());
    GdkWindow* window = widget != nullptr ? gtk_widget_get_window(widget) : nullptr;
    if (window != nullptr) {
        gdk_window_remove_filter(window, FilterShowRequests, &frame);
    }
}

bool HandOverToRunningInstance() {
    Display* display = ProgramDisplay();
    if (display == nullptr) {
        return false;
    }
    const Window running = FindInstanceWindow(display);
    if (running == None) {
        return false;
    }
    SendShowRequest(display, running);
    return true;
}

}  // namespace calvendra
