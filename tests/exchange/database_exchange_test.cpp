// Import and export against both databases: a round trip through the files gives back every row,
// categories become groups, attendants find their contacts, duplicates are found, and an import
// that the database refuses or that is cancelled stores nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <filesystem>

#include "editors/contact_record.h"
#include "exchange/exchange_jobs.h"
#include "exchange/import_store.h"
#include "store/statements.h"
#include "tests/exchange/exchange_test_support.h"
#include "tests/support/connected_database_test.h"

namespace calvendra::exchange {
namespace {

using F = ContactField;
using Rows = testing::Rows;
using testing::WriteFileText;

constexpr std::time_t kNow = 1714564800;  // 2024-05-01 12:00:00 UTC

// Work (…02) holds Clients (…03); Family (…04) stands beside it. Projects (2…02) holds Q3 (2…03).
constexpr char kGroups[] =
    "insert into assist_group values('1000000002','Work','1000000001');"
    "insert into assist_group values('1000000003','Clients','1000000002');"
    "insert into assist_group values('1000000004','Family','1000000001');"
    "insert into assist_group values('2000000002','Projects','2000000001');"
    "insert into assist_group values('2000000003','Q3','2000000002');";

statements::ContactFields Contact(const std::string& first, const std::string& last,
                                  const std::string& homeEmail,
                                  const std::string& businessEmail = "") {
    statements::ContactFields f;
    f[F::kFirstName] = first;
    f[F::kLastName] = last;
    f[F::kGender] = "Unspecified";
    f[F::kHomeEmail] = homeEmail;
    f[F::kBusinessEmail] = businessEmail;
    return f;
}

class ExchangeDatabase : public testing::ConnectedDatabaseTest {
protected:
    void SetUp() override {
        ConnectedDatabaseTest::SetUp();
        if (!IsSkipped()) {
            setenv("TZ", "Europe/Berlin", 1);
            tzset();
            Database().Execute(kGroups);
        }
    }

    void Run(const std::string& statement) {
        ASSERT_TRUE(connection_.ExecuteStatement(statement)) << connection_.LastError().Text();
    }

    // The rows as a person would compare them: without ids, groups by their paths, attendants by
    // their contacts' names, sorted.
    Rows Content() {
        Rows content;
        auto path = [this](const std::string& id) {
            std::string walked;
            std::string at = id;
            while (at != "1000000001" && at != "2000000001" && !at.empty()) {
                const Rows row = Database().Query(
                    "select group_name,parent_id from assist_group where group_id='" + at + "'");
                if (row.empty()) {
                    return "(missing " + id + ")";
                }
                walked = row[0][0] + (walked.empty() ? "" : "/" + walked);
                at = row[0][1];
            }
            return walked;
        };
        for (const auto& row : Database().Query("select group_id from assist_group")) {
            content.push_back({"group", row[0].substr(0, 1), path(row[0])});
        }
        std::string columns = "group_id";
        for (const char* column : statements::kContactTextColumns) {
            columns += std::string(",") + column;
        }
        for (auto row : Database().Query("select " + columns + " from assist_contactmaininfo")) {
            row[0] = path(row[0]);
            row.insert(row.begin(), "contact");
            content.push_back(row);
        }
        for (auto row : Database().Query(
                 "select group_id,schedule_subject,schedule_text,remind,remindtype,remind_week,"
                 "remind_date,remind_time,emailremind,schedule_id from assist_scheduleinfo")) {
            const std::vector<std::string> attendants = Database().QueryColumn(
                "select first_name from assist_contactmaininfo,schedule_contact where "
                "schedule_contact.contact_id=assist_contactmaininfo.contact_id and "
                "schedule_contact.schedule_id='" +
                row.back() + "' order by first_name");
            row.pop_back();
            row[0] = path(row[0]);
            row.insert(row.begin(), "schedule");
            row.insert(row.end(), attendants.begin(), attendants.end());
            content.push_back(row);
        }
        std::sort(content.begin(), content.end());
        return content;
    }

    ImportOutcome Import(const std::vector<std::string>& files, bool includeDuplicates,
                         ImportPlan* planned = nullptr, const Progress& progress = {}) {
        const ImportReading reading = ReadForImport(connection_, files, kNow, {});
        EXPECT_TRUE(reading.Usable());
        if (!reading.Usable()) {
            return {};
        }
        ImportPlan plan = PlanImport(reading.contents, *reading.stored, includeDuplicates);
        ImportOutcome outcome = StoreImport(connection_, plan, progress);
        if (planned != nullptr) {
            *planned = std::move(plan);
        }
        return outcome;
    }

    std::string File(const std::string& name) { return (folder_.Path() / name).string(); }

    test::TempFolder folder_;
};

TEST_P(ExchangeDatabase, RoundTripGivesBackEveryRow) {
    statements::ContactFields full =
        Contact("Zoë \"Zee\"", "O'Brien; Ünal", "zoe@example.org", "z@firm.example");
    const char* texts[] = {"Hauptstraße 5\n2. Stock, links",
                           "Köln",
                           "NRW",
                           "50667",
                           "Deutschland",
                           "+49 221 0",
                           "+49 221 1",
                           "+49 170 2",
                           "https://zoe.example.org"};
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        full[F::kHomeStreet + i] = texts[i];
    }
    const char* business[] = {"Ring 1",
                              "Bonn",
                              "",
                              "53111",
                              "Germany",
                              "Head of R&D",
                              "Research; Development",
                              "Room 4.12",
                              "+49 228 0",
                              "+49 228 1",
                              "https://firm.example"};
    for (std::size_t i = 0; i < std::size(business); ++i) {
        full[F::kBusinessStreet + i] = business[i];
    }
    full[F::kGender] = "Female";
    full[F::kOthers] = "Likes \\backslashes\\, commas, and; semicolons.\n日本語のメモ, 'quoted'";
    Run(statements::InsertContact(1000000011, 1000000003, full));
    Run(statements::InsertContact(1000000012, 1000000001,
                                  Contact("Maria", "Rossi", "maria@example.org")));
    Run(statements::InsertContact(1000000013, 1000000004,
                                  Contact("Bob", "", "", "bob@firm.example")));
    statements::ContactFields male = Contact("Tomás", "Ortega", "tomas@example.com");
    male[F::kGender] = "Male";
    Run(statements::InsertContact(1000000014, 1000000002, male));

    const std::vector<statements::ScheduleFields> schedules = {
        {"Call \"Maria\"; lunch", "Line one\nLine two — ü", 1, 1, 0, "2024-6-3", "09:05:00", 1},
        {"Weekly", "", 1, 2, 3, "2024-5-6", "18:30:00", 0},
        {"Daily, never confirmed date", "", 1, 3, 0, "", "07:00:00", 0},
        {"Never set", "note only", 0, 3, 0, "", "", 0},
        {"Odd kind", "", 1, 0, 0, "2024-5-1", "08:00:00", 0},
        {"Weekday out of range", "", 1, 2, 7, "2024-5-1", "08:00:00", 0},
        {"Date that never fires", "", 1, 1, 0, "2005-03-03", "08:00:00", 0},
        {"Time with one colon", "", 1, 1, 0, "2024-5-1", "10:30", 0},
        {"Mail without reminder", "", 0, 1, 4, "2024-7-1", "12:00:00", 1},
    };
    Identifier id = 2000000011;
    for (const statements::ScheduleFields& fields : schedules) {
        Run(statements::InsertSchedule(id,
                                       id % 3 == 0   ? 2000000003
                                       : id % 3 == 1 ? 2000000002
                                                     : 2000000001,
                                       fields));
        ++id;
    }
    Run(statements::InsertAttendantLink(2000000011, 1000000012));
    Run(statements::InsertAttendantLink(2000000011, 1000000013));
    Run(statements::InsertAttendantLink(2000000019, 1000000014));
    const Rows before = Content();

    ExportRequest request;
    request.contactsFile = File("all.vcf");
    request.schedulesFile = File("all.ics");
    for (VCardVersion version : {VCardVersion::k40, VCardVersion::k30}) {
        SCOPED_TRACE(version == VCardVersion::k40 ? "4.0" : "3.0");
        request.version = version;
        const ExportOutcome exported = RunExport(connection_, request, kNow, {});
        ASSERT_EQ(exported.error, "");
        EXPECT_EQ(exported.contacts, 4);
        EXPECT_EQ(exported.schedules, 9);
        Database().Execute(
            "delete from schedule_contact; delete from assist_scheduleinfo;"
            "delete from assist_contactmaininfo;"
            "delete from assist_group where group_id not in ('1000000001','2000000001');");
        ImportPlan plan;
        const ImportOutcome imported =
            Import({request.contactsFile, request.schedulesFile}, false, &plan);
        ASSERT_TRUE(imported.stored) << imported.failure.Text();
        EXPECT_TRUE(plan.notes.empty());
        EXPECT_EQ(imported.groups, 5);
        EXPECT_EQ(Content(), before);
    }
}

TEST_P(ExchangeDatabase, CategoriesBecomeGroupsAndAttendantsFindTheirContacts) {
    Run(statements::InsertContact(1000000011, 1000000002,
                                  Contact("Maria", "Rossi", "", "Maria.Rossi@Firm.example")));
    WriteFileText(File("in.vcf"),
                  "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Chen;Mei\r\nFN:Mei Chen\r\n"
                  "EMAIL:mei@example.com\r\nCATEGORIES:Work/New,VIP\r\nEND:VCARD\r\n");
    WriteFileText(
        File("in.ics"),
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:1\r\n"
        "DTSTAMP:20240101T000000Z\r\nSUMMARY:Review\r\nDTSTART:20240601T083000\r\n"
        "CATEGORIES:Projects\r\n"
        "ATTENDEE:mailto:maria.rossi@firm.example\r\nATTENDEE:mailto:MEI@example.com\r\n"
        "ATTENDEE;CN=Carol Ann Smith:mailto:carol@example.org\r\n"
        "BEGIN:VALARM\r\nACTION:EMAIL\r\nTRIGGER:PT0S\r\nSUMMARY:s\r\nDESCRIPTION:d\r\n"
        "ATTENDEE:mailto:dan@example.org\r\nEND:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    // A link that a deleted schedule left under the id the new one takes is no attendant of it,
    // and a rule it left does not make the new one repeat.
    Database().Execute(
        "insert into schedule_contact values('2000000001','1000000011');"
        "insert into schedule_repeat values('2000000001','every year 6-1');"
        "insert into schedule_repeat values('2000000009','every month 9');");
    ImportPlan plan;
    const ImportOutcome outcome = Import({File("in.ics"), File("in.vcf")}, false, &plan);
    ASSERT_TRUE(outcome.stored) << outcome.failure.Text();
    EXPECT_EQ(plan.AttendantContacts(), 2);
    EXPECT_EQ(outcome.contacts, 3);
    EXPECT_EQ(outcome.schedules, 1);
    // New is made below the stored Work, VIP and "Imported attendants" below the base group;
    // Projects is the stored schedule group.
    EXPECT_EQ(
        Database().Query("select group_name,parent_id from assist_group where "
                         "group_id>'1000000004' and group_id<'2' order by group_id"),
        (Rows{
            {"New", "1000000002"}, {"VIP", "1000000001"}, {"Imported attendants", "1000000001"}}));
    EXPECT_EQ(Database().Query("select first_name,last_name,home_email,others,group_name from "
                               "assist_contactmaininfo,assist_group where "
                               "assist_group.group_id=assist_contactmaininfo.group_id and "
                               "contact_id>'1000000011' order by contact_id"),
              (Rows{{"Mei", "Chen", "mei@example.com", "Categories: VIP", "New"},
                    {"Carol Ann", "Smith", "carol@example.org", "", "Imported attendants"},
                    {"dan", "", "dan@example.org", "", "Imported attendants"}}));
    EXPECT_EQ(Database().QueryColumn(
                  "select first_name from schedule_contact,assist_contactmaininfo,"
                  "assist_scheduleinfo where schedule_contact.contact_id="
                  "assist_contactmaininfo.contact_id and schedule_contact.schedule_id="
                  "assist_scheduleinfo.schedule_id and assist_scheduleinfo.group_id='2000000002' "
                  "order by first_name"),
              (std::vector<std::string>{"Carol Ann", "Maria", "Mei", "dan"}));
    EXPECT_EQ(Database().QueryValue("select count(*) from schedule_contact"), "4");
    EXPECT_EQ(Database().QueryValue("select emailremind from assist_scheduleinfo"), "1");
    // Only the rules under the ids the import took go.
    EXPECT_EQ(Database().QueryColumn("select schedule_id from schedule_repeat"),
              (std::vector<std::string>{"2000000009"}));

    // A database without the table imports as before.
    Database().Execute("drop table schedule_repeat");
    WriteFileText(File("more.ics"),
                  "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:2\r\n"
                  "DTSTAMP:20240101T000000Z\r\nSUMMARY:Retro\r\nDTSTART:20240701T083000\r\n"
                  "END:VEVENT\r\nEND:VCALENDAR\r\n");
    const ImportOutcome more = Import({File("more.ics")}, false);
    ASSERT_TRUE(more.stored) << more.failure.Text();
    EXPECT_EQ(more.schedules, 1);
}

TEST_P(ExchangeDatabase, DuplicatesAreSkippedUnlessAskedFor) {
    Run(statements::InsertContact(1000000011, 1000000001,
                                  Contact("Ann", "Lee", "ann@example.org")));
    Run(statements::InsertSchedule(2000000011, 2000000001,
                                   {"Dentist", "", 1, 1, 0, "2024-6-1", "09:00:00", 0}));
    WriteFileText(
        File("dup.vcf"),
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann\r\nEMAIL:ANN@example.org\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann\r\nEMAIL:other@example.org\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann\r\nEMAIL:other@example.org\r\nEND:VCARD\r\n");
    WriteFileText(
        File("dup.ics"),
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:1\r\n"
        "DTSTAMP:20240101T000000Z\r\nSUMMARY:Dentist\r\nDTSTART:20240601T090000\r\n"
        "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:PT0S\r\nEND:VALARM\r\n"
        "END:VEVENT\r\nEND:VCALENDAR\r\n");
    ImportPlan plan;
    ImportOutcome outcome = Import({File("dup.vcf"), File("dup.ics")}, false, &plan);
    ASSERT_TRUE(outcome.stored);
    EXPECT_EQ(plan.duplicateContacts, 2);
    EXPECT_EQ(plan.duplicateSchedules, 1);
    EXPECT_EQ(outcome.contacts, 1);
    EXPECT_EQ(outcome.schedules, 0);
    EXPECT_EQ(Describe(plan.duplicates[0]),
              File("dup.vcf") +
                  ", line 1: the contact \"Ann Lee\" is already there (same names "
                  "and e-mail)");

    outcome = Import({File("dup.vcf"), File("dup.ics")}, true, &plan);
    ASSERT_TRUE(outcome.stored);
    EXPECT_EQ(outcome.contacts, 3);
    EXPECT_EQ(outcome.schedules, 1);
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_contactmaininfo"), "5");
}

TEST_P(ExchangeDatabase, RefusedOrCancelledImportStoresNothing) {
    std::string cards;
    for (int i = 0; i < 200; ++i) {
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Person;" + std::to_string(i) +
                 "\r\nCATEGORIES:Imported\r\nEND:VCARD\r\n";
    }
    WriteFileText(File("many.vcf"), cards);
    WriteFileText(File("one.ics"),
                  "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:1\r\n"
                  "DTSTAMP:20240101T000000Z\r\nSUMMARY:Last\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    const Rows before = Content();

    Database().RefuseWhere("assist_scheduleinfo", "insert", "1=1");
    ImportOutcome outcome = Import({File("many.vcf"), File("one.ics")}, false);
    EXPECT_FALSE(outcome.stored);
    EXPECT_NE(outcome.failure.Text().find("refused by the test"), std::string::npos)
        << outcome.failure.Text();
    EXPECT_EQ(Content(), before);

    std::atomic<bool> cancel{false};
    Progress progress;
    progress.cancel = &cancel;
    progress.report = [&cancel](const std::string&, std::size_t done, std::size_t) {
        if (done >= 128) {
            cancel = true;
        }
    };
    outcome = Import({File("many.vcf")}, false, nullptr, progress);
    EXPECT_FALSE(outcome.stored);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(Content(), before);
}

TEST_P(ExchangeDatabase, ExportOfOneGroupTakesTheGroupsBelowIt) {
    Run(statements::InsertContact(1000000011, 1000000002, Contact("Wanda", "", "w@example.org")));
    Run(statements::InsertContact(1000000012, 1000000003, Contact("Carl", "", "c@example.org")));
    Run(statements::InsertContact(1000000013, 1000000004, Contact("Fay", "", "f@example.org")));
    ExportRequest request;
    request.contactGroup = 1000000002;
    request.contactsFile = File("work.vcf");
    const ExportOutcome outcome = RunExport(connection_, request, kNow, {});
    ASSERT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.contacts, 2);
    std::vector<std::string> names;
    for (const std::string& line : testing::ReadBack(request.contactsFile)) {
        if (line.rfind("FN\t", 0) == 0 || line.rfind("CATEGORIES\t", 0) == 0) {
            names.push_back(line);
        }
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{
                  testing::Line("FN", {"Wanda"}), testing::Line("CATEGORIES", {"Work"}),
                  testing::Line("FN", {"Carl"}), testing::Line("CATEGORIES", {"Work/Clients"})}));

    // A file that cannot be put in place leaves what stands there, and no part of a new one.
    std::filesystem::create_directory(File("taken"));
    request.contactsFile = File("taken");
    EXPECT_NE(RunExport(connection_, request, kNow, {}).error, "");
    EXPECT_TRUE(std::filesystem::is_directory(File("taken")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()),
                            std::filesystem::directory_iterator()),
              2);
}

CALVENDRA_FOR_EACH_BACKEND(ExchangeDatabase);

}  // namespace
}  // namespace calvendra::exchange
