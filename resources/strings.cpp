#include "resources/strings.h"

#include <wx/translation.h>

#include "resources/resource_ids.h"

namespace calvendra::resources {

namespace {

// The string table: "prompt\ntooltip" for each command that has an entry.
const char* StringTableEntry(int commandId) {
    switch (commandId) {
        case kIdNewContactGroup:
            return TRANSLATABLE("Create a new contact group\nCreate a new contact group");
        case kIdNewContact:
            return TRANSLATABLE("Create a new contact\nCreate a new contact");
        case kIdNewScheduleGroup:
            return TRANSLATABLE("Create a new schedule group\nCreate a new schedule group");
        case kIdNewSubGroup:
            return TRANSLATABLE("Create a new group below the selected group\nNew Sub-Group");
        case kIdNewSchedule:
            return TRANSLATABLE("Create a new schedule\nCreate a new schedule");
        case kIdEmailSetting:
            return TRANSLATABLE("Email Setting\nEmail Setting");
        case kIdMailQueue:
            return TRANSLATABLE("Show the reminder mails waiting, sent and given up\nMail Queue");
        case kIdDeleteItem:
            return TRANSLATABLE("Delete Selected Contact\nDelete Selected Contact");
        case kIdDeleteContactGroup:
            return TRANSLATABLE("Delete Selected Group\nDelete Selected Group");
        case kIdFind:
            return TRANSLATABLE("Find contacts and schedules by what they hold\nFind");
        case kIdImport:
            return TRANSLATABLE(
                "Import contacts and schedules from vCard and iCalendar files\nImport");
        case kIdExport:
            return TRANSLATABLE(
                "Export contacts and schedules as vCard and iCalendar files\nExport");
        case kIdExit:
            return TRANSLATABLE("Quit Calvendra\nExit");
        case kIdAbout:
            return TRANSLATABLE("Show the program's version\nAbout");
        case kIdViewToolbar:
            return TRANSLATABLE("Show or hide the toolbar\nToggle Toolbar");
        case kIdViewStatusBar:
            return TRANSLATABLE("Show or hide the status bar\nToggle Status Bar");
        case kIdRefresh:
            return TRANSLATABLE("Read the groups and the list again\nRefresh");
        default:
            return "";
    }
}

// The entry in the user's language; none stays empty (the catalogue's empty text is its header).
wxString TranslatedEntry(int commandId) {
    const char* entry = StringTableEntry(commandId);
    return *entry == '\0' ? wxString() : wxGetTranslation(wxString::FromUTF8(entry));
}

}  // namespace

wxString CommandPrompt(int commandId) {
    return TranslatedEntry(commandId).BeforeFirst('\n');
}

wxString CommandTooltip(int commandId) {
    return TranslatedEntry(commandId).AfterFirst('\n');
}

wxString WithSupportAddress(const char* text) {
    return wxGetTranslation(wxString::FromUTF8(text)) + wxString::FromUTF8(kSupportAddress);
}

}  // namespace calvendra::resources
