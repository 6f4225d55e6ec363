#include "resources/strings.h"

#include "resources/resource_ids.h"

namespace calvendra::resources {

namespace {

// The string table: "prompt\ntooltip" for each command that has an entry.
const char* StringTableEntry(int commandId) {
    switch (commandId) {
        case kIdNewContactGroup:
            return "Create a new contact group\nCreate a new contact group";
        case kIdNewContact:
            return "Create a new contact\nCreate a new contact";
        case kIdNewScheduleGroup:
            return "Create a new schedule group\nCreate a new schedule group";
        case kIdNewSubGroup:
            return "Create a new group below the selected group\nNew Sub-Group";
        case kIdNewSchedule:
            return "Create a new schedule\nCreate a new schedule";
        case kIdEmailSetting:
            return "Email Setting\nEmail Setting";
        case kIdMailQueue:
            return "Show the reminder mails waiting, sent and given up\nMail Queue";
        case kIdDeleteItem:
            return "Delete Selected Contact\nDelete Selected Contact";
        case kIdDeleteContactGroup:
            return "Delete Selected Group\nDelete Selected Group";
        case kIdFind:
            return "Find contacts and schedules by what they hold\nFind";
        case kIdImport:
            return "Import contacts and schedules from vCard and iCalendar files\nImport";
        case kIdExport:
            return "Export contacts and schedules as vCard and iCalendar files\nExport";
        case kIdExit:
            return "Quit Calvendra\nExit";
        case kIdAbout:
            return "Show the program's version\nAbout";
        case kIdViewToolbar:
            return "Show or hide the toolbar\nToggle Toolbar";
        case kIdViewStatusBar:
            return "Show or hide the status bar\nToggle Status Bar";
        case kIdRefresh:
            return "Read the groups and the list again\nRefresh";
        default:
            return "";
    }
}

}  // namespace

wxString CommandPrompt(int commandId) {
    return wxString::FromUTF8(StringTableEntry(commandId)).BeforeFirst('\n');
}

wxString CommandTooltip(int commandId) {
    return wxString::FromUTF8(StringTableEntry(commandId)).AfterFirst('\n');
}

wxString WithSupportAddress(const char* text) {
    return wxString::FromUTF8(text) + wxString::FromUTF8(kSupportAddress);
}

}  // namespace calvendra::resources
