#pragma once

#include <string>

#include <wx/string.h>

// The database and the profile hold UTF-8, the windows wxString. Needs only wxBase.
namespace calvendra::resources {

// Text that is not valid UTF-8 is read as Latin-1, byte for byte, so that nothing is shown empty.
wxString FromStoreText(const std::string& text);

std::string ToStoreText(const wxString& text);

}  // namespace calvendra::resources
