#pragma once

#include <memory>

#include <wx/bitmap.h>
#include <wx/string.h>
#include <wx/taskbar.h>

class wxMenu;
class wxWindow;

namespace calvendra {

// The program's icon in the desktop's notification area, and the tray menu it opens. Mouse
// actions on the icon become commands for the main window: a right click opens the tray menu,
// whose commands go to the main window; a double click sends the menu's default command.
class CSystemTray : public wxEvtHandler {
public:
    // The mouse actions that the notification area reports.
    enum class MouseAction { kRightButtonUp, kLeftButtonDoubleClick, kOther };

    // `mainWindow` receives the commands.
    explicit CSystemTray(wxWindow& mainWindow);
    // Removes the icon.
    ~CSystemTray() override;

    CSystemTray(const CSystemTray&) = delete;
    CSystemTray& operator=(const CSystemTray&) = delete;

    // Puts the icon into the notification area. `iconId` is also the number of the tray menu.
    // False, and no icon, when the desktop has no notification area or refuses the icon.
    bool Create(wxWindow* parent, const wxString& tooltip, const wxBitmap& icon, int iconId);

    bool IsEnabled() const { return enabled_; }

    // The mouse handling; 1 when the action was handled, 0 when it was not for this icon or its
    // menu could not be loaded.
    long OnTrayNotification(int iconId, MouseAction action);

    // The tray menu as it is shown: its default entry drawn bold, each entry enabled as the main
    // window says. Null when the menu cannot be loaded. The caller owns it.
    wxMenu* CreateTrayMenu() const;

    // The command of the default entry, or 0 when the menu cannot be loaded.
    int DefaultCommand() const;

private:
    class Icon;

    void ShowMenu();

    wxWindow& mainWindow_;
    std::unique_ptr<Icon> icon_;
    bool enabled_ = false;
    int iconId_ = 0;
    unsigned defaultMenuItem_ = 0;
    bool defaultByPosition_ = true;
};

}  // namespace calvendra
