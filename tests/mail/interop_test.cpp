// The session against a real SMTP server: aiosmtpd from Debian's packages, run by a small script
// on a free loopback port for the length of the test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "mail/smtp_connection.h"
#include "mail/wsocket.h"
#include "tests/mail/scripted_peer.h"
#include "tests/mail/temp_folder.h"

namespace calvendra {
namespace {

using ::testing::HasSubstr;

class AiosmtpdServer : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = test::UnusedPort();
        const std::string port = std::to_string(port_);
        const std::string folder = folder_.Path().string();
        child_ = ::fork();
        ASSERT_GE(child_, 0);
        if (child_ == 0) {
            ::execl(CALVENDRA_PYTHON3, CALVENDRA_PYTHON3, CALVENDRA_SMTP_SINK, port.c_str(),
                    folder.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Ready once its port answers.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            CWSocket probe;
            probe.Open();
            try {
                probe.Connect("127.0.0.1", port_, 1000);
                return;
            } catch (const CWSocketException&) {
                int status = 0;
                ASSERT_EQ(::waitpid(child_, &status, WNOHANG), 0)
                    << "the SMTP server script ended at once (is python3-aiosmtpd installed?)";
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        FAIL() << "the SMTP server did not start listening";
    }

    void TearDown() override {
        if (child_ > 0) {
            ::kill(child_, SIGTERM);
            int status = 0;
            ::waitpid(child_, &status, 0);
        }
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
            if (entry.path().extension() == ".txt") {
                std::ifstream in(entry.path(), std::ios::binary);
                std::stringstream text;
                text << in.rdbuf();
                messages.push_back(text.str());
            }
        }
        return messages;
    }

    std::uint16_t port_ = 0;

private:
    test::TempFolder folder_;
    pid_t child_ = -1;
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
