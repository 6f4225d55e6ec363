// What the contact and group editors decide without a window: which field each control fills, a
// new contact's defaults, the address "GO" opens, and the statements the group editor hands back.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "editors/contact_record.h"
#include "editors/group_members.h"
#include "editors/picker_rows.h"
#include "editors/web_address.h"
#include "store/statements.h"

namespace calvendra {
namespace {

using Strings = std::vector<std::string>;

// Every field position names the column it is stored in: a position off by one would put a
// business phone into the fax column.
TEST(ContactField, EachPositionIsTheColumnOfTheSameName) {
    const struct {
        std::size_t field;
        const char* column;
    } kFields[] = {
        {ContactField::kFirstName, "first_name"},
        {ContactField::kLastName, "last_name"},
        {ContactField::kGender, "gender"},
        {ContactField::kHomeEmail, "home_email"},
        {ContactField::kHomeStreet, "home_street"},
        {ContactField::kHomeCity, "home_city"},
        {ContactField::kHomeState, "home_state"},
        {ContactField::kHomeZip, "home_zip"},
        {ContactField::kHomeCountry, "home_country"},
        {ContactField::kHomePhone, "home_phone"},
        {ContactField::kHomeFax, "home_fax"},
        {ContactField::kHomeMobile, "home_mobile"},
        {ContactField::kHomeWeb, "home_web"},
        {ContactField::kBusinessEmail, "business_email"},
        {ContactField::kBusinessStreet, "business_street"},
        {ContactField::kBusinessCity, "business_city"},
        {ContactField::kBusinessState, "business_state"},
        {ContactField::kBusinessZip, "business_zip"},
        {ContactField::kBusinessCountry, "business_country"},
        {ContactField::kBusinessJobTitle, "business_jobtitle"},
        {ContactField::kBusinessDepartment, "business_department"},
        {ContactField::kBusinessOffice, "business_office"},
        {ContactField::kBusinessPhone, "business_phone"},
        {ContactField::kBusinessFax, "business_fax"},
        {ContactField::kBusinessWeb, "business_web"},
        {ContactField::kOthers, "others"},
    };
    ASSERT_EQ(std::size(kFields), statements::kContactTextColumnCount);
    for (const auto& f : kFields) {
        EXPECT_STREQ(statements::kContactTextColumns.at(f.field), f.column);
    }
}

TEST(NewContactValues, GenderUnspecifiedBothWebFieldsHttpAndTheRestEmpty) {
    const ContactValues values = NewContactValues();
    for (std::size_t field = 0; field < values.size(); ++field) {
        const char* expected = "";
        if (field == ContactField::kGender) {
            expected = "Unspecified";
        } else if (field == ContactField::kHomeWeb || field == ContactField::kBusinessWeb) {
            expected = "http://";
        }
        EXPECT_EQ(values[field], expected) << statements::kContactTextColumns[field];
    }
}

TEST(WebAddressToOpen, OpensWhatNamesAnAddressAndNothingElse) {
    const struct {
        const char* field;
        std::optional<std::string> opened;
    } kCases[] = {
        {"http://www.example.org", "http://www.example.org"},
        {"  https://example.org/a b  ", "https://example.org/a b"},
        {"HTTP://EXAMPLE.ORG", "HTTP://EXAMPLE.ORG"},
        {"ftp://files.example.org", "ftp://files.example.org"},
        {"mailto:kim@example.org", "mailto:kim@example.org"},
        // Without a scheme the desktop would look for a file of that name.
        {"www.example.org", "http://www.example.org"},
        {"example.org:8080/x", "http://example.org:8080/x"},
        {"-version", "http://-version"},
        // Nothing to open: the field as a new contact has it, or empty.
        {"http://", std::nullopt},
        {" http:// ", std::nullopt},
        {"HTTPS://", std::nullopt},
        {"mailto:", std::nullopt},
        {"", std::nullopt},
        {" \t", std::nullopt},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(WebAddressToOpen(c.field), c.opened) << '"' << c.field << '"';
        Strings launched;
        OpenWebField(c.field, [&](const std::string& address) { launched.push_back(address); });
        EXPECT_EQ(launched, c.opened ? Strings{*c.opened} : Strings{}) << '"' << c.field << '"';
    }
}

TEST(MemberContactText, KeepsTheBlankWithoutALastName) {
    EXPECT_EQ(MemberContactText("Anna", "Berg"), "Anna Berg");
    EXPECT_EQ(MemberContactText("Solo", ""), "Solo ");
    EXPECT_EQ(MemberContactText(" ", "O'Neil"), "  O'Neil");
}

TEST(MemberStatements, OneMoveIntoTheGroupPerRowInRowOrder) {
    const std::vector<GroupMember> members = {
        {1000000013, "Solo", false}, {1000000011, "Anna Berg", false}, {1000000013, "Solo", false}};
    EXPECT_EQ(MemberStatements(kContactKind, 1000000007, members),
              (Strings{"update assist_contactmaininfo set group_id='1000000007' "
                       "where contact_id='1000000013'",
                       "update assist_contactmaininfo set group_id='1000000007' "
                       "where contact_id='1000000011'",
                       "update assist_contactmaininfo set group_id='1000000007' "
                       "where contact_id='1000000013'"}));
    EXPECT_EQ(MemberStatements(kScheduleKind, 2000000009, {{2999999990, "Standup", true}}),
              (Strings{"update assist_scheduleinfo set group_id='2000000009' "
                       "where schedule_id='2999999990'"}));
    EXPECT_TRUE(MemberStatements(kScheduleKind, 2000000009, {}).empty());
    EXPECT_TRUE(MemberStatements(3, 3000000001, members).empty());
    EXPECT_TRUE(MemberStatements(0, 1000000007, members).empty());
}

TEST(ReleaseMemberStatement, SendsTheItemToTheBaseGroupOfItsKind) {
    EXPECT_EQ(ReleaseMemberStatement(kContactKind, 1000000044),
              "update assist_contactmaininfo set group_id='1000000001' "
              "where contact_id='1000000044'");
    EXPECT_EQ(ReleaseMemberStatement(kScheduleKind, 2999999990),
              "update assist_scheduleinfo set group_id='2000000001' "
              "where schedule_id='2999999990'");
}

}  // namespace
}  // namespace calvendra
