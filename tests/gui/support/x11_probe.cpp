#include "tests/gui/support/x11_probe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>

namespace calvendra::testing {

namespace {

Display* XDisplay() {
    return GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
}

std::vector<unsigned char> ReadProperty(::Window window, const char* property, Atom type,
                                        int& format, unsigned long& count) {
    Atom actualType = None;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    count = 0;
    format = 0;
    std::vector<unsigned char> bytes;
    if (XGetWindowProperty(XDisplay(), window, XInternAtom(XDisplay(), property, False), 0, 1024,
                           False, type, &actualType, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        const size_t itemSize = format == 32 ? sizeof(long) : static_cast<size_t>(format / 8);
        bytes.assign(data, data + count * itemSize);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return bytes;
}

}  // namespace

XWindowId XWindowOf(const wxWindow* window) {
    GdkWindow* gdk = gtk_widget_get_window(window->GetHandle());
    return gdk != nullptr ? GDK_WINDOW_XID(gdk) : None;
}

Rect XRect(const wxWindow* window) {
    const ::Window xid = XWindowOf(window);
    if (xid == None) {
        return {};
    }
    XWindowAttributes attributes{};
    XGetWindowAttributes(XDisplay(), xid, &attributes);
    int x = 0;
    int y = 0;
    ::Window child = None;
    XTranslateCoordinates(XDisplay(), xid, DefaultRootWindow(XDisplay()), 0, 0, &x, &y, &child);
    return {x, y, x + attributes.width, y + attributes.height};
}

bool IsOnScreen(const wxWindow* window) {
    const ::Window xid = XWindowOf(window);
    XWindowAttributes attributes{};
    return xid != None && XGetWindowAttributes(XDisplay(), xid, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

std::vector<XWindowId> RootStacking() {
    ::Window root = None;
    ::Window parent = None;
    ::Window* children = nullptr;
    unsigned int count = 0;
    std::vector<XWindowId> stacking;
    if (XQueryTree(XDisplay(), DefaultRootWindow(XDisplay()), &root, &parent, &children, &count) !=
            0 &&
        children != nullptr) {
        stacking.assign(children, children + count);
        XFree(children);
    }
    return stacking;
}

XWindowId TopAncestor(XWindowId window) {
    const ::Window rootWindow = DefaultRootWindow(XDisplay());
    for (;;) {
        ::Window root = None;
        ::Window parent = None;
        ::Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(XDisplay(), window, &root, &parent, &children, &count) == 0) {
            return None;
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (parent == rootWindow || parent == None) {
            return window;
        }
        window = parent;
    }
}

long StackingPosition(const wxWindow* window) {
    const std::vector<XWindowId> stacking = RootStacking();
    const auto found = std::find(stacking.begin(), stacking.end(), TopAncestor(XWindowOf(window)));
    return found == stacking.end() ? -1 : static_cast<long>(found - stacking.begin());
}

std::vector<std::string> AtomNames(XWindowId window, const char* property) {
    int format = 0;
    unsigned long count = 0;
    const std::vector<unsigned char> bytes = ReadProperty(window, property, XA_ATOM, format, count);
    std::vector<std::string> names;
    const auto* atoms = reinterpret_cast<const long*>(bytes.data());
    for (unsigned long i = 0; i < count && format == 32; ++i) {
        char* name = XGetAtomName(XDisplay(), static_cast<Atom>(atoms[i]));
        if (name != nullptr) {
            names.emplace_back(name);
            XFree(name);
        }
    }
    return names;
}

std::vector<long> Cardinals(XWindowId window, const char* property, const char* type) {
    int format = 0;
    unsigned long count = 0;
    const std::vector<unsigned char> bytes =
        ReadProperty(window, property, XInternAtom(XDisplay(), type, False), format, count);
    if (format != 32) {
        return {};
    }
    const auto* items = reinterpret_cast<const long*>(bytes.data());
    return std::vector<long>(items, items + count);
}

bool AcceptsKeyboard(XWindowId window) {
    XWMHints* hints = XGetWMHints(XDisplay(), window);
    if (hints == nullptr) {
        return true;
    }
    const bool accepts = !(hints->flags & InputHint) || hints->input;
    XFree(hints);
    return accepts;
}

std::vector<unsigned long> ScreenPixels(const Rect& area) {
    std::vector<unsigned long> pixels;
    if (area.IsEmpty()) {
        return pixels;
    }
    XSync(XDisplay(), False);
    XImage* image = XGetImage(XDisplay(), DefaultRootWindow(XDisplay()), area.left, area.top,
                              static_cast<unsigned>(area.Width()),
                              static_cast<unsigned>(area.Height()), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return pixels;
    }
    for (int y = 0; y < area.Height(); ++y) {
        for (int x = 0; x < area.Width(); ++x) {
            pixels.push_back(XGetPixel(image, x, y));
        }
    }
    XDestroyImage(image);
    return pixels;
}

}  // namespace calvendra::testing
