// Files in the shapes that other programs write, made here from the formats' published
// descriptions, read into the organizer's fields; and files that cannot be read, refused with
// the file and the line.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "editors/contact_record.h"
#include "exchange/import_reading.h"
#include "exchange/input_text.h"
#include "tests/exchange/exchange_test_support.h"

namespace calvendra::exchange {
namespace {

using F = ContactField;

// 2024-05-01 12:00:00 UTC.
constexpr std::time_t kNow = 1714564800;

std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

// The fields of a contact that a test names; every other field must be empty, "Unspecified"
// for the gender.
void ExpectContact(const ContactItem& item,
                   const std::vector<std::pair<std::size_t, std::string>>& fields) {
    statements::ContactFields expected;
    expected[F::kGender] = "Unspecified";
    for (const auto& [field, value] : fields) {
        expected[field] = value;
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(item.fields[i], expected[i]) << statements::kContactTextColumns[i];
    }
}

class ExchangeReadFiles : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
};

TEST_F(ExchangeReadFiles, PhoneExportInVersion21WithQuotedPrintable) {
    const FileContents read =
        ReadImportText("phone.vcf",
                       Crlf("BEGIN:VCARD\n"
                            "VERSION:2.1\n"
                            "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;J=C3=BCrgen;;;\n"
                            "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:J=C3=BCrgen M=C3=BCller\n"
                            "TEL;CELL:+49 170 1234567\n"
                            "TEL;HOME;VOICE:030 1234\n"
                            "TEL;WORK:030 9999\n"
                            "EMAIL;HOME:juergen@example.org\n"
                            "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;Hauptstra=C3=9Fe "
                            "5;Berlin;;10115;D=\n"
                            "eutschland\n"
                            "NOTE;ENCODING=QUOTED-PRINTABLE:Ruft gern abends an.=0D=0ASp=C3=A4ter "
                            "mehr dazu, dies i=\n"
                            "st eine lange Notiz.\n"
                            "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\n"
                            " /2wBDAAMCAgICAgMCAgIDAwMDBAYEBAQE\n"
                            "\n"
                            "END:VCARD\n"
                            "BEGIN:VCARD\n"
                            "VERSION:2.1\n"
                            "N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Gr=FCn;Ren=E9\n"
                            "EMAIL;INTERNET:rene@example.fr\n"
                            "END:VCARD\n"),
                       kNow);
    ASSERT_TRUE(read.errors.empty()) << Describe(read.errors.front());
    ASSERT_EQ(read.contacts.size(), 2u);
    ExpectContact(read.contacts[0], {{F::kFirstName, "Jürgen"},
                                     {F::kLastName, "Müller"},
                                     {F::kHomeMobile, "+49 170 1234567"},
                                     {F::kHomePhone, "030 1234"},
                                     {F::kBusinessPhone, "030 9999"},
                                     {F::kHomeEmail, "juergen@example.org"},
                                     {F::kHomeStreet, "Hauptstraße 5"},
                                     {F::kHomeCity, "Berlin"},
                                     {F::kHomeZip, "10115"},
                                     {F::kHomeCountry, "Deutschland"},
                                     {F::kOthers,
                                      "Ruft gern abends an.\nSpäter mehr dazu, dies ist eine lange "
                                      "Notiz.\nPhoto: present in the card, not imported"}});
    EXPECT_EQ(read.contacts[0].place.line, 1);
    ExpectContact(
        read.contacts[1],
        {{F::kFirstName, "René"}, {F::kLastName, "Grün"}, {F::kHomeEmail, "rene@example.fr"}});
    EXPECT_EQ(read.contacts[1].place.line, 17);
}

TEST_F(ExchangeReadFiles, WebmailExportInVersion30) {
    const FileContents read =
        ReadImportText("webmail.vcf",
                       Crlf("BEGIN:VCARD\n"
                            "VERSION:3.0\n"
                            "FN:Jane Doe\n"
                            "N:Doe;Jane;;;\n"
                            "EMAIL;TYPE=INTERNET;TYPE=WORK:jane@work.example\n"
                            "EMAIL;TYPE=INTERNET:jane@home.example\n"
                            "EMAIL;TYPE=INTERNET:jane.other@example.org\n"
                            "TEL;TYPE=CELL:+1 555 0100\n"
                            "TEL;TYPE=WORK:+1 555 0200\n"
                            "ADR;TYPE=HOME:;;1 Main St;Springfield;IL;62701;USA\n"
                            "ORG:Acme Inc.;Sales\n"
                            "TITLE:Manager\n"
                            "BDAY:1980-02-03\n"
                            "NICKNAME:JD\n"
                            "item1.URL:http\\://jane.example.com\n"
                            "item1.X-ABLabel:_$!<HomePage>!$_\n"
                            "CATEGORIES:myContacts,Friends\n"
                            "NOTE:Met at the fair\\, 2019\\;\\nsecond line\n"
                            "END:VCARD\n"),
                       kNow);
    ASSERT_TRUE(read.errors.empty()) << Describe(read.errors.front());
    ASSERT_EQ(read.contacts.size(), 1u);
    ExpectContact(read.contacts[0], {{F::kFirstName, "Jane"},
                                     {F::kLastName, "Doe"},
                                     {F::kBusinessEmail, "jane@work.example"},
                                     {F::kHomeEmail, "jane@home.example"},
                                     {F::kHomeMobile, "+1 555 0100"},
                                     {F::kBusinessPhone, "+1 555 0200"},
                                     {F::kHomeStreet, "1 Main St"},
                                     {F::kHomeCity, "Springfield"},
                                     {F::kHomeState, "IL"},
                                     {F::kHomeZip, "62701"},
                                     {F::kHomeCountry, "USA"},
                                     {F::kBusinessDepartment, "Sales"},
                                     {F::kBusinessJobTitle, "Manager"},
                                     {F::kHomeWeb, "http://jane.example.com"},
                                     {F::kOthers,
                                      "Met at the fair, 2019;\nsecond line\n"
                                      "E-mail: jane.other@example.org\n"
                                      "Organization: Acme Inc.\n"
                                      "Birthday: 1980-02-03\n"
                                      "Nickname: JD"}});
    EXPECT_EQ(read.contacts[0].categories, (std::vector<std::string>{"myContacts", "Friends"}));
}

TEST_F(ExchangeReadFiles, Version40WithPropertyGroups) {
    const FileContents read =
        ReadImportText("v4.vcf",
                       Crlf("BEGIN:VCARD\n"
                            "VERSION:4.0\n"
                            "FN:Zoë O'Brien\n"
                            "N:O'Brien;Zoë;Ann;Dr.;\n"
                            "GENDER:F\n"
                            "KIND:individual\n"
                            "item1.EMAIL;TYPE=home;PREF=1:zoe@example.com\n"
                            "item1.X-ABLabel:private\n"
                            "item2.EMAIL;TYPE=home:zoe@other.example\n"
                            "item2.X-ABLabel:_$!<Other>!$_\n"
                            "TEL;VALUE=uri;TYPE=\"voice,cell\":tel:+1-555-0100\n"
                            "TEL;VALUE=uri;TYPE=work:tel:+1-555-0200\n"
                            "TEL;TYPE=pager:+1-555-0300\n"
                            "URL;TYPE=work:https://example.com\n"
                            "CATEGORIES:Work/Clients,VIP\n"
                            "PHOTO:data:image/png;base64,iVBORw0KGgo=\n"
                            "UID:urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1\n"
                            "END:VCARD\n"),
                       kNow);
    ASSERT_TRUE(read.errors.empty()) << Describe(read.errors.front());
    ASSERT_EQ(read.contacts.size(), 1u);
    ExpectContact(read.contacts[0], {{F::kFirstName, "Zoë Ann"},
                                     {F::kLastName, "O'Brien"},
                                     {F::kGender, "Female"},
                                     {F::kHomeEmail, "zoe@example.com"},
                                     {F::kHomeMobile, "+1-555-0100"},
                                     {F::kBusinessPhone, "+1-555-0200"},
                                     {F::kBusinessWeb, "https://example.com"},
                                     {F::kOthers,
                                      "Name prefix: Dr.\n"
                                      "Full name: Zoë O'Brien\n"
                                      "E-mail (Other, home): zoe@other.example\n"
                                      "Phone (pager): +1-555-0300\n"
                                      "Photo: present in the card, not imported"}});
    EXPECT_EQ(read.contacts[0].categories, (std::vector<std::string>{"Work/Clients", "VIP"}));
}

constexpr char kCalendarExport[] =
    "BEGIN:VCALENDAR\n"
    "VERSION:2.0\n"
    "PRODID:-//Example Corp.//Calendar 1.0//EN\n"
    "BEGIN:VTIMEZONE\n"
    "TZID:America/New_York\n"
    "BEGIN:STANDARD\n"
    "DTSTART:19701101T020000\n"
    "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\n"
    "TZOFFSETFROM:-0400\n"
    "TZOFFSETTO:-0500\n"
    "END:STANDARD\n"
    "BEGIN:DAYLIGHT\n"
    "DTSTART:19700308T020000\n"
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\n"
    "TZOFFSETFROM:-0500\n"
    "TZOFFSETTO:-0400\n"
    "END:DAYLIGHT\n"
    "END:VTIMEZONE\n"
    "BEGIN:VEVENT\n"
    "UID:weekly@example.com\n"
    "DTSTAMP:20240101T000000Z\n"
    "SUMMARY:Weekly sync\\, team\n"
    "DESCRIPTION:Agenda:\\nfirst\\, second\n"
    "DTSTART;TZID=America/New_York:20240103T090000\n"
    "DTEND;TZID=America/New_York:20240103T100000\n"
    "RRULE:FREQ=WEEKLY;BYDAY=WE\n"
    "CATEGORIES:Work/Meetings,Team\n"
    "BEGIN:VALARM\n"
    "ACTION:DISPLAY\n"
    "DESCRIPTION:Reminder\n"
    "TRIGGER:-PT15M\n"
    "END:VALARM\n"
    "END:VEVENT\n"
    "BEGIN:VEVENT\n"
    "UID:monthly@example.com\n"
    "DTSTAMP:20240101T000000Z\n"
    "SUMMARY:Monthly report\n"
    "DTSTART:20240115T100000Z\n"
    "RRULE:FREQ=MONTHLY\n"
    "END:VEVENT\n"
    "BEGIN:VEVENT\n"
    "UID:birthday@example.com\n"
    "DTSTAMP:20240101T000000Z\n"
    "SUMMARY:Anna's birthday\n"
    "DTSTART;VALUE=DATE:19800203\n"
    "RRULE:FREQ=YEARLY\n"
    "END:VEVENT\n"
    "BEGIN:VEVENT\n"
    "UID:everyother@example.com\n"
    "DTSTAMP:20240101T000000Z\n"
    "SUMMARY:Water the plants\n"
    "DTSTART:20240429T070000Z\n"
    "RRULE:FREQ=DAILY;INTERVAL=2\n"
    "BEGIN:VALARM\n"
    "ACTION:DISPLAY\n"
    "DESCRIPTION:Water\n"
    "TRIGGER;RELATED=END:PT0S\n"
    "END:VALARM\n"
    "END:VEVENT\n"
    "BEGIN:VTODO\n"
    "UID:todo@example.com\n"
    "SUMMARY:Buy milk\n"
    "END:VTODO\n"
    "END:VCALENDAR\n";

TEST_F(ExchangeReadFiles, CalendarExportWithTimeZoneAndRepeats) {
    const FileContents read = ReadImportText("calendar.ics", Crlf(kCalendarExport), kNow);
    ASSERT_TRUE(read.errors.empty()) << Describe(read.errors.front());
    struct Expected {
        const char* subject;
        const char* text;
        int remind, type, week;
        const char* date;
        const char* time;
        long line;
        std::vector<std::string> approximations;
    };
    const std::vector<Expected> expected = {
        // 09:00 in New York less a quarter of an hour is 14:45 in Berlin.
        {"Weekly sync, team", "Agenda:\nfirst, second", 1, 2, 3, "2024-1-3", "14:45:00", 19, {}},
        {"Monthly report",
         "",
         0,
         1,
         0,
         "2024-5-15",
         "12:00:00",
         34,
         {"a monthly repeat became its next occurrence as a special day, 2024-5-15 12:00:00"}},
        {"Anna's birthday",
         "",
         0,
         1,
         0,
         "2025-2-3",
         "00:00:00",
         41,
         {"a yearly repeat became its next occurrence as a special day, 2025-2-3 00:00:00"}},
        {"Water the plants",
         "",
         1,
         1,
         0,
         "2024-5-3",
         "09:00:00",
         48,
         {"a daily repeat every 2 times became its next occurrence as a special day, 2024-5-3 "
          "09:00:00"}},
    };
    ASSERT_EQ(read.schedules.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const ScheduleItem& item = read.schedules[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.subject);
        EXPECT_EQ(item.fields.subject, e.subject);
        EXPECT_EQ(item.fields.text, e.text);
        EXPECT_EQ(item.fields.remind, e.remind);
        EXPECT_EQ(item.fields.remindType, e.type);
        EXPECT_EQ(item.fields.remindWeek, e.week);
        EXPECT_EQ(item.fields.remindDate, e.date);
        EXPECT_EQ(item.fields.remindTime, e.time);
        EXPECT_EQ(item.fields.emailRemind, 0);
        EXPECT_EQ(item.place.line, e.line);
        EXPECT_EQ(item.approximations, e.approximations);
    }
    EXPECT_EQ(read.schedules[0].categories, (std::vector<std::string>{"Work/Meetings", "Team"}));
    ASSERT_EQ(read.notes.size(), 1u);
    EXPECT_EQ(Describe(read.notes[0]),
              "calendar.ics, line 60: 1 VTODO is not imported: only events (VEVENT) are");
}

TEST_F(ExchangeReadFiles, EventWithEmailAlarmAndAttendees) {
    const FileContents read = ReadImportText(
        "invite.ics",
        Crlf("BEGIN:VCALENDAR\n"
             "VERSION:2.0\n"
             "PRODID:-//Example//EN\n"
             "BEGIN:VEVENT\n"
             "UID:1@example.com\n"
             "DTSTAMP:20240101T000000Z\n"
             "SUMMARY:Design review\n"
             "DTSTART:20240601T083000\n"
             "ORGANIZER;CN=Mei Chen:mailto:mei@example.com\n"
             "ATTENDEE;CN=Maria Rossi;ROLE=REQ-PARTICIPANT:mailto:Maria@Example.org\n"
             "ATTENDEE;CN=Bob:MAILTO:bob@example.org\n"
             "BEGIN:VALARM\n"
             "ACTION:EMAIL\n"
             "SUMMARY:Design review\n"
             "DESCRIPTION:Design review in an hour\n"
             "TRIGGER;RELATED=START:-PT1H\n"
             "ATTENDEE:mailto:maria@example.org\n"
             "ATTENDEE:mailto:carol@example.org\n"
             "END:VALARM\n"
             "BEGIN:VALARM\n"
             "ACTION:DISPLAY\n"
             "DESCRIPTION:Design review\n"
             "TRIGGER:-PT1H\n"
             "END:VALARM\n"
             "END:VEVENT\n"
             "END:VCALENDAR\n"),
        kNow);
    ASSERT_TRUE(read.errors.empty()) << Describe(read.errors.front());
    ASSERT_EQ(read.schedules.size(), 1u);
    const ScheduleItem& item = read.schedules[0];
    EXPECT_EQ(item.fields.remind, 1);
    EXPECT_EQ(item.fields.emailRemind, 1);
    EXPECT_EQ(item.fields.remindType, 1);
    EXPECT_EQ(item.fields.remindDate, "2024-6-1");
    EXPECT_EQ(item.fields.remindTime, "07:30:00");
    ASSERT_EQ(item.attendees.size(), 3u);
    EXPECT_EQ(item.attendees[0].email, "Maria@Example.org");
    EXPECT_EQ(item.attendees[0].name, "Maria Rossi");
    EXPECT_EQ(item.attendees[1].email, "bob@example.org");
    EXPECT_EQ(item.attendees[2].email, "carol@example.org");
    // Two alarms at the same time are one reminder, said by both.
    EXPECT_TRUE(item.approximations.empty());
}

// Files that cannot be imported: an error with the file and the line, and nothing read.
TEST_F(ExchangeReadFiles, BadInputIsRefusedWithFileAndLine) {
    std::string nestedComponents = "BEGIN:VCALENDAR\r\n";
    std::string nestedCards;
    for (int i = 0; i < 100000; ++i) {
        nestedComponents += "BEGIN:VEVENT\r\n";
        nestedCards += "BEGIN:VCARD\r\n";
    }
    const std::string longLine =
        "BEGIN:VCARD\r\nNOTE:" + std::string(10 << 20, 'x') + "\r\nEND:VCARD\r\n";
    struct Case {
        const char* what;
        std::string text;
        long line;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"not either format", "From: someone\r\nSubject: hello\r\n", 1,
         "neither a vCard nor an iCalendar"},
        {"empty", "", 0, "the file is empty"},
        {"a cut card", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nNOTE:cut sh", 1, "has no END:VCARD"},
        {"a cut calendar", "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:x\r\n", 1,
         "the VEVENT begun on line 2 has no END"},
        {"not UTF-8", "BEGIN:VCARD\r\nFN:ok\r\nNOTE:caf\xe9\r\nEND:VCARD\r\n", 3,
         "not valid UTF-8"},
        {"UTF-16",
         std::string("\xff\xfe"
                     "B\0E\0",
                     6),
         1, "UTF-16"},
        {"a zero byte", std::string("BEGIN:VCARD\r\nFN:a\0b\r\nEND:VCARD\r\n", 28), 2, "zero byte"},
        {"a line of 10 MB", longLine, 2, "longer than 4 MiB"},
        {"100,000 nested components", nestedComponents, 17, "nested more than 16 deep"},
        {"100,000 nested cards", nestedCards, 17, "nested more than 16 deep"},
        {"text between cards", "BEGIN:VCARD\r\nFN:a\r\nEND:VCARD\r\nhello\r\n", 4,
         "text outside a card"},
        {"components that do not pair",
         "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nEND:VALARM\r\nEND:VCALENDAR\r\n", 3,
         "END:VALARM where the VEVENT begun on line 2 should end"},
        {"an unreadable start",
         "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:x\r\nDTSTART:next tuesday\r\nEND:VEVENT\r\n"
         "END:VCALENDAR\r\n",
         2, "the event cannot be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FileContents read = ReadImportText("bad.file", c.text, kNow);
        ASSERT_EQ(read.errors.size(), 1u);
        EXPECT_EQ(read.errors[0].place.file, "bad.file");
        EXPECT_EQ(read.errors[0].place.line, c.line);
        EXPECT_NE(read.errors[0].text.find(c.says), std::string::npos) << read.errors[0].text;
        EXPECT_TRUE(read.contacts.empty());
        EXPECT_TRUE(read.schedules.empty());
    }
}

TEST_F(ExchangeReadFiles, MissingFileNamesTheReason) {
    const FileContents read = ReadImportFile("/nonexistent/contacts.vcf", kNow);
    ASSERT_EQ(read.errors.size(), 1u);
    EXPECT_EQ(Describe(read.errors[0]),
              "/nonexistent/contacts.vcf: cannot be read: No such file or directory");
}

// The fuzzers' corpus: whatever a file holds, reading it ends, and gives either items or errors.
TEST_F(ExchangeReadFiles, FuzzCorpusReadsWithoutFault) {
    int files = 0;
    for (const char* kind : {"vcard", "icalendar"}) {
        const std::filesystem::path folder =
            std::filesystem::path(CALVENDRA_SOURCE_DIR) / "tests/exchange/corpus" / kind;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            const FileContents read =
                ReadImportText(entry.path().filename().string(), text.str(), kNow);
            EXPECT_TRUE(read.errors.empty() || (read.contacts.empty() && read.schedules.empty()))
                << entry.path();
            ++files;
        }
    }
    EXPECT_GT(files, 20);
}

}  // namespace
}  // namespace calvendra::exchange
