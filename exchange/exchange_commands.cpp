#include "exchange/exchange_commands.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/translation.h>

#include <ctime>

#include "editors/store_failure.h"
#include "exchange/exchange_progress_dlg.h"
#include "exchange/export_dlg.h"
#include "exchange/import_store.h"
#include "exchange/import_summary_dlg.h"
#include "platform/log.h"
#include "resources/strings.h"

namespace calvendra {

namespace {

constexpr char kImportCaption[] = TRANSLATABLE("Import");
constexpr char kExportCaption[] = TRANSLATABLE("Export");
constexpr char kImportError[] = TRANSLATABLE("Import error, please contact ");
// Errors listed in full; a longer list ends with how many more there are.
constexpr std::size_t kErrorsShown = 12;

void Tell(wxWindow* parent, const char* caption, const wxString& message, const wxString& details,
          long icon) {
    wxMessageDialog box(parent, message, wxGetTranslation(caption), wxOK | icon);
    if (!details.empty()) {
        box.SetExtendedMessage(details);
    }
    box.ShowModal();
}

// Opens the work's own connection; false, with why, when the database cannot be reached.
bool Open(CDBConnection& connection, OdbcDiagnostic& failure) {
    if (connection.OpenConnection()) {
        return true;
    }
    failure = connection.LastError();
    return false;
}

}  // namespace

bool RunImportCommand(wxWindow* parent, const CDBConnection& connection) {
    wxFileDialog chooser(
        parent, _("Import"), wxEmptyString, wxEmptyString,
        _("vCard and iCalendar files (*.vcf;*.ics)|*.vcf;*.VCF;*.vcard;*.ics;*.ICS;"
          "*.ical|All files (*)|*"),
        wxFD_OPEN | wxFD_MULTIPLE | wxFD_FILE_MUST_EXIST);
    if (chooser.ShowModal() != wxID_OK) {
        return false;
    }
    wxArrayString paths;
    chooser.GetPaths(paths);
    std::vector<std::string> files;
    for (const wxString& path : paths) {
        files.emplace_back(path.utf8_str());
    }
    return ImportFiles(parent, connection, files);
}

bool ImportFiles(wxWindow* parent, const CDBConnection& connection,
                 const std::vector<std::string>& files) {
    exchange::ImportReading reading;
    {
        CExchangeProgressDlg progress(
            parent, kImportCaption, connection,
            [&reading, &files](CDBConnection& own, const exchange::Progress& report) {
                if (Open(own, reading.failure)) {
                    reading = exchange::ReadForImport(own, files, std::time(nullptr), report);
                }
            });
        if (progress.ShowModal() != wxID_OK) {
            return false;
        }
    }
    if (!reading.contents.errors.empty()) {
        wxString details;
        for (std::size_t i = 0; i < reading.contents.errors.size(); ++i) {
            if (i == kErrorsShown) {
                details +=
                    wxString::Format(_("... and %zu more."), reading.contents.errors.size() - i) +
                    "\n";
                break;
            }
            details += wxString::FromUTF8(exchange::Describe(reading.contents.errors[i])) + "\n";
            LogWarning("Cannot import " + exchange::Describe(reading.contents.errors[i]));
        }
        Tell(parent, kImportCaption,
             _("Nothing was imported: the files cannot be read as they are."), details,
             wxICON_WARNING);
        return false;
    }
    if (!reading.stored) {
        ReportStoreFailure(parent, kImportError, "Cannot read the stored data for an import",
                           reading.failure);
        return false;
    }
    CImportSummaryDlg summary(parent, reading);
    if (summary.ShowModal() != wxID_OK) {
        return false;
    }
    const exchange::ImportPlan& plan = summary.Plan();
    exchange::ImportOutcome outcome;
    {
        CExchangeProgressDlg progress(
            parent, kImportCaption, connection,
            [&outcome, &plan](CDBConnection& own, const exchange::Progress& report) {
                if (Open(own, outcome.failure)) {
                    outcome = exchange::StoreImport(own, plan, report);
                }
            });
        progress.ShowModal();
    }
    if (outcome.cancelled) {
        Tell(parent, kImportCaption, _("The import was cancelled: nothing was stored."), "",
             wxICON_INFORMATION);
        return false;
    }
    if (!outcome.stored) {
        ReportStoreFailure(parent, kImportError, "Cannot import", outcome.failure);
        return false;
    }
    // TRANSLATORS: joined by "Imported %s, %s and %s."
    const wxString contacts =
        wxString::Format(wxPLURAL("%d contact", "%d contacts", outcome.contacts), outcome.contacts);
    const wxString schedules = wxString::Format(
        wxPLURAL("%d schedule", "%d schedules", outcome.schedules), outcome.schedules);
    const wxString groups =
        wxString::Format(wxPLURAL("%d new group", "%d new groups", outcome.groups), outcome.groups);
    Tell(parent, kImportCaption,
         wxString::Format(_("Imported %s, %s and %s."), contacts, schedules, groups), "",
         wxICON_INFORMATION);
    return true;
}

void RunExportCommand(wxWindow* parent, const CDBConnection& connection, Identifier group,
                      const std::string& groupName) {
    CExportDlg dialog(parent, group, groupName);
    if (dialog.ShowModal() != wxID_OK) {
        return;
    }
    const exchange::ExportRequest request = dialog.Request();
    exchange::ExportOutcome outcome;
    {
        CExchangeProgressDlg progress(
            parent, kExportCaption, connection,
            [&outcome, &request](CDBConnection& own, const exchange::Progress& report) {
                OdbcDiagnostic failure;
                if (!Open(own, failure)) {
                    outcome.error = "The database cannot be reached: " + failure.Text();
                    return;
                }
                outcome = exchange::RunExport(own, request, std::time(nullptr), report);
            });
        progress.ShowModal();
    }
    if (outcome.cancelled) {
        Tell(parent, kExportCaption, _("The export was cancelled."),
             _("A file that was being written is left as it was."), wxICON_INFORMATION);
        return;
    }
    wxString done;
    if (!request.contactsFile.empty() && (outcome.error.empty() || outcome.contacts > 0)) {
        done += wxString::Format(
            wxPLURAL("Exported %d contact to %s.", "Exported %d contacts to %s.", outcome.contacts),
            outcome.contacts, wxString::FromUTF8(request.contactsFile));
    }
    if (!outcome.error.empty()) {
        LogError("Cannot export: " + outcome.error);
        Tell(parent, kExportCaption,
             wxString::Format(_("The export failed: %s"), wxString::FromUTF8(outcome.error)), done,
             wxICON_WARNING);
        return;
    }
    if (!request.schedulesFile.empty()) {
        done += (done.empty() ? "" : "\n") +
                wxString::Format(wxPLURAL("Exported %d schedule to %s.",
                                          "Exported %d schedules to %s.", outcome.schedules),
                                 outcome.schedules, wxString::FromUTF8(request.schedulesFile));
    }
    wxString details;
    if (outcome.attendantsWithoutAddress > 0) {
        details = wxString::Format(
            wxPLURAL("%d attendant has no e-mail address and cannot be named in the file.",
                     "%d attendants have no e-mail address and cannot be named in the file.",
                     outcome.attendantsWithoutAddress),
            outcome.attendantsWithoutAddress);
    }
    Tell(parent, kExportCaption, done, details, wxICON_INFORMATION);
}

}  // namespace calvendra
