#pragma once

#include <string>

#include <wx/string.h>

#include "platform/translatable.h"

// The organizer's own texts that more than one window uses.
namespace calvendra::resources {

// The application's title: message box captions and the main window's caption.
inline constexpr char kApplicationTitle[] = "Calvendra";

// The value of the window property named by the application key (platform/application_key.h)
// on the running instance's main window.
inline constexpr long kInstanceMarker = 1010;

// Where users are sent when the database fails them.
inline constexpr char kSupportAddress[] = "support@brisklane.example";

// What the organizer says when the database did not take a new or changed contact or schedule,
// or would not hand out a stored one for editing; the support address follows.
inline constexpr char kInsertContactError[] = TRANSLATABLE("Insert contact error, please contact ");
inline constexpr char kInsertScheduleError[] =
    TRANSLATABLE("Insert schedule error, please contact ");
inline constexpr char kUpdateContactError[] = TRANSLATABLE("Update contact error, please contact ");
inline constexpr char kUpdateScheduleError[] =
    TRANSLATABLE("Update schedule error, please contact ");
inline constexpr char kReadContactError[] = TRANSLATABLE("Read contact error, please contact ");
inline constexpr char kReadScheduleError[] = TRANSLATABLE("Read schedule error, please contact ");

// The About box.
inline constexpr char kAboutCaption[] = TRANSLATABLE("About Calvendra");
inline constexpr char kAboutVersionLine[] = TRANSLATABLE("Calvendra Version 1.0");
inline constexpr char kAboutSalesLine[] = TRANSLATABLE("Sales: sales@brisklane.example");
inline constexpr char kAboutWebLine[] =
    TRANSLATABLE("Web: https://www.brisklane.example/calvendra");

// The status-bar prompt and the tooltip of a command, from the string table entry
// "prompt\ntooltip" of its number; empty for commands that have none.
wxString CommandPrompt(int commandId);
wxString CommandTooltip(int commandId);

// "<text>please contact <support address>"-style messages end in the support address.
wxString WithSupportAddress(const char* text);

}  // namespace calvendra::resources
