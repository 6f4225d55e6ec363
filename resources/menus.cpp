#include "resources/menus.h"

#include <wx/menu.h>

#include "resources/resource_ids.h"
#include "resources/strings.h"

namespace calvendra::resources {

namespace {

void Append(wxMenu& menu, int id, const char* label) {
    menu.Append(id, wxString::FromUTF8(label), CommandPrompt(id));
}

}  // namespace

wxMenuBar* CreateMainMenuBar() {
    auto* file = new wxMenu;
    Append(*file, kIdImport, "&Import...");
    Append(*file, kIdExport, "&Export...");
    file->AppendSeparator();
    Append(*file, kIdExit, "E&xit\tCtrl+Q");

    auto* view = new wxMenu;
    view->AppendCheckItem(kIdViewToolbar, "&Toolbar", CommandPrompt(kIdViewToolbar));
    view->AppendCheckItem(kIdViewStatusBar, "&Status Bar", CommandPrompt(kIdViewStatusBar));
    view->AppendSeparator();
    Append(*view, kIdRefresh, "&Refresh\tF5");
    Append(*view, kIdFind, "&Find\tCtrl+F");

    auto* contactNew = new wxMenu;
    Append(*contactNew, kIdNewDocument, "New &Contact\tCtrl+N");
    Append(*contactNew, kIdNewGroupMenu, "New &Group\tCtrl+Shift+N");
    Append(*contactNew, kIdNewSubGroup, "New S&ub-Group");
    auto* contact = new wxMenu;
    contact->AppendSubMenu(contactNew, "&New");
    Append(*contact, kIdDeleteItem, "&Delete Contact");
    Append(*contact, kIdDeleteContactGroup, "Delete &Group");

    auto* schedule = new wxMenu;
    Append(*schedule, kIdNewScheduleGroup, "New Schedule &Group\tCtrl+Shift+T");
    Append(*schedule, kIdNewSubGroup, "New S&ub-Group");
    Append(*schedule, kIdNewSchedule, "&New Schedule\tCtrl+T");
    Append(*schedule, kIdDeleteItem, "&Delete Schedule");
    Append(*schedule, kIdDeleteScheduleGroup, "Delete Schedule G&roup");

    auto* setting = new wxMenu;
    Append(*setting, kIdEmailSetting, "&Email Setting");
    Append(*setting, kIdMailQueue, "&Mail Queue...");

    auto* help = new wxMenu;
    Append(*help, kIdAbout, "&About Calvendra...");

    auto* bar = new wxMenuBar;
    bar->Append(file, "&File");
    bar->Append(view, "&View");
    bar->Append(contact, "&Contact");
    bar->Append(schedule, "&Schedule");
    bar->Append(setting, "S&etting");
    bar->Append(help, "&Help");
    return bar;
}

wxMenu* LoadPopupMenu(int menuNumber) {
    auto* menu = new wxMenu;
    switch (menuNumber) {
        case kTrayMenuNumber:
            menu->Append(kIdShow, "&Show");
            menu->Append(kIdOption, "&Option");
            menu->AppendSeparator();
            menu->Append(kIdExit, "E&xit");
            return menu;
        case kDeleteMenuNumber:
            Append(*menu, kIdDeleteContactGroup, "Delete &Contact Group");
            Append(*menu, kIdDeleteScheduleGroup, "Delete &Schedule Group");
            Append(*menu, kIdDeleteItem, "&Delete Contact/Schedule");
            menu->AppendSeparator();
            Append(*menu, kIdNewSubGroup, "New S&ub-Group");
            return menu;
        default:
            delete menu;
            return nullptr;
    }
}

}  // namespace calvendra::resources
