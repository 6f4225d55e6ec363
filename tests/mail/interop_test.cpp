// The session against a real SMTP server: aiosmtpd from Debian's packages, run by a small script
// on a free loopback port for the length of the test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mail/smtp_connection.h"
#include "tests/mail/smtp_sink_server.h"

namespace calvendra {
namespace {

using ::testing::HasSubstr;

class AiosmtpdServer : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(server_.Start(why)) << why;
        port_ = server_.Port();
    }

    std::vector<std::string> Messages() const { return server_.Messages(); }
    int Sessions() const { return server_.Sessions(); }

    std::uint16_t port_ = 0;

private:
    test::SmtpSinkServer server_;
};

TEST_F(AiosmtpdServer, PlainMessageToThreeRecipientsArrivesOnceAndIntact) {
    const std::string body = "Team meeting at 9:30.\n.\n..two dots\n.leading dot\r\nlast line";
    {
        CKivSMTPConnection session;
        session.Connect("127.0.0.1", AuthMethod::None, "account", "password", port_);
        CKivSMTPMessage message;
        for (const char* address :
             {"Ann <ann@example.org>", "bob@example.org", "carl@example.org (Carl)"}) {
            message.AddRecipient(CKivSMTPAddress(address), RecipientKind::To);
        }
        message.SetFrom(CKivSMTPAddress("Organizer <organizer@example.org>"));
        message.SetSubject("Weekly meeting");
        message.SetBodyText(body);
        session.SendMail(message);
        EXPECT_EQ(session.LastReplyCode(), 250);
    }
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Sessions(), 1);
    const std::string& received = messages[0];
    EXPECT_EQ(received.substr(0, received.find("\r\n\r\n")),
              "organizer@example.org\r\nann@example.org bob@example.org carl@example.org");
    const std::string content = received.substr(received.find("\r\n\r\n") + 4);
    EXPECT_THAT(content, HasSubstr("From: Organizer <organizer@example.org>\r\n"));
    EXPECT_THAT(content,
                HasSubstr("To: Ann <ann@example.org>,bob@example.org,Carl <carl@example.org>\r\n"));
    EXPECT_THAT(content, HasSubstr("Subject: Weekly meeting\r\n"));
    EXPECT_THAT(content, HasSubstr("Content-Type: text/plain;\r\n\tcharset=iso-8859-1\r\n"));
    const std::string sentBody = content.substr(content.find("\r\n\r\n") + 4);
    EXPECT_EQ(sentBody,
              "Team meeting at 9:30.\r\n.\r\n..two dots\r\n.leading dot\r\nlast line\r\n");
}

}  // namespace
}  // namespace calvendra
