#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

// The organizer's images, compiled into the program: 16 by 16 pixels each.
namespace calvendra::resources {

// The image of an icon number: the main icon, the tray icon, the two group icons and the two
// item icons. An empty bitmap for any other number.
wxBitmap LoadIconImage(int iconNumber);

// The face of a toolbar button, by the wx id of its command; empty for other ids.
wxBitmap ToolbarImage(int commandId);

// The main icon in the sizes the desktop asks for.
wxIconBundle MainIcons();

}  // namespace calvendra::resources
