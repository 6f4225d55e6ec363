// calvendra-exchange: the organizer's contacts and schedules in and out as vCard and iCalendar
// files, without a window, on the data source "Calvendra".
//
//   calvendra-exchange import [--dry-run] [--include-duplicates] FILE...
//   calvendra-exchange export [--contacts FILE] [--schedules FILE] [--group NAME]
//                             [--vcard-version 3.0|4.0] [--dry-run]
//
// The exit status is 0 only when everything asked was done, 1 when it was not (a file that cannot
// be read or written, a database that refuses), 2 for a command line that asks for nothing
// sensible. A summary goes to standard output, the reasons of failures to standard error.

#include <cstring>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "exchange/exchange_jobs.h"
#include "exchange/import_store.h"
#include "platform/data_source.h"
#include "store/organizer_database.h"

namespace {

using namespace calvendra;
using namespace calvendra::exchange;

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr char kUsageText[] =
    "Usage: calvendra-exchange import [--dry-run] [--include-duplicates] FILE...\n"
    "       calvendra-exchange export [--contacts FILE] [--schedules FILE] [--group NAME]\n"
    "                                 [--vcard-version 3.0|4.0] [--dry-run]\n"
    "Imports vCard (.vcf) and iCalendar (.ics) files into the organizer's database, or exports\n"
    "its contacts as vCard and its schedules as iCalendar, on the data source \"Calvendra\".\n";

int Usage(const std::string& problem) {
    std::cerr << "calvendra-exchange: " << problem << "\n" << kUsageText;
    return kUsage;
}

std::string Plural(long count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Opens the organizer's database; false, after saying why, when it cannot serve.
bool Open(CDBConnection& connection) {
    const std::string failure = OpenOrganizerDatabase(connection).reason;
    if (!failure.empty()) {
        std::cerr << "calvendra-exchange: " << failure << "\n";
        return false;
    }
    return true;
}

int Import(const std::vector<std::string>& arguments) {
    bool dryRun = false;
    bool includeDuplicates = false;
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        if (argument == "--dry-run") {
            dryRun = true;
        } else if (argument == "--include-duplicates") {
            includeDuplicates = true;
        } else if (argument.rfind("--", 0) == 0 && argument != "--") {
            return Usage("unknown option " + argument);
        } else {
            files.push_back(argument);
        }
    }
    if (files.empty()) {
        return Usage("import needs at least one file");
    }
    CDBConnection connection(kDataSourceName, kDataSourceUserId, kDataSourcePassword);
    if (!Open(connection)) {
        return kFailed;
    }
    const ImportReading reading = ReadForImport(connection, files, std::time(nullptr), {});
    if (!reading.contents.errors.empty()) {
        for (const FileMessage& error : reading.contents.errors) {
            std::cerr << "calvendra-exchange: " << Describe(error) << "\n";
        }
        std::cout << "Nothing was imported.\n";
        return kFailed;
    }
    if (!reading.stored) {
        std::cerr << "calvendra-exchange: the stored contacts and schedules cannot be read: "
                  << reading.failure.Text() << "\n";
        return kFailed;
    }
    const ImportPlan plan = PlanImport(reading.contents, *reading.stored, includeDuplicates);
    std::cout << "Read " << Plural(reading.files, "file", "files") << ": "
              << Plural(plan.contactsRead, "contact", "contacts") << " and "
              << Plural(plan.schedulesRead, "schedule", "schedules") << ".\n";
    for (const std::string& line : SummaryLines(plan)) {
        std::cout << line << "\n";
    }
    if (dryRun) {
        std::cout << "Dry run: nothing was stored.\n";
        return kDone;
    }
    const ImportOutcome outcome = StoreImport(connection, plan, {});
    if (!outcome.stored) {
        std::cerr << "calvendra-exchange: the database refused the import: "
                  << outcome.failure.Text() << "\n";
        std::cout << "Nothing was imported.\n";
        return kFailed;
    }
    std::cout << "Imported " << Plural(outcome.contacts, "contact", "contacts") << ", "
              << Plural(outcome.schedules, "schedule", "schedules") << " and "
              << Plural(outcome.groups, "new group", "new groups") << ".\n";
    return kDone;
}

// A group named on the command line, in one of the two hierarchies; empty when it has none of
// that name.
std::optional<Identifier> FindGroup(CDBConnection& connection, bool contacts,
                                    const std::string& name, bool& failed) {
    OdbcDiagnostic failure;
    const std::optional<StoredGroups> groups = StoredGroups::Read(connection, contacts, failure);
    if (!groups) {
        std::cerr << "calvendra-exchange: the groups cannot be read: " << failure.Text() << "\n";
        failed = true;
        return std::nullopt;
    }
    return groups->Find(name);
}

int Export(const std::vector<std::string>& arguments) {
    ExportRequest request;
    std::optional<std::string> group;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool takesValue = argument == "--contacts" || argument == "--schedules" ||
                                argument == "--group" || argument == "--vcard-version";
        if (takesValue && i + 1 >= arguments.size()) {
            return Usage(argument + " needs a value");
        }
        if (argument == "--contacts") {
            request.contactsFile = arguments[++i];
        } else if (argument == "--schedules") {
            request.schedulesFile = arguments[++i];
        } else if (argument == "--group") {
            group = arguments[++i];
        } else if (argument == "--vcard-version") {
            const std::string& version = arguments[++i];
            if (version != "3.0" && version != "4.0") {
                return Usage("the vCard version is 3.0 or 4.0, not " + version);
            }
            request.version = version == "3.0" ? VCardVersion::k30 : VCardVersion::k40;
        } else if (argument == "--dry-run") {
            request.dryRun = true;
        } else {
            return Usage("unknown argument " + argument);
        }
    }
    if (request.contactsFile.empty() && request.schedulesFile.empty()) {
        return Usage("export needs --contacts FILE, --schedules FILE or both");
    }
    CDBConnection connection(kDataSourceName, kDataSourceUserId, kDataSourcePassword);
    if (!Open(connection)) {
        return kFailed;
    }
    if (group) {
        bool failed = false;
        if (!request.contactsFile.empty()) {
            request.contactGroup = FindGroup(connection, true, *group, failed);
        }
        if (!request.schedulesFile.empty()) {
            request.scheduleGroup = FindGroup(connection, false, *group, failed);
        }
        if (failed) {
            return kFailed;
        }
        if ((!request.contactsFile.empty() && !request.contactGroup) ||
            (!request.schedulesFile.empty() && !request.scheduleGroup)) {
            std::cerr << "calvendra-exchange: there is no "
                      << (!request.contactsFile.empty() && !request.contactGroup ? "contact"
                                                                                 : "schedule")
                      << " group \"" << *group << "\"\n";
            return kFailed;
        }
    }
    const ExportOutcome outcome = RunExport(connection, request, std::time(nullptr), {});
    const char* verb = request.dryRun ? "Would export " : "Exported ";
    if (!request.contactsFile.empty() && (outcome.error.empty() || outcome.contacts > 0)) {
        std::cout << verb << Plural(outcome.contacts, "contact", "contacts") << " to "
                  << request.contactsFile << ".\n";
    }
    if (!outcome.error.empty()) {
        std::cerr << "calvendra-exchange: " << outcome.error << "\n";
        return kFailed;
    }
    if (!request.schedulesFile.empty()) {
        std::cout << verb << Plural(outcome.schedules, "schedule", "schedules") << " to "
                  << request.schedulesFile << ".\n";
        if (outcome.attendantsWithoutAddress > 0) {
            std::cout << Plural(outcome.attendantsWithoutAddress, "attendant has",
                                "attendants have")
                      << " no e-mail address and cannot be named in the file.\n";
        }
    }
    return kDone;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments.front() == "--help" || arguments.front() == "-h") {
        std::cout << kUsageText;
        return arguments.empty() ? kUsage : kDone;
    }
    const std::string command = arguments.front();
    arguments.erase(arguments.begin());
    if (command == "import") {
        return Import(arguments);
    }
    if (command == "export") {
        return Export(arguments);
    }
    return Usage("unknown command " + command);
}
