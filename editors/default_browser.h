#pragma once

#include <string>

namespace calvendra {

// Opens a web address in the desktop's default browser (through xdg-open where the desktop has
// no handler of its own). A browser that cannot be started is not shown to the user; the reason
// goes to the log.
void OpenInDefaultBrowser(const std::string& address);

}  // namespace calvendra
