#include "editors/contact_edits.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

#include "resources/store_text.h"

namespace calvendra {

namespace {

constexpr int kEditWidth = 170;

}  // namespace

wxTextCtrl* ContactEdits::AddLine(wxWindow* parent, wxFlexGridSizer& grid, const wxString& label,
                                  std::size_t field, const ContactValues& values) {
    grid.Add(new wxStaticText(parent, wxID_ANY, label), wxSizerFlags().CentreVertical());
    wxTextCtrl* edit = Create(parent, field, values, 0, 1);
    grid.Add(edit, wxSizerFlags().Expand());
    return edit;
}

wxTextCtrl* ContactEdits::AddLines(wxWindow* parent, wxFlexGridSizer& grid, const wxString& label,
                                   std::size_t field, const ContactValues& values, int lines) {
    grid.Add(new wxStaticText(parent, wxID_ANY, label), wxSizerFlags().Top().Border(wxTOP, 4));
    wxTextCtrl* edit = CreateLines(parent, field, values, lines);
    grid.Add(edit, wxSizerFlags().Expand());
    return edit;
}

void ContactEdits::AddAddress(wxWindow* parent, wxFlexGridSizer& grid, const AddressFields& fields,
                              const ContactValues& values) {
    AddLines(parent, grid, _("Street Address:"), fields.street, values, 3);
    AddLine(parent, grid, _("City:"), fields.city, values);
    AddLine(parent, grid, _("State/Province:"), fields.state, values);
    AddLine(parent, grid, _("Zip Code:"), fields.zip, values);
    AddLine(parent, grid, _("Country/Region:"), fields.country, values);
}

wxTextCtrl* ContactEdits::CreateLines(wxWindow* parent, std::size_t field,
                                      const ContactValues& values, int lines) {
    return Create(parent, field, values, wxTE_MULTILINE | wxTE_DONTWRAP | wxVSCROLL, lines);
}

wxTextCtrl* ContactEdits::Create(wxWindow* parent, std::size_t field, const ContactValues& values,
                                 long style, int lines) {
    // The text goes in and comes out untouched: GTK's text view keeps CR LF, LF and a lone CR
    // as they are, so a stored street reads back byte for byte.
    auto* edit = new wxTextCtrl(parent, wxID_ANY, resources::FromStoreText(values.at(field)),
                                wxDefaultPosition, wxDefaultSize, style);
    wxSize size(parent->FromDIP(kEditWidth), -1);
    if (lines > 1) {
        size.y = edit->GetCharHeight() * lines + parent->FromDIP(10);
    }
    edit->SetMinSize(size);
    edits_.at(field) = edit;
    return edit;
}

void ContactEdits::ReadInto(ContactValues& values) const {
    for (std::size_t field = 0; field < edits_.size(); ++field) {
        if (edits_[field] != nullptr) {
            values[field] = resources::ToStoreText(edits_[field]->GetValue());
        }
    }
}

}  // namespace calvendra
