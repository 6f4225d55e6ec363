#pragma once

#include <array>
#include <cstddef>

#include <wx/dialog.h>

#include "editors/contact_edits.h"
#include "editors/contact_record.h"
#include "editors/default_browser.h"
#include "editors/web_address.h"

class wxButton;
class wxTextCtrl;

namespace calvendra {

// "Business Information": the business address block of a contact, opened from the contact
// editor. It edits its own copy of the twelve business fields; the contact editor copies them
// back after OK.
class CBusinessInfoDlg : public wxDialog {
public:
    // The business fields in the dialog's tab order.
    static const std::array<std::size_t, 12> kFields;

    // Shows the business fields of `contact`. "GO" hands the web field to `launch`.
    CBusinessInfoDlg(wxWindow* parent, const ContactValues& contact,
                     WebLauncher launch = OpenInDefaultBrowser);

    // The business fields: after OK as typed, before it as given. The other fields are empty.
    const ContactValues& Values() const { return values_; }

    // The edit of a business field.
    wxTextCtrl* Edit(std::size_t field) const { return edits_.At(field); }
    wxButton* GoButton() const { return goButton_; }

private:
    void OnGo(wxCommandEvent& event);
    void OnOk(wxCommandEvent& event);

    ContactValues values_;
    WebLauncher launch_;
    ContactEdits edits_;
    wxButton* goButton_ = nullptr;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
