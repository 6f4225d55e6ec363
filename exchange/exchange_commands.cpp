#include "exchange/exchange_commands.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>

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

constexpr char kImportCaption[] = "Import";
constexpr char kExportCaption[] = "Export";
constexpr char kImportError[] = "Import error, please contact ";
// Errors listed in full; a longer list ends with how many more there are.
constexpr std::size_t kErrorsShown = 12;

std::string Plural(long count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

void Tell(wxWindow* parent, const char* caption, const std::string& message,
          const std::string& details, long icon) {
    wxMessageDialog box(parent, wxString::FromUTF8(message), caption, wxOK | icon);
    if (!details.empty()) {
        box.SetExtendedMessage(wxString::FromUTF8(details));
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
    wxFileDialog chooser(parent, "Import", wxEmptyString, wxEmptyString,
                         "vCard and iCalendar files (*.vcf;*.ics)|*.vcf;*.VCF;*.vcard;*.ics;*.ICS;"
                         "*.ical|All files (*)|*",
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
        std::string details;
        for (std::size_t i = 0; i < reading.contents.errors.size(); ++i) {
            if (i == kErrorsShown) {
                details +=
                    "... and " + std::to_string(reading.contents.errors.size() - i) + " more.\n";
                break;
            }
            details += exchange::Describe(reading.contents.errors[i]) + "\n";
            LogWarning("Cannot import " + exchange::Describe(reading.contents.errors[i]));
        }
        Tell(parent, kImportCaption, "Nothing was imported: the files cannot be read as they are.",
             details, wxICON_WARNING);
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
        Tell(parent, kImportCaption, "The import was cancelled: nothing was stored.", "",
             wxICON_INFORMATION);
        return false;
    }
    if (!outcome.stored) {
        ReportStoreFailure(parent, kImportError, "Cannot import", outcome.failure);
        return false;
    }
    Tell(parent, kImportCaption,
         "Imported " + Plural(outcome.contacts, "contact", "contacts") + ", " +
             Plural(outcome.schedules, "schedule", "schedules") + " and " +
             Plural(outcome.groups, "new group", "new groups") + ".",
         "", wxICON_INFORMATION);
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
        Tell(parent, kExportCaption, "The export was cancelled.",
             "A file that was being written is left as it was.", wxICON_INFORMATION);
        return;
    }
    std::string done;
    if (!request.contactsFile.empty() && (outcome.error.empty() || outcome.contacts > 0)) {
        done += "Exported " + Plural(outcome.contacts, "contact", "contacts") + " to " +
                request.contactsFile + ".";
    }
    if (!outcome.error.empty()) {
        LogError("Cannot export: " + outcome.error);
        Tell(parent, kExportCaption, "The export failed: " + outcome.error, done, wxICON_WARNING);
        return;
    }
    if (!request.schedulesFile.empty()) {
        done += std::string(done.empty() ? "" : "\n") + "Exported " +
                Plural(outcome.schedules, "schedule", "schedules") + " to " +
                request.schedulesFile + ".";
    }
    std::string details;
    if (outcome.attendantsWithoutAddress > 0) {
        details = Plural(outcome.attendantsWithoutAddress, "attendant has", "attendants have") +
                  " no e-mail address and cannot be named in the file.";
    }
    Tell(parent, kExportCaption, done, details, wxICON_INFORMATION);
}

}  // namespace calvendra
