// calvendra-exchange on the data source "Calvendra", as scripts and backups run it: its exit
// status, its summary, and what it stores or writes.

#include <gtest/gtest.h>

#include "tests/exchange/exchange_test_support.h"
#include "tests/support/database_test.h"

namespace calvendra::testing {
namespace {

class ExchangeCommand : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        Database().Execute(
            "insert into assist_group values('1000000002','Work','1000000001');"
            "insert into assist_group values('1000000003','Clients','1000000002');"
            "insert into assist_contactmaininfo(contact_id,group_id,first_name,home_email) values"
            " ('1000000011','1000000003','Carl','carl@example.org'),"
            " ('1000000012','1000000001','Solo','solo@example.org');");
        WriteFileText(Path("good.vcf"),
                      "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Mei Chen\r\nN:Chen;Mei;;;\r\n"
                      "CATEGORIES:Work\r\nEND:VCARD\r\n");
        WriteFileText(Path("good.ics"),
                      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:1\r\n"
                      "DTSTAMP:20240101T000000Z\r\nSUMMARY:Review\r\nDTSTART:20300601T090000\r\n"
                      "END:VEVENT\r\nEND:VCALENDAR\r\n");
        WriteFileText(Path("bad.ics"), "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:cut\r\n");
    }

    std::string Path(const std::string& name) { return (folder_.Path() / name).string(); }

    // Runs the program; its exit status, with standard output in `out` and standard error
    // after it in `err`.
    int Exchange(const std::string& arguments, std::string* out = nullptr,
                 std::string* err = nullptr) {
        const std::string errors = Path("stderr.txt");
        const int status = RunCommand(
            std::string(CALVENDRA_EXCHANGE_PROGRAM) + " " + arguments + " 2>'" + errors + "'", out);
        if (err != nullptr) {
            *err = ReadFileText(errors);
        }
        return status;
    }

    std::string Count(const char* table) {
        return Database().QueryValue(std::string("select count(*) from ") + table);
    }

    test::TempFolder folder_;
};

TEST_P(ExchangeCommand, ImportStoresAllOrNothingAndSaysWhat) {
    std::string out, err;
    EXPECT_EQ(
        Exchange("import --dry-run '" + Path("good.vcf") + "' '" + Path("good.ics") + "'", &out),
        0);
    EXPECT_EQ(out,
              "Read 2 files: 1 contact and 1 schedule.\n"
              "1 contact and 1 schedule will come in.\n"
              "Dry run: nothing was stored.\n");
    EXPECT_EQ(Count("assist_contactmaininfo"), "2");

    EXPECT_EQ(Exchange("import '" + Path("good.vcf") + "' '" + Path("bad.ics") + "'", &out, &err),
              1);
    EXPECT_EQ(out, "Nothing was imported.\n");
    EXPECT_EQ(err, "calvendra-exchange: " + Path("bad.ics") +
                       ", line 1: the VEVENT begun on line 2 has no END: the file ends inside it "
                       "(is it cut short?)\n");
    EXPECT_EQ(Count("assist_contactmaininfo"), "2");

    EXPECT_EQ(Exchange("import '" + Path("good.vcf") + "' '" + Path("good.ics") + "'", &out), 0);
    EXPECT_EQ(out,
              "Read 2 files: 1 contact and 1 schedule.\n"
              "1 contact and 1 schedule will come in.\n"
              "Imported 1 contact, 1 schedule and 0 new groups.\n");
    EXPECT_EQ(Database().QueryValue("select group_id from assist_contactmaininfo where "
                                    "first_name='Mei'"),
              "1000000002");
    EXPECT_EQ(Count("assist_scheduleinfo"), "1");
}

TEST_P(ExchangeCommand, ExportWritesTheNamedGroupAndRefusesWhatItCannotDo) {
    std::string out, err;
    EXPECT_EQ(
        Exchange("export --contacts '" + Path("work.vcf") + "' --group Work --vcard-version 3.0",
                 &out),
        0);
    EXPECT_EQ(out, "Exported 1 contact to " + Path("work.vcf") + ".\n");
    EXPECT_EQ(ReadBack(Path("work.vcf")),
              (std::vector<std::string>{Line("card"), Line("VERSION", {"3.0"}),
                                        Line("FN", {"Carl"}), Line("N", {"", "Carl", "", "", ""}),
                                        Line("EMAIL", {"internet,home", "carl@example.org"}),
                                        Line("CATEGORIES", {"Work/Clients"})}));

    EXPECT_EQ(Exchange("export --schedules '" + Path("s.ics") + "' --group Nowhere", &out, &err),
              1);
    EXPECT_EQ(err, "calvendra-exchange: there is no schedule group \"Nowhere\"\n");
    EXPECT_EQ(Exchange("export --contacts '" + Path("no/such/folder.vcf") + "'", &out, &err), 1);
    EXPECT_NE(err.find("No such file or directory"), std::string::npos) << err;
    EXPECT_EQ(Exchange("export", &out, &err), 2);
    EXPECT_EQ(Exchange("import", &out, &err), 2);
    EXPECT_EQ(Exchange("export --vcard-version 2.1 --contacts x.vcf", &out, &err), 2);
    EXPECT_EQ(Exchange("frobnicate", &out, &err), 2);
}

CALVENDRA_FOR_EACH_BACKEND(ExchangeCommand);

}  // namespace
}  // namespace calvendra::testing
