#pragma once

class wxMenu;
class wxMenuBar;

// The organizer's menus: the main menu bar and the two pop-up menus.
namespace calvendra::resources {

// "&File", "&View", "Contact", "Schedule", "S&etting" and "&Help", with the commands' status-bar
// prompts as help strings.
wxMenuBar* CreateMainMenuBar();

// The pop-up menu of the given menu number (the tray menu or the delete menu), or null for a
// number that names no pop-up menu. The caller owns the menu.
wxMenu* LoadPopupMenu(int menuNumber);

// The position of the tray menu's default entry, "Show".
inline constexpr int kTrayMenuDefaultPosition = 0;

}  // namespace calvendra::resources
