#pragma once

#include <cstddef>
#include <string>

#include <wx/dialog.h>

#include "editors/contact_edits.h"
#include "editors/contact_record.h"
#include "editors/default_browser.h"
#include "editors/edit_mode.h"
#include "editors/web_address.h"
#include "store/db_connection.h"
#include "store/identifiers.h"

class wxButton;
class wxChoice;
class wxTextCtrl;

namespace calvendra {

// "New Contact Dialog": creates a contact or changes a stored one (names, gender, the home block
// and notes here, the business block through "Business Information", the group through "Change
// Group"). It writes nothing itself: after OK its caller runs Statement().
class CNewContactDlg : public wxDialog {
public:
    // `values` are the contact's as stored (LoadContact), or a new contact's defaults. The
    // connection, which the group picker reads, must outlive the dialog. "GO" hands the web
    // field to `launch`.
    CNewContactDlg(wxWindow* parent, CDBConnection& connection, EditMode mode, Identifier contactId,
                   Identifier groupId, const ContactValues& values = NewContactValues(),
                   WebLauncher launch = OpenInDefaultBrowser);

    // After OK: the insert or the update of the contact; empty before.
    const std::string& Statement() const { return statement_; }

    // The contact as edited, every text as typed.
    const ContactValues& Values() const { return values_; }
    Identifier GroupId() const { return groupId_; }
    Identifier ContactId() const { return contactId_; }

    // The edit of a field that this dialog shows; null for gender and the business fields.
    wxTextCtrl* Edit(std::size_t field) const { return edits_.At(field); }
    wxChoice* GenderChoice() const { return genderChoice_; }
    wxButton* GoButton() const { return goButton_; }
    wxButton* BusinessButton() const { return businessButton_; }
    wxButton* ChangeGroupButton() const { return changeGroupButton_; }

private:
    void CreateControls();
    void ShowGender();
    void ReadEdits();
    void OnGo(wxCommandEvent& event);
    void OnBusiness(wxCommandEvent& event);
    void OnChangeGroup(wxCommandEvent& event);
    void OnOk(wxCommandEvent& event);

    CDBConnection& connection_;
    EditMode mode_;
    Identifier contactId_;
    Identifier groupId_;
    ContactValues values_;
    WebLauncher launch_;
    std::string statement_;

    ContactEdits edits_;
    wxChoice* genderChoice_ = nullptr;
    wxButton* goButton_ = nullptr;
    wxButton* businessButton_ = nullptr;
    wxButton* changeGroupButton_ = nullptr;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
