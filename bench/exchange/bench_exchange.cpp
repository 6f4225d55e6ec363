// Imports and exports 10,000 contacts and 10,000 schedules on a SQLite database through the
// organizer's data source, and prints how long each takes (median of a few rounds) and where
// the time goes: reading the file, planning against the stored rows, storing them as one change;
// reading the rows and writing the file. The goal is under two seconds for each.

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>
#include "bench/support/bench_figures.h"
#include "editors/contact_record.h"
#include "exchange/exchange_jobs.h"
#include "exchange/import_reading.h"
#include "exchange/import_store.h"

#include "store/db_connection.h"
#include "store/db_transaction.h"
#include "store/statements.h"
#include "tests/support/test_database.h"

namespace {

using calvendra::bench::Clock;
using calvendra::bench::Median;
using calvendra::bench::MillisecondsSince;
using namespace calvendra;
using namespace calvendra::exchange;

constexpr int kItems = 10000;
constexpr int kRounds = 5;
constexpr double kGoalMs = 2000;
constexpr std::time_t kNow = 1714564800;

// Ten groups of a thousand each, contacts with most fields filled, schedules of the three kinds
// with two attendants each.
void Fill(CDBConnection& connection) {
    std::vector<std::string> change;
    for (int group = 0; group < 10; ++group) {
        change.push_back(statements::InsertGroup(
            1000000002 + group, "Contacts " + std::to_string(group), kContactBaseGroupId));
        change.push_back(statements::InsertGroup(
            2000000002 + group, "Schedules " + std::to_string(group), kScheduleBaseGroupId));
    }
    for (int i = 0; i < kItems; ++i) {
        statements::ContactFields f = NewContactValues();
        const std::string n = std::to_string(i);
        f[ContactField::kFirstName] = "Person " + n;
        f[ContactField::kLastName] = "Müller-O'Brien";
        f[ContactField::kHomeEmail] = "person" + n + "@example.org";
        f[ContactField::kHomeStreet] = "Hauptstraße " + n + "\nHinterhaus";
        f[ContactField::kHomeCity] = "Köln";
        f[ContactField::kHomeZip] = "50667";
        f[ContactField::kHomePhone] = "+49 221 555 " + n;
        f[ContactField::kHomeMobile] = "+49 170 555 " + n;
        f[ContactField::kBusinessEmail] = "p" + n + "@firm.example";
        f[ContactField::kBusinessJobTitle] = "Engineer";
        f[ContactField::kBusinessDepartment] = "Research";
        f[ContactField::kOthers] = "Met at the fair, 2019; likes \"tea\".";
        change.push_back(statements::InsertContact(1000000011 + i, 1000000002 + i % 10, f));
        statements::ScheduleFields s{
            "Schedule " + n, "Remember the thing of schedule " + n + ".", 1,          1 + i % 3,
            i % 7,           "2024-6-" + std::to_string(1 + i % 28),      "09:30:00", i % 2};
        const Identifier id = 2000000011 + i;
        change.push_back(statements::InsertSchedule(id, 2000000002 + i % 10, s));
        change.push_back(statements::InsertAttendantLink(id, 1000000011 + i));
        change.push_back(statements::InsertAttendantLink(id, 1000000011 + (i + 1) % kItems));
    }
    if (!RunAsOneChange(connection, change).Empty()) {
        throw std::runtime_error("cannot fill the database");
    }
}

void Empty(calvendra::testing::TestDatabase& database) {
    database.Execute(
        "delete from schedule_contact; delete from assist_scheduleinfo;"
        "delete from assist_contactmaininfo;"
        "delete from assist_group where group_id not in ('1000000001','2000000001');");
}

struct ImportTimes {
    std::vector<double> read, plan, store, total;
};

void Import(CDBConnection& connection, const std::string& file, ImportTimes& times) {
    const Clock::time_point start = Clock::now();
    const FileContents contents = ReadImportFile(file, kNow);
    times.read.push_back(MillisecondsSince(start));
    Clock::time_point step = Clock::now();
    OdbcDiagnostic failure;
    const std::optional<StoredData> stored = ReadStoredData(connection, failure);
    if (!contents.errors.empty() || !stored) {
        throw std::runtime_error("cannot import " + file);
    }
    const ImportPlan plan = PlanImport(contents, *stored, false);
    times.plan.push_back(MillisecondsSince(step));
    step = Clock::now();
    const ImportOutcome outcome = StoreImport(connection, plan, {});
    times.store.push_back(MillisecondsSince(step));
    times.total.push_back(MillisecondsSince(start));
    if (!outcome.stored || outcome.contacts + outcome.schedules < kItems) {
        throw std::runtime_error("the import stored too little: " + outcome.failure.Text());
    }
}

}  // namespace

int main() {
    calvendra::testing::TestDatabase database;
    CDBConnection connection("Calvendra", "opal", "kelp");
    if (!connection.OpenConnection()) {
        return 1;
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("calvendra-bench-exchange-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string contacts = (folder / "contacts.vcf").string();
    const std::string schedules = (folder / "schedules.ics").string();

    std::vector<double> exportContacts, exportSchedules;
    ImportTimes importContacts, importSchedules;
    for (int round = 0; round < kRounds; ++round) {
        Empty(database);
        Fill(connection);
        ExportRequest request;
        request.contactsFile = contacts;
        Clock::time_point start = Clock::now();
        if (!RunExport(connection, request, kNow, {}).error.empty()) {
            return 1;
        }
        exportContacts.push_back(MillisecondsSince(start));
        request = {};
        request.schedulesFile = schedules;
        start = Clock::now();
        if (!RunExport(connection, request, kNow, {}).error.empty()) {
            return 1;
        }
        exportSchedules.push_back(MillisecondsSince(start));
        Empty(database);
        Import(connection, contacts, importContacts);
        Import(connection, schedules, importSchedules);
    }
    std::printf("10,000 items each, median of %d rounds, ms; SQLite through its ODBC driver.\n\n",
                kRounds);
    std::printf("%-26s %8s %8s %8s %8s\n", "", "total", "read", "plan", "store");
    std::printf("%-26s %8.0f %8.0f %8.0f %8.0f\n", "import contacts (vCard)",
                Median(importContacts.total), Median(importContacts.read),
                Median(importContacts.plan), Median(importContacts.store));
    std::printf("%-26s %8.0f %8.0f %8.0f %8.0f\n", "import schedules (iCal)",
                Median(importSchedules.total), Median(importSchedules.read),
                Median(importSchedules.plan), Median(importSchedules.store));
    std::printf("%-26s %8.0f\n", "export contacts (vCard)", Median(exportContacts));
    std::printf("%-26s %8.0f\n", "export schedules (iCal)", Median(exportSchedules));
    std::printf("\nFile sizes: %ju bytes of vCard, %ju bytes of iCalendar.\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(contacts)),
                static_cast<std::uintmax_t>(std::filesystem::file_size(schedules)));
    const struct {
        const char* what;
        double ms;
    } rows[] = {
        {"import of 10,000 contacts from a vCard file", Median(importContacts.total)},
        {"import of 10,000 schedules from an iCalendar file", Median(importSchedules.total)},
        {"export of 10,000 contacts to a vCard file", Median(exportContacts)},
        {"export of 10,000 schedules to an iCalendar file", Median(exportSchedules)},
    };
    for (const auto& row : rows) {
        std::printf("summary: %s; %.0f ms; %.0f ms (the goal); %.2f\n", row.what, row.ms, kGoalMs,
                    row.ms / kGoalMs);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
