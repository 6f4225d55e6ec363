#include "resources/menus.h"

#include <wx/menu.h>
#include <wx/translation.h>

#include "resources/resource_ids.h"
#include "resources/strings.h"

namespace calvendra::resources {

namespace {

void Append(wxMenu& menu, int id, const wxString& label) {
    menu.Append(id, label, CommandPrompt(id));
}

}  // namespace

wxMenuBar* CreateMainMenuBar() {
    auto* file = new wxMenu;
    Append(*file, kIdImport, _("&Import..."));
    Append(*file, kIdExport, _("&Export..."));
    file->AppendSeparator();
    Append(*file, kIdExit, _("E&xit\tCtrl+Q"));

    auto* view = new wxMenu;
    view->AppendCheckItem(kIdViewToolbar, _("&Toolbar"), CommandPrompt(kIdViewToolbar));
    view->AppendCheckItem(kIdViewStatusBar, _("&Status Bar"), CommandPrompt(kIdViewStatusBar));
    view->AppendSeparator();
    Append(*view, kIdRefresh, _("&Refresh\tF5"));
    Append(*view, kIdFind, _("&Find\tCtrl+F"));

    auto* contactNew = new wxMenu;
    Append(*contactNew, kIdNewDocument, _("New &Contact\tCtrl+N"));
    Append(*contactNew, kIdNewGroupMenu, _("New &Group\tCtrl+Shift+N"));
    Append(*contactNew, kIdNewSubGroup, _("New S&ub-Group"));
    auto* contact = new wxMenu;
    contact->AppendSubMenu(contactNew, _("&New"));
    Append(*contact, kIdDeleteItem, _("&Delete Contact"));
    Append(*contact, kIdDeleteContactGroup, _("Delete &Group"));

    auto* schedule = new wxMenu;
    Append(*schedule, kIdNewScheduleGroup, _("New Schedule &Group\tCtrl+Shift+T"));
    Append(*schedule, kIdNewSubGroup, _("New S&ub-Group"));
    Append(*schedule, kIdNewSchedule, _("&New Schedule\tCtrl+T"));
    Append(*schedule, kIdDeleteItem, _("&Delete Schedule"));
    Append(*schedule, kIdDeleteScheduleGroup, _("Delete Schedule G&roup"));

    auto* setting = new wxMenu;
    Append(*setting, kIdEmailSetting, _("&Email Setting"));
    Append(*setting, kIdMailQueue, _("&Mail Queue..."));

    auto* help = new wxMenu;
    Append(*help, kIdAbout, _("&About Calvendra..."));

    auto* bar = new wxMenuBar;
    bar->Append(file, _("&File"));
    bar->Append(view, _("&View"));
    bar->Append(contact, _("&Contact"));
    bar->Append(schedule, _("&Schedule"));
    bar->Append(setting, _("S&etting"));
    bar->Append(help, _("&Help"));
    return bar;
}

wxMenu* LoadPopupMenu(int menuNumber) {
    auto* menu = new wxMenu;
    switch (menuNumber) {
        case kTrayMenuNumber:
            menu->Append(kIdShow, _("&Show"));
            menu->Append(kIdOption, _("&Option"));
            menu->AppendSeparator();
            menu->Append(kIdExit, _("E&xit"));
            return menu;
        case kDeleteMenuNumber:
            Append(*menu, kIdDeleteContactGroup, _("Delete &Contact Group"));
            Append(*menu, kIdDeleteScheduleGroup, _("Delete &Schedule Group"));
            Append(*menu, kIdDeleteItem, _("&Delete Contact/Schedule"));
            menu->AppendSeparator();
            Append(*menu, kIdNewSubGroup, _("New S&ub-Group"));
            return menu;
        default:
            delete menu;
            return nullptr;
    }
}

}  // namespace calvendra::resources
