#include "exchange/exchange_jobs.h"

#include <algorithm>

#include "exchange/import_reading.h"
#include "exchange/replaced_file.h"
#include "platform/translatable.h"

namespace calvendra::exchange {

ImportReading ReadForImport(CDBConnection& connection, const std::vector<std::string>& files,
                            std::time_t now, const Progress& progress) {
    ImportReading reading;
    std::size_t done = 0;
    for (const std::string& file : files) {
        if (progress.Cancelled()) {
            reading.cancelled = true;
            return reading;
        }
        progress.Report("Reading " + file.substr(file.find_last_of('/') + 1), done++, files.size());
        FileContents contents = ReadImportFile(file, now);
        ++reading.files;
        reading.contents.Append(std::move(contents));
    }
    if (!reading.contents.errors.empty()) {
        return reading;
    }
    progress.Report(TRANSLATABLE("Comparing with the stored contacts and schedules"), files.size(),
                    files.size());
    reading.stored = ReadStoredData(connection, reading.failure);
    reading.cancelled = progress.Cancelled();
    return reading;
}

ExportOutcome RunExport(CDBConnection& connection, const ExportRequest& request, std::time_t now,
                        const Progress& progress) {
    ExportOutcome outcome;
    OdbcDiagnostic failure;
    if (!request.contactsFile.empty()) {
        progress.Report(TRANSLATABLE("Reading contacts"), 0, 1);
        const auto contacts = ReadContactsToWrite(connection, request.contactGroup, failure);
        if (!contacts) {
            outcome.error = "The contacts cannot be read: " + failure.Text();
            return outcome;
        }
        const std::string text = VCardFileOf(*contacts, request.version, progress);
        if (progress.Cancelled()) {
            outcome.cancelled = true;
            return outcome;
        }
        if (!request.dryRun) {
            outcome.error = ReplaceFile(request.contactsFile, text);
            if (!outcome.error.empty()) {
                return outcome;
            }
        }
        outcome.contacts = static_cast<int>(contacts->size());
    }
    if (!request.schedulesFile.empty()) {
        progress.Report(TRANSLATABLE("Reading schedules"), 0, 1);
        const auto schedules = ReadSchedulesToWrite(connection, request.scheduleGroup,
                                                    outcome.attendantsWithoutAddress, failure);
        if (!schedules) {
            outcome.error = "The schedules cannot be read: " + failure.Text();
            return outcome;
        }
        progress.Report(TRANSLATABLE("Writing schedules"), 0, schedules->size());
        const std::string text = CalendarOf(*schedules, LocalDateOf(now), now);
        if (progress.Cancelled()) {
            outcome.cancelled = true;
            return outcome;
        }
        if (!request.dryRun) {
            outcome.error = ReplaceFile(request.schedulesFile, text);
            if (!outcome.error.empty()) {
                return outcome;
            }
        }
        outcome.schedules = static_cast<int>(schedules->size());
    }
    return outcome;
}

}  // namespace calvendra::exchange
