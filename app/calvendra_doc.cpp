#include "app/calvendra_doc.h"

#include "platform/data_source.h"

namespace calvendra {

wxIMPLEMENT_DYNAMIC_CLASS(CCalvendraDoc, wxDocument);

CCalvendraDoc::CCalvendraDoc()
    : connection_(kDataSourceName, kDataSourceUserId, kDataSourcePassword) {}

bool CCalvendraDoc::OnNewDocument() {
    return wxDocument::OnNewDocument();
}

bool CCalvendraDoc::OnCreate(const wxString&, long) {
    return true;
}

void RegisterDocumentTemplate(wxDocManager& manager) {
    new wxDocTemplate(&manager, "Calvendra", wxEmptyString, wxEmptyString, wxEmptyString,
                      "Calvendra.Document", "Calvendra.Document", wxCLASSINFO(CCalvendraDoc),
                      nullptr);
}

}  // namespace calvendra
