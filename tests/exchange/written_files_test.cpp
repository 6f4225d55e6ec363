// What the program writes, read back by other programs' parsers (Python's vobject and icalendar),
// with every field checked.

#include <gtest/gtest.h>

#include "editors/contact_record.h"
#include "exchange/icalendar_writing.h"
#include "exchange/replaced_file.h"
#include "exchange/vcard_writing.h"
#include "tests/exchange/exchange_test_support.h"

namespace calvendra::exchange {
namespace {

using testing::Line;
using testing::ReadBack;
using F = ContactField;

// Every field in use, with the characters that need care: quotes, the format's separators,
// a backslash, line breaks, text beyond one line of the file, and more than ASCII.
statements::ContactFields FullContact() {
    statements::ContactFields f = NewContactValues();
    f[F::kFirstName] = "Zoë \"Zee\"";
    f[F::kLastName] = "O'Brien; Ünal, Jr.";
    f[F::kGender] = "Female";
    f[F::kHomeEmail] = "zoe@example.org";
    f[F::kHomeStreet] = "Hauptstraße 5\n2. Stock, links";
    f[F::kHomeCity] = "Köln";
    f[F::kHomeState] = "NRW";
    f[F::kHomeZip] = "50667";
    f[F::kHomeCountry] = "Deutschland";
    f[F::kHomePhone] = "+49 221 555 0100";
    f[F::kHomeFax] = "+49 221 555 0101";
    f[F::kHomeMobile] = "+49 170 555 0102";
    f[F::kHomeWeb] = "https://zoe.example.org/~zoe";
    f[F::kBusinessEmail] = "z.obrien@firm.example";
    f[F::kBusinessStreet] = "Ring 1";
    f[F::kBusinessCity] = "Bonn";
    f[F::kBusinessState] = "";
    f[F::kBusinessZip] = "53111";
    f[F::kBusinessCountry] = "Germany";
    f[F::kBusinessJobTitle] = "Head of R&D";
    f[F::kBusinessDepartment] = "Research; Development";
    f[F::kBusinessOffice] = "Room 4.12";
    f[F::kBusinessPhone] = "+49 228 555 0200";
    f[F::kBusinessFax] = "+49 228 555 0201";
    f[F::kBusinessWeb] = "https://firm.example";
    f[F::kOthers] =
        "Likes \\backslashes\\, commas, and; semicolons.\n"
        "日本語のメモ — a note long enough to be folded over more than one line of "
        "the file.";
    return f;
}

class ExchangeWrittenFiles : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = (folder_.Path() / name).string();
        EXPECT_EQ(ReplaceFile(path, text), "");
        return path;
    }

    test::TempFolder folder_;
};

TEST_F(ExchangeWrittenFiles, ContactsReadByVobjectInBothVersions) {
    const statements::ContactFields f = FullContact();
    for (VCardVersion version : {VCardVersion::k40, VCardVersion::k30}) {
        const bool v4 = version == VCardVersion::k40;
        SCOPED_TRACE(v4 ? "4.0" : "3.0");
        const std::string path =
            Write("contacts.vcf",
                  VCardOf(f, "Work/Clients", version) + VCardOf(NewContactValues(), "", version));
        auto t = [v4](const char* four, const char* three) { return v4 ? four : three; };
        const std::vector<std::string> expected = {
            Line("card"),
            Line("VERSION", {v4 ? "4.0" : "3.0"}),
            Line("FN", {f[F::kFirstName] + " " + f[F::kLastName]}),
            Line("N", {f[F::kLastName], f[F::kFirstName], "", "", ""}),
            Line(v4 ? "GENDER" : "X-GENDER", {v4 ? "F" : "Female"}),
            Line("EMAIL", {t("home", "internet,home"), f[F::kHomeEmail]}),
            Line("EMAIL", {t("work", "internet,work"), f[F::kBusinessEmail]}),
            Line("TEL", {"home,voice", f[F::kHomePhone]}),
            Line("TEL", {"cell", f[F::kHomeMobile]}),
            Line("TEL", {"home,fax", f[F::kHomeFax]}),
            Line("TEL", {"work,voice", f[F::kBusinessPhone]}),
            Line("TEL", {"work,fax", f[F::kBusinessFax]}),
            Line("ADR", {"home", f[F::kHomeStreet], f[F::kHomeCity], f[F::kHomeState],
                         f[F::kHomeZip], f[F::kHomeCountry]}),
            Line("ADR", {"work", f[F::kBusinessStreet], f[F::kBusinessCity], "", f[F::kBusinessZip],
                         f[F::kBusinessCountry]}),
            Line("URL", {"home", f[F::kHomeWeb]}),
            Line("URL", {"work", f[F::kBusinessWeb]}),
            Line("TITLE", {f[F::kBusinessJobTitle]}),
            Line("ORG", {"", f[F::kBusinessDepartment], f[F::kBusinessOffice]}),
            Line("NOTE", {f[F::kOthers]}),
            Line("CATEGORIES", {"Work/Clients"}),
            // A new contact: no name, gender "Unspecified" and the web fields' "http://" say
            // nothing, and only the required properties remain.
            Line("card"),
            Line("VERSION", {v4 ? "4.0" : "3.0"}),
            Line("FN", {""}),
            Line("N", {"", "", "", "", ""}),
        };
        EXPECT_EQ(ReadBack(path), expected);
    }
}

TEST_F(ExchangeWrittenFiles, SchedulesReadByIcalendar) {
    struct Case {
        const char* what;
        statements::ScheduleFields fields;
        std::vector<Attendee> attendees;
        std::vector<std::string> expected;  // after SUMMARY
    };
    const std::vector<Attendee> two = {{"maria@example.org", "Maria Rossi"},
                                       {"bob@example.org", ""}};
    const std::vector<Case> cases = {
        {"special day, mailed",
         {"Call \"Maria\"; then, lunch", "Line one\nLine two — ü", 1, 1, 0, "2005-3-7", "09:05:00",
          1},
         two,
         {Line("DESCRIPTION", {"Line one\nLine two — ü"}),
          Line("DTSTART", {"2005-03-07T09:05:00", "floating"}),
          Line("CATEGORIES", {"Work/Clients"}),
          Line("ATTENDEE", {"mailto:maria@example.org", "Maria Rossi"}),
          Line("ATTENDEE", {"mailto:bob@example.org", ""}), Line("VALARM", {"DISPLAY", "0"}),
          Line("VALARM", {"EMAIL", "0", "mailto:maria@example.org", "mailto:bob@example.org"})}},
        {"every Wednesday from a Monday's date",
         {"Weekly", "", 1, 2, 3, "2024-5-6", "18:30:00", 0},
         {},
         {Line("DTSTART", {"2024-05-08T18:30:00", "floating"}),
          Line("RRULE", {"FREQ=WEEKLY;BYDAY=WE"}), Line("CATEGORIES", {"Work/Clients"}),
          Line("VALARM", {"DISPLAY", "0"})}},
        {"every day, without a stored date: from today",
         {"Daily", "", 1, 3, 0, "", "07:00:00", 0},
         {},
         {Line("DTSTART", {"2024-05-01T07:00:00", "floating"}), Line("RRULE", {"FREQ=DAILY"}),
          Line("CATEGORIES", {"Work/Clients"}), Line("VALARM", {"DISPLAY", "0"})}},
        {"no reminder, attendants listed, no alarm",
         {"Off", "", 0, 1, 0, "2024-6-1", "10:00:00", 1},
         two,
         {Line("DTSTART", {"2024-06-01T10:00:00", "floating"}),
          Line("CATEGORIES", {"Work/Clients"}),
          Line("ATTENDEE", {"mailto:maria@example.org", "Maria Rossi"}),
          Line("ATTENDEE", {"mailto:bob@example.org", ""})}},
        {"never set: no start at all",
         {"Note", "", 0, 3, 0, "", "", 0},
         {},
         {Line("CATEGORIES", {"Work/Clients"})}},
    };
    std::vector<ScheduleToWrite> schedules;
    std::vector<std::string> expected;
    Identifier id = 2000000002;
    for (const Case& c : cases) {
        schedules.push_back({id++, c.fields, "Work/Clients", c.attendees});
        expected.push_back(Line("event"));
        expected.push_back(Line("SUMMARY", {c.fields.subject}));
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    }
    const std::string path =
        Write("schedules.ics", CalendarOf(schedules, {2024, 5, 1}, 1714550400));
    EXPECT_EQ(ReadBack(path), expected);
}

}  // namespace
}  // namespace calvendra::exchange
