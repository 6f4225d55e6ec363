#include "resources/store_text.h"

namespace calvendra::resources {

wxString FromStoreText(const std::string& text) {
    wxString converted = wxString::FromUTF8(text.data(), text.size());
    if (converted.empty() && !text.empty()) {
        converted = wxString(text.data(), wxConvISO8859_1, text.size());
    }
    return converted;
}

std::string ToStoreText(const wxString& text) {
    return text.utf8_string();
}

}  // namespace calvendra::resources
