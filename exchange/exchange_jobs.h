#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "exchange/export_data.h"
#include "exchange/import_plan.h"
#include "exchange/progress.h"
#include "store/db_connection.h"

// The two pieces of work that the command line and the organizer's dialogs share, each run on
// one connection from start to end. Needs no window.
namespace calvendra::exchange {

// The files to import, read, and what the database holds to compare them with.
struct ImportReading {
    FileContents contents;
    std::optional<StoredData> stored;
    // Why the stored data could not be read.
    OdbcDiagnostic failure;
    int files = 0;
    bool cancelled = false;

    // Whether a plan can be made: the files are sound and the database could be read.
    bool Usable() const { return contents.errors.empty() && stored && !cancelled; }
};

// Reads the files, in their order, and the stored data.
ImportReading ReadForImport(CDBConnection& connection, const std::vector<std::string>& files,
                            std::time_t now, const Progress& progress);

struct ExportRequest {
    // A contact group and a schedule group, each with the groups below it; every item of the
    // kind when empty.
    std::optional<Identifier> contactGroup;
    std::optional<Identifier> scheduleGroup;
    // Where the contacts and the schedules go; empty for what is not exported.
    std::string contactsFile;
    std::string schedulesFile;
    VCardVersion version = VCardVersion::k40;
    // Reads and counts, writes nothing.
    bool dryRun = false;
};

struct ExportOutcome {
    int contacts = 0;
    int schedules = 0;
    // Attendant links to contacts without an e-mail address, which no ATTENDEE can name.
    int attendantsWithoutAddress = 0;
    bool cancelled = false;
    // Why not everything was written; the files written before stay, whole.
    std::string error;
};

ExportOutcome RunExport(CDBConnection& connection, const ExportRequest& request, std::time_t now,
                        const Progress& progress);

}  // namespace calvendra::exchange
