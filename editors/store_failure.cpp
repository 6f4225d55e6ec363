#include "editors/store_failure.h"

#include <wx/msgdlg.h>

#include "platform/log.h"
#include "resources/store_text.h"
#include "resources/strings.h"

namespace calvendra {

void ReportStoreFailure(wxWindow* parent, const char* message, const std::string& action,
                        const OdbcDiagnostic& reason) {
    LogError(action + ": " + reason.Text());
    wxMessageDialog box(parent, resources::WithSupportAddress(message),
                        resources::kApplicationTitle, wxOK | wxICON_WARNING);
    box.SetExtendedMessage(resources::FromStoreText(reason.Text()));
    box.ShowModal();
}

void ReportRangeUsedUp(wxWindow* parent, IdKind kind) {
    const std::string text = RangeUsedUpText(kind);
    LogError(text);
    wxMessageDialog box(parent, resources::FromStoreText(text), resources::kApplicationTitle,
                        wxOK | wxICON_WARNING);
    box.ShowModal();
}

void ReportNewRowFailure(wxWindow* parent, const char* message, IdKind kind,
                         const NewRowOutcome& outcome) {
    if (outcome.rangeUsedUp) {
        ReportRangeUsedUp(parent, kind);
        return;
    }
    ReportStoreFailure(parent, message, std::string("Cannot store the new ") + NameOf(kind),
                       outcome.failure);
}

}  // namespace calvendra
