#pragma once

#include <wx/window.h>

#include "desktop/window_snapper.h"

namespace calvendra {

// The desktop as the snapper sees it, read from wxWidgets: the program's top-level windows,
// hidden ones too, and the screen under the cursor.
class WxSnapDesktop final : public SnapDesktop {
public:
    // The window that snaps; its display stands in for the screen when the cursor is on none.
    explicit WxSnapDesktop(const wxWindow& window) : window_(window) {}

    static SnapWindowId IdOf(const wxWindow* window);

    Point CursorPosition() const override;
    std::vector<SnapWindowId> TopLevelWindows() const override;
    SnapWindowId Screen() const override;
    // An id counts only while a living top-level window has it, so a window closed during a
    // drag attracts nothing and is never touched.
    std::optional<Rect> WindowRect(SnapWindowId window) const override;

private:
    Rect ScreenRectUnderCursor() const;

    const wxWindow& window_;
};

}  // namespace calvendra
