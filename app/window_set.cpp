#include "app/window_set.h"

#include <wx/docview.h>

#include "app/calvendra_doc.h"
#include "app/main_frame.h"
#include "view/calvendra_view.h"

namespace calvendra {

WindowSet CreateWindowSet(wxDocManager& manager) {
    WindowSet set;
    wxDocument* document = manager.CreateNewDocument();
    set.document = dynamic_cast<CCalvendraDoc*>(document);
    if (set.document == nullptr) {
        return {};
    }
    auto* frame = new CMainFrame(*set.document);
    if (!frame->Create()) {
        frame->Destroy();
        set.document->DeleteAllViews();
        manager.CloseDocument(set.document, true);
        return {};
    }
    set.frame = frame;
    set.view = new CCalvendraView(frame, set.document->Connection(), set.document->MailSettings());
    frame->SetView(set.view);
    set.view->OnInitialUpdate();
    return set;
}

}  // namespace calvendra
