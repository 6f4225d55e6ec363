#pragma once

#include <array>
#include <cstddef>

#include "editors/contact_record.h"

class wxFlexGridSizer;
class wxTextCtrl;
class wxWindow;

namespace calvendra {

// The edits of the contact dialogs, each showing one field of a contact. Edits are created in the
// order they are added, which is their tab order.
class ContactEdits {
public:
    // Adds `label` and a single-line edit that shows values[field] to the two columns of `grid`.
    wxTextCtrl* AddLine(wxWindow* parent, wxFlexGridSizer& grid, const char* label,
                        std::size_t field, const ContactValues& values);

    // The same with a multi-line edit, `lines` high: Enter starts a new line, long lines scroll
    // sideways instead of wrapping. Line ends stay as they are stored, CR LF or LF.
    wxTextCtrl* AddLines(wxWindow* parent, wxFlexGridSizer& grid, const char* label,
                         std::size_t field, const ContactValues& values, int lines);

    // A multi-line edit alone, for a caller that lays it out itself.
    wxTextCtrl* CreateLines(wxWindow* parent, std::size_t field, const ContactValues& values,
                            int lines);

    // The edit of a field; null for a field that these edits do not show.
    wxTextCtrl* At(std::size_t field) const { return edits_.at(field); }

    // Copies the text of every edit into its field; the other fields stay as they are.
    void ReadInto(ContactValues& values) const;

private:
    wxTextCtrl* Create(wxWindow* parent, std::size_t field, const ContactValues& values, long style,
                       int lines);

    std::array<wxTextCtrl*, statements::kContactTextColumnCount> edits_{};
};

}  // namespace calvendra
