#pragma once

#include <wx/srchctrl.h>

namespace calvendra {

// The field above the item list in which the user types a search. Every change of its text is a
// wxEVT_TEXT of the field, as in any text field; Escape, like the field's clear button, empties it
// and says so with a wxEVT_SEARCH_CANCEL, so that the list goes back to the selected group.
class CSearchField : public wxSearchCtrl {
public:
    CSearchField(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size);

    // Empties the field without a text event: the list is already shown otherwise.
    void ClearQuietly() { ChangeValue(wxString()); }

private:
    void OnCharHook(wxKeyEvent& event);
    void OnCancel(wxCommandEvent& event);
};

}  // namespace calvendra
