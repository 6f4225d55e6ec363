#include "view/search_field.h"

#include <wx/translation.h>

namespace calvendra {

namespace {

// As long as a search may be: words enough for any name, address or subject.
constexpr unsigned long kLongestSearch = 200;

}  // namespace

CSearchField::CSearchField(wxWindow* parent, wxWindowID id, const wxPoint& position,
                           const wxSize& size)
    : wxSearchCtrl(parent, id, wxString(), position, size) {
    ShowCancelButton(true);
    SetDescriptiveText(_("Find contacts and schedules"));
    SetMaxLength(kLongestSearch);
    SetToolTip(
        _("Lists every contact and schedule that holds all the words typed here (Ctrl+F); "
          "Escape shows the selected group again"));
    Bind(wxEVT_CHAR_HOOK, &CSearchField::OnCharHook, this);
    Bind(wxEVT_SEARCH_CANCEL, &CSearchField::OnCancel, this);
}

void CSearchField::OnCharHook(wxKeyEvent& event) {
    if (event.GetKeyCode() != WXK_ESCAPE) {
        event.Skip();
        return;
    }
    // As a click on the clear button does it.
    wxCommandEvent cancel(wxEVT_SEARCH_CANCEL, GetId());
    cancel.SetEventObject(this);
    ProcessWindowEvent(cancel);
}

void CSearchField::OnCancel(wxCommandEvent& event) {
    ClearQuietly();
    // On to the form, which shows the selected group again.
    event.Skip();
}

}  // namespace calvendra
