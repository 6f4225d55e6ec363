#pragma once

#include <wx/docview.h>

#include "settings/email_settings.h"
#include "store/db_connection.h"

namespace calvendra {

// The organizer's document. Everything it shows lives in the database, so it saves and loads
// nothing. It owns, for the whole run, the two things the whole program shares: the connection
// to the organizer's data source (opened by the view's first update) and the e-mail settings
// record (loaded by it). The view, the dialogs and reminder delivery are handed these two.
class CCalvendraDoc : public wxDocument {
public:
    CCalvendraDoc();

    CDBConnection& Connection() { return connection_; }
    EmailSettings& MailSettings() { return mailSettings_; }

    bool OnNewDocument() override;
    // The window set is made by the application, not by the document template.
    bool OnCreate(const wxString& path, long flags) override;

private:
    CDBConnection connection_;
    EmailSettings mailSettings_;

    wxDECLARE_DYNAMIC_CLASS(CCalvendraDoc);
};

// The single document template, registered with the document manager.
void RegisterDocumentTemplate(wxDocManager& manager);

}  // namespace calvendra
