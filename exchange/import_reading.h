#pragma once

#include <ctime>
#include <string>

#include "exchange/exchange_items.h"

namespace calvendra::exchange {

// The contacts or schedules of one file to import, a vCard or an iCalendar file as its first
// line says (the name does not count). A file that cannot be read, is neither, or is not sound
// gives errors that name it and the line where they can, and no items. `now` decides the next
// occurrence of a repeat that the reminder cannot hold.
FileContents ReadImportFile(const std::string& path, std::time_t now);

// The same for a text in memory, `file` naming it in messages.
FileContents ReadImportText(const std::string& file, std::string text, std::time_t now);

}  // namespace calvendra::exchange
