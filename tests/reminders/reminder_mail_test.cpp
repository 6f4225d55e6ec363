// Reminder mail through a real SMTP server (aiosmtpd on loopback) from a real database, in clear
// and encrypted, with and without the login of the settings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "mail/smtp_connection.h"
#include "reminders/reminder_mail.h"
#include "store/db_connection.h"
#include "tests/mail/scripted_peer.h"
#include "tests/mail/smtp_sink_server.h"
#include "tests/mail/test_certificates.h"
#include "tests/support/test_database.h"

namespace calvendra {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr Identifier kSchedule = 2000000002;

class ReminderMailTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(server_.Start(why)) << why;
        settings_.smtpServer = "127.0.0.1";
        settings_.smtpPort = server_.Port();
        settings_.smtpAccount = "unused-account";
        settings_.smtpPassword = "unused-password";
        settings_.senderAddress = "Organizer <organizer@example.org>";
        database_.Execute(
            "insert into assist_scheduleinfo values ('2000000002','2000000001','Standup',"
            "'Room 4.',1,3,'0','','09:30:00',1);"
            "insert into assist_contactmaininfo (contact_id, group_id, first_name, home_email) "
            "values ('1000000002','1000000001','Ann','ann@example.org'),"
            "('1000000003','1000000001','Bob','bob@example.org'),"
            "('1000000004','1000000001','Cy','cy@example.org'),"
            "('1000000005','1000000001','Dee','')");
        ASSERT_TRUE(connection_.OpenConnection());
    }

    void Attend(Identifier contact) {
        database_.Execute("insert into schedule_contact values ('" + std::to_string(kSchedule) +
                          "','" + std::to_string(contact) + "')");
    }

    // The envelope recipients and the message of the one mail received.
    static std::string Envelope(const std::string& received) {
        return received.substr(0, received.find("\r\n\r\n"));
    }

    testing::TestDatabase database_;
    CDBConnection connection_{"Calvendra", "opal", "kelp"};
    test::SmtpSinkServer server_;
    EmailSettings settings_;
};

TEST_F(ReminderMailTest, ThreeAttendantsGetOneMessageWithThreeToRecipientsInQueryOrder) {
    Attend(1000000004);
    Attend(1000000002);
    Attend(1000000003);
    const std::vector<std::string> collected = CollectAttendantAddresses(&connection_, kSchedule);
    // The order is the database's, as the same query gives it outside the organizer.
    std::vector<std::string> expected;
    for (const auto& row :
         database_.Query("select home_email from assist_contactmaininfo,schedule_contact where "
                         "schedule_contact.schedule_id='2000000002' and "
                         "schedule_contact.contact_id=assist_contactmaininfo.contact_id")) {
        expected.push_back(row[0]);
    }
    ASSERT_EQ(collected, expected);
    ASSERT_EQ(collected.size(), 3u);

    MailScheduleAttendants(&connection_, "Standup", "Room 4.\n.\nBring notes.", kSchedule,
                           settings_);

    const auto messages = server_.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(server_.Sessions(), 1);
    EXPECT_EQ(Envelope(messages[0]),
              "organizer@example.org\r\n" + collected[0] + " " + collected[1] + " " + collected[2]);
    EXPECT_THAT(messages[0], HasSubstr("From: Organizer <organizer@example.org>\r\n"));
    EXPECT_THAT(messages[0], HasSubstr("To: " + collected[0] + "," + collected[1] + "," +
                                       collected[2] + "\r\n"));
    EXPECT_THAT(messages[0], HasSubstr("Subject: Standup\r\n"));
    EXPECT_THAT(messages[0], HasSubstr("\r\n\r\nRoom 4.\r\n.\r\nBring notes.\r\n"));
}

// The organizer keeps its texts in UTF-8, whatever the locale the program runs in (the tests run
// in the C locale, as the organizer does).
TEST_F(ReminderMailTest, TextsOutsideAsciiArriveAsTheyWereStored) {
    Attend(1000000002);
    settings_.senderAddress = "J\xc3\xb6rg <organizer@example.org>";
    MailScheduleAttendants(&connection_, "Caf\xc3\xa9 at ten",
                           "Cr\xc3\xa8me br\xc3\xbbl\xc3\xa9\x65, 12 \xe2\x82\xac", kSchedule,
                           settings_);
    const auto messages = server_.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("charset=UTF-8\r\n"));
    EXPECT_THAT(messages[0], HasSubstr("\r\nSubject: =?UTF-8?q?Caf=C3=A9_at_ten?=\r\n"));
    EXPECT_THAT(messages[0],
                HasSubstr("\r\nFrom: =?UTF-8?q?J=C3=B6rg?= <organizer@example.org>\r\n"));
    // 8-bit text goes quoted-printable, so that any server takes it.
    EXPECT_THAT(messages[0], HasSubstr("\r\nMIME-Version: 1.0\r\n"));
    EXPECT_THAT(messages[0], HasSubstr("\r\nContent-Transfer-Encoding: quoted-printable\r\n"));
    EXPECT_THAT(messages[0], HasSubstr("\r\n\r\nCr=C3=A8me br=C3=BBl=C3=A9e, 12 =E2=82=AC\r\n"));
}

TEST_F(ReminderMailTest, NoAttendantsOpenNoSession) {
    EXPECT_TRUE(CollectAttendantAddresses(&connection_, kSchedule).empty());
    MailScheduleAttendants(&connection_, "Standup", "Room 4.", kSchedule, settings_);
    EXPECT_EQ(server_.Sessions(), 0);
    EXPECT_TRUE(server_.Messages().empty());
}

TEST_F(ReminderMailTest, AnAttendantWithoutAddressKeepsItsPlaceButDoesNotStopTheOthersMail) {
    Attend(1000000002);
    Attend(1000000005);
    Attend(1000000003);
    const std::vector<std::string> collected = CollectAttendantAddresses(&connection_, kSchedule);
    ASSERT_EQ(collected.size(), 3u);
    EXPECT_EQ(std::count(collected.begin(), collected.end(), ""), 1);

    MailScheduleAttendants(&connection_, "Standup", "Room 4.", kSchedule, settings_);
    const auto messages = server_.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(Envelope(messages[0]), HasSubstr("ann@example.org"));
    EXPECT_THAT(Envelope(messages[0]), HasSubstr("bob@example.org"));
    EXPECT_THAT(Envelope(messages[0]), Not(HasSubstr("<>")));
}

// The reason of a failed mail, or empty when it went out.
std::string FailureOf(const std::function<void()>& send) {
    try {
        send();
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return std::string();
}

TEST_F(ReminderMailTest, OnlyAddresslessAttendantsSendNothing) {
    Attend(1000000005);
    // With no recipient left no session is opened, and the failure says why.
    EXPECT_THAT(FailureOf([&] {
                    MailScheduleAttendants(&connection_, "Standup", "Room 4.", kSchedule,
                                           settings_);
                }),
                HasSubstr("no recipient has a valid mail address"));
    EXPECT_TRUE(server_.Messages().empty());
    EXPECT_EQ(server_.Sessions(), 0);
}

// An address from the database is checked before the session: one that is no valid mail address
// is left out and named, whoever wrote it there; the others get the mail.
TEST_F(ReminderMailTest, AnInvalidAddressIsLeftOutAndNamedAndTheOthersGetTheMail) {
    database_.Execute(
        "insert into assist_contactmaininfo (contact_id, group_id, first_name, last_name, "
        "home_email) values ('1000000006','1000000001','Eve','Ill',"
        "'to1@example.org> NOTIFY=SUCCESS,FAILURE ORCPT=rfc822;x@y'),"
        "('1000000007','1000000001','','','a@" +
        std::string(4600, 'x') + ".org')");
    Attend(1000000006);
    Attend(1000000002);
    Attend(1000000007);
    std::vector<std::string> addresses;
    std::vector<std::string> names;
    for (const Attendant& attendant : CollectAttendants(&connection_, kSchedule)) {
        addresses.push_back(attendant.address);
        names.push_back(attendant.who);
    }
    ASSERT_EQ(names.size(), 3u);
    EXPECT_THAT(names,
                ::testing::UnorderedElementsAre("Eve Ill (contact 1000000006)",
                                                "Ann (contact 1000000002)", "contact 1000000007"));
    std::vector<LeftOutRecipient> leftOut;
    CKivSMTPConnection session;
    SendReminderMail(session, "Standup", "Room 4.", addresses, settings_, names, &leftOut);

    const auto messages = server_.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Envelope(messages[0]), "organizer@example.org\r\nann@example.org");
    EXPECT_THAT(messages[0], HasSubstr("\r\nTo: ann@example.org\r\n"));
    std::vector<std::string> said;
    for (const LeftOutRecipient& recipient : leftOut) {
        said.push_back(recipient.Text());
    }
    EXPECT_THAT(said,
                ::testing::UnorderedElementsAre(
                    "Eve Ill (contact 1000000006): the address \"to1@example.org> "
                    "NOTIFY=SUCCESS,FAILURE ORCPT=rfc822;x@y\" is no valid mail address: its "
                    "domain holds \">\" (octet 16)",
                    "contact 1000000007: the address \"a@" + std::string(98, 'x') +
                        "...\" is no valid mail address: it is 4606 octets long, more than the "
                        "254 a mail address may have"));
}

// The sender is the settings' own: one that is no valid mail address stops the mail before any
// session, with the reason.
TEST_F(ReminderMailTest, AnInvalidSenderStopsTheMailWithTheReason) {
    Attend(1000000002);
    const auto send = [&] {
        MailScheduleAttendants(&connection_, "Standup", "Room 4.", kSchedule, settings_);
    };
    const struct {
        const char* sender;
        const char* reason;
    } cases[] = {
        {"", "no sender address is set in the e-mail settings"},
        {"Organizer <organizer@>",
         "the sender address \"organizer@\" of the e-mail settings is no valid mail address: it "
         "has no domain after the \"@\""},
        {"organizer@example.org\r\nRSET",
         "the sender address \"organizer@example.org\\x0D\\x0ARSET\" of the e-mail settings is "
         "no valid mail address: it holds the byte 0x0D"},
    };
    for (const auto& c : cases) {
        settings_.senderAddress = c.sender;
        EXPECT_THAT(FailureOf(send), HasSubstr(c.reason)) << c.sender;
    }
    EXPECT_EQ(server_.Sessions(), 0);
}

TEST_F(ReminderMailTest, DuplicatesAreKept) {
    Attend(1000000002);
    Attend(1000000002);
    EXPECT_THAT(CollectAttendantAddresses(&connection_, kSchedule),
                ElementsAre("ann@example.org", "ann@example.org"));
    // Deleting a contact leaves its link behind; the mail has one address fewer.
    Attend(1000000009);
    EXPECT_EQ(CollectAttendantAddresses(&connection_, kSchedule).size(), 2u);
}

TEST_F(ReminderMailTest, TheSettingsOfEachCallAreTheOnesUsed) {
    Attend(1000000002);
    MailScheduleAttendants(&connection_, "First", "1", kSchedule, settings_);
    settings_.senderAddress = "someone.else@example.org";
    MailScheduleAttendants(&connection_, "Second", "2", kSchedule, settings_);
    const auto messages = server_.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_THAT(messages[0], HasSubstr("From: Organizer <organizer@example.org>\r\n"));
    EXPECT_THAT(messages[1], HasSubstr("From: someone.else@example.org\r\n"));
}

// Nothing is shown or retried here: the failure goes to the caller with its reason, which the
// reminder scan writes to the log.
TEST_F(ReminderMailTest, AMailThatCannotGoOutSaysWhy) {
    Attend(1000000002);
    const auto send = [&] {
        MailScheduleAttendants(&connection_, "Standup", "Room 4.", kSchedule, settings_);
    };
    settings_.smtpPort = test::UnusedPort();
    EXPECT_THAT(FailureOf(send), HasSubstr("refused"));
    settings_.smtpServer = "";
    EXPECT_THAT(FailureOf(send), HasSubstr("no SMTP server is set in the e-mail settings"));
    EXPECT_TRUE(server_.Messages().empty());

    database_.Execute("drop table schedule_contact");
    settings_.smtpServer = "127.0.0.1";
    settings_.smtpPort = server_.Port();
    const std::string failure = FailureOf(send);
    EXPECT_THAT(failure, HasSubstr("the attendants could not be read"));
    EXPECT_THAT(failure, HasSubstr("schedule_contact"));
    EXPECT_EQ(server_.Sessions(), 0);
}

TEST(ReminderMailWithoutDatabase, NoConnectionCollectsNothing) {
    EXPECT_TRUE(CollectAttendantAddresses(nullptr, kSchedule).empty());
}

// A provider's submission port: the server takes mail only after STARTTLS, or speaks TLS from the
// first byte, and only from a client that logged in. The settings' security, account and password
// satisfy it; the test's CA comes in through the variable the organizer reads for that. The same
// server without encryption gets CRAM-MD5, which shows no password; a wrong password or a
// certificate the client cannot trust fails the mail with the reason.
TEST(ReminderMailToAProvider, TheSettingsSecurityAndLoginSatisfyAServerThatAsksForThem) {
    const test::TestCertificates certificates;
    std::string why;
    ASSERT_TRUE(certificates.Ready(why)) << why;
    const struct {
        const char* label;
        MailSecurity security;
        const char* password;
        bool caNamed;                     // the variable names the test's CA
        std::vector<std::string> logins;  // what the server logged
        std::string failure;              // empty: the mail goes
    } rows[] = {
        {"STARTTLS", MailSecurity::StartTls, "Right pass", true, {"PLAIN ann accepted"}, ""},
        {"SSL/TLS", MailSecurity::Tls, "Right pass", true, {"PLAIN ann accepted"}, ""},
        {"none", MailSecurity::None, "Right pass", true, {"CRAM-MD5 ann accepted"}, ""},
        {"STARTTLS, wrong password",
         MailSecurity::StartTls,
         "wrong",
         true,
         {"PLAIN ann refused"},
         "did not accept the login (AUTH PLAIN): 535 "},
        // The CA the variable names is the only reason the test's certificate is trusted.
        {"SSL/TLS, the CA not named",
         MailSecurity::Tls,
         "Right pass",
         false,
         {},
         "The mail server's certificate was refused: unable to get local issuer certificate"},
    };
    for (const auto& row : rows) {
        if (row.caNamed) {
            setenv(kExtraCaFileVariable, certificates.CaFile().c_str(), 1);
        } else {
            unsetenv(kExtraCaFileVariable);
        }
        test::SmtpSinkServer server;
        server.RequireLogin("ann", "Right pass");
        if (row.security != MailSecurity::None) {
            server.UseTls(row.security == MailSecurity::StartTls
                              ? test::SmtpSinkServer::Tls::StartTls
                              : test::SmtpSinkServer::Tls::Implicit,
                          certificates.Loopback().certificate, certificates.Loopback().key);
        }
        ASSERT_TRUE(server.Start(why)) << why;
        EmailSettings settings;
        settings.senderAddress = "ann@example.org";
        settings.smtpServer = "localhost";
        settings.smtpPort = server.Port();
        settings.smtpAccount = "ann";
        settings.smtpPassword = row.password;
        settings.security = row.security;
        const std::string failure = FailureOf(
            [&] { SendReminderMail("Standup", "Room 4.", {"bob@example.org"}, settings); });
        if (row.failure.empty()) {
            EXPECT_EQ(failure, "") << row.label;
        } else {
            EXPECT_THAT(failure, HasSubstr(row.failure)) << row.label;
        }
        EXPECT_EQ(server.Logins(), row.logins) << row.label;
        EXPECT_EQ(server.Messages().size(), row.failure.empty() ? 1u : 0u) << row.label;
    }
    unsetenv(kExtraCaFileVariable);
}

}  // namespace
}  // namespace calvendra
