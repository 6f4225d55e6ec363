#pragma once

#include <array>
#include <cstddef>

#include "editors/contact_record.h"

class wxFlexGridSizer;
class wxString;
class wxTextCtrl;
class wxWindow;

namespace calvendra {

// The edits of the contact dialogs, each showing one field of a contact. Edits are created in the
// order they are added, which is their tab order.
class ContactEdits {
public:
    // Adds `label` and a single-line edit that shows values[field] to the two columns of `grid`.
    wxTextCtrl* AddLine(wxWindow* parent, wxFlexGridSizer& grid, const wxString& label,
                        std::size_t field, const ContactValues& values);

    // The five rows of an address block: "Street Address:" (three lines), "City:",
    // "State/Province:", "Zip Code:" and "Country/Region:", showing these fields in that order.
    struct AddressFields {
        std::size_t street, city, state, zip, country;
    };
    void AddAddress(wxWindow* parent, wxFlexGridSizer& grid, const AddressFields& fields,
                    const ContactValues& values);

    // A multi-line edit, `lines` high, for a caller that lays it out itself: Enter starts a new
    // line, long lines scroll sideways instead of wrapping. Line ends stay as they are stored,
    // CR LF or LF.
    wxTextCtrl* CreateLines(wxWindow* parent, std::size_t field, const ContactValues& values,
                            int lines);

    // The edit of a field; null for a field that these edits do not show.
    wxTextCtrl* At(std::size_t field) const { return edits_.at(field); }

    // Copies the text of every edit into its field; the other fields stay as they are.
    void ReadInto(ContactValues& values) const;

private:
    // AddLine with a multi-line edit.
    wxTextCtrl* AddLines(wxWindow* parent, wxFlexGridSizer& grid, const wxString& label,
                         std::size_t field, const ContactValues& values, int lines);
    wxTextCtrl* Create(wxWindow* parent, std::size_t field, const ContactValues& values, long style,
                       int lines);

    std::array<wxTextCtrl*, statements::kContactTextColumnCount> edits_{};
};

}  // namespace calvendra
