#include "desktop/wx_snap_desktop.h"

#include <wx/display.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

namespace calvendra {

namespace {

// Window ids are the windows' addresses, which are never odd, so 1 is free for the screen.
constexpr SnapWindowId kScreenId = 1;

Rect ToScreenRect(const wxRect& rect) {
    return {rect.x, rect.y, rect.x + rect.width, rect.y + rect.height};
}

// A window that is closed already waits in the pending-delete list for a while; it is gone for
// the user and attracts nothing.
bool IsAlive(const wxWindow* window) {
    return !window->IsBeingDeleted() && !wxPendingDelete.Member(window);
}

}  // namespace

SnapWindowId WxSnapDesktop::IdOf(const wxWindow* window) {
    return reinterpret_cast<SnapWindowId>(window);
}

Point WxSnapDesktop::CursorPosition() const {
    const wxPoint cursor = wxGetMousePosition();
    return {cursor.x, cursor.y};
}

std::vector<SnapWindowId> WxSnapDesktop::TopLevelWindows() const {
    std::vector<SnapWindowId> windows;
    for (const wxWindow* window : wxTopLevelWindows) {
        if (IsAlive(window)) {
            windows.push_back(IdOf(window));
        }
    }
    return windows;
}

SnapWindowId WxSnapDesktop::Screen() const {
    return kScreenId;
}

std::optional<Rect> WxSnapDesktop::WindowRect(SnapWindowId id) const {
    if (id == kScreenId) {
        return ScreenRectUnderCursor();
    }
    for (const wxWindow* window : wxTopLevelWindows) {
        if (IdOf(window) == id && IsAlive(window)) {
            return ToScreenRect(window->GetRect());
        }
    }
    return std::nullopt;
}

// The monitor the cursor is on, so that on several monitors the edges of the one the window is
// dragged over attract, its inner edges included.
Rect WxSnapDesktop::ScreenRectUnderCursor() const {
    int index = wxDisplay::GetFromPoint(wxGetMousePosition());
    if (index == wxNOT_FOUND) {
        index = wxDisplay::GetFromWindow(&window_);
    }
    if (index == wxNOT_FOUND) {
        index = 0;
    }
    return ToScreenRect(wxDisplay(static_cast<unsigned>(index)).GetGeometry());
}

}  // namespace calvendra
