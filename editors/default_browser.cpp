#include "editors/default_browser.h"

#include <wx/log.h>
#include <wx/utils.h>

#include "platform/log.h"

namespace calvendra {

void OpenInDefaultBrowser(const std::string& address) {
    // wx would report a failure in a message box of its own.
    wxLogNull quiet;
    if (!wxLaunchDefaultBrowser(wxString::FromUTF8(address))) {
        LogWarning("cannot open " + address + ": the desktop started no browser for it");
    }
}

}  // namespace calvendra
