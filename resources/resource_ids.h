#pragma once

#include <wx/defs.h>

// The organizer's resource numbers and the ids that wxWidgets gets for them.
//
// The program's numbers (commands 32771 and up, the framework's 57600 and up) are kept as they are
// known in the product's documentation and in its string table. wxWidgets refuses menu ids of
// 0x7fff and above and reserves 4999 to 5999 for itself, so every command is handed to it under an
// id of its own: the framework's commands become wx's stock ids, and the program's commands keep
// their distance from 32768 above 6000.
namespace calvendra::resources {

// Program command numbers run from 32768; wx ids for them from kCommandIdBase.
inline constexpr int kFirstProgramCommand = 32768;
inline constexpr int kCommandIdBase = 6000;

constexpr int WxCommandId(int programCommand) {
    return programCommand - kFirstProgramCommand + kCommandIdBase;
}

// The program's commands, by number.
inline constexpr int kCmdNewContactGroupNumber = 32771;      // toolbar button 1
inline constexpr int kCmdNewContactNumber = 32772;           // toolbar button 2
inline constexpr int kCmdDeleteItemNumber = 32773;           // "Delete Contact", "Delete Schedule"
inline constexpr int kCmdShowNumber = 32774;                 // tray menu "Show"
inline constexpr int kCmdNewGroupMenuNumber = 32784;         // menu Contact, New, "New Group"
inline constexpr int kCmdDeleteContactGroupNumber = 32786;   // "Delete Group"
inline constexpr int kCmdNewScheduleNumber = 32788;          // "New Schedule", toolbar button 4
inline constexpr int kCmdDeleteButtonNumber = 32797;         // the toolbar's delete button
inline constexpr int kCmdNewScheduleGroupNumber = 32798;     // "New Schedule Group", button 3
inline constexpr int kCmdDeleteScheduleGroupNumber = 32801;  // "Delete Schedule Group"
inline constexpr int kCmdOptionNumber = 32803;               // tray menu "Option"
inline constexpr int kCmdEmailSettingNumber = 32804;         // "Email Setting", toolbar button 5
inline constexpr int kCmdMailQueueNumber = 32805;            // "Mail Queue..."
inline constexpr int kCmdRefreshNumber = 32806;              // View, "Refresh" (F5)
inline constexpr int kCmdFindNumber = 32807;                 // View, "Find" (Ctrl+F)
inline constexpr int kCmdImportNumber = 32820;               // menu File, "Import..."
inline constexpr int kCmdExportNumber = 32821;               // menu File, "Export..."
inline constexpr int kCmdNewSubGroupNumber = 32822;          // "New Sub-Group", below the selection

// The framework's commands, by number.
inline constexpr int kCmdNewDocumentNumber = 57600;  // "New Contact" (Ctrl+N): a new contact
inline constexpr int kCmdAboutNumber = 57664;
inline constexpr int kCmdExitNumber = 57665;
inline constexpr int kCmdViewToolbarNumber = 59392;  // also the toolbar's control number
inline constexpr int kCmdViewStatusBarNumber = 59393;

// The wx ids of those commands.
enum CommandId : int {
    kIdNewContactGroup = WxCommandId(kCmdNewContactGroupNumber),
    kIdNewContact = WxCommandId(kCmdNewContactNumber),
    kIdDeleteItem = WxCommandId(kCmdDeleteItemNumber),
    kIdShow = WxCommandId(kCmdShowNumber),
    kIdNewGroupMenu = WxCommandId(kCmdNewGroupMenuNumber),
    kIdDeleteContactGroup = WxCommandId(kCmdDeleteContactGroupNumber),
    kIdNewSchedule = WxCommandId(kCmdNewScheduleNumber),
    kIdDeleteButton = WxCommandId(kCmdDeleteButtonNumber),
    kIdNewScheduleGroup = WxCommandId(kCmdNewScheduleGroupNumber),
    kIdDeleteScheduleGroup = WxCommandId(kCmdDeleteScheduleGroupNumber),
    kIdOption = WxCommandId(kCmdOptionNumber),
    kIdEmailSetting = WxCommandId(kCmdEmailSettingNumber),
    kIdMailQueue = WxCommandId(kCmdMailQueueNumber),
    kIdRefresh = WxCommandId(kCmdRefreshNumber),
    kIdFind = WxCommandId(kCmdFindNumber),
    kIdImport = WxCommandId(kCmdImportNumber),
    kIdExport = WxCommandId(kCmdExportNumber),
    kIdNewSubGroup = WxCommandId(kCmdNewSubGroupNumber),
    kIdNewDocument = wxID_NEW,
    kIdAbout = wxID_ABOUT,
    kIdExit = wxID_EXIT,
    kIdViewToolbar = 6400,
    kIdViewStatusBar = 6401,
};

// The range that holds every program command, for handlers that cover them all.
inline constexpr int kFirstProgramCommandId = kCommandIdBase;
inline constexpr int kLastProgramCommandId = kCommandIdBase + 999;

// The form's controls keep their numbers: wx accepts them as they are.
inline constexpr int kListControlId = 1000;
inline constexpr int kTreeControlId = 1001;
// The search field above the list.
inline constexpr int kSearchFieldId = 1002;
// The toolbar and the status bar.
inline constexpr int kToolBarControlId = kIdViewToolbar;
inline constexpr int kStatusBarControlId = kIdViewStatusBar;

// Dialogs, menus and images.
inline constexpr int kAboutDialogNumber = 100;
inline constexpr int kFormViewNumber = 101;
inline constexpr int kMainResourceNumber = 128;  // main menu, toolbar, main icon
inline constexpr int kTrayMenuNumber = 135;
inline constexpr int kDeleteMenuNumber = 138;
inline constexpr int kScheduleGroupIconNumber = 153;
inline constexpr int kTrayIconNumber = 159;
inline constexpr int kContactGroupIconNumber = 160;
inline constexpr int kContactIconNumber = 161;
inline constexpr int kScheduleIconNumber = 163;

// The timer that drives the reminder scan, and its period.
inline constexpr int kReminderTimerId = 0;
inline constexpr int kReminderTimerPeriodMs = 60000;

}  // namespace calvendra::resources
