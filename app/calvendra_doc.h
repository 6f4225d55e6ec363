#pragma once

#include <wx/docview.h>

namespace calvendra {

// The organizer's document. Everything it shows lives in the database, so the document holds
// nothing and saves and loads nothing.
class CCalvendraDoc : public wxDocument {
public:
    bool OnNewDocument() override;
    // The window set is made by the application, not by the document template.
    bool OnCreate(const wxString& path, long flags) override;

private:
    wxDECLARE_DYNAMIC_CLASS(CCalvendraDoc);
};

// The single document template, registered with the document manager.
void RegisterDocumentTemplate(wxDocManager& manager);

}  // namespace calvendra
