// Authentication after EHLO against scripted servers: every exchange of CRAM-MD5, LOGIN, PLAIN and
// NTLM, every error code of the exchanges, and what an error may show of the secrets.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "mail/base64.h"
#include "mail/cram_md5.h"
#include "mail/smtp_connection.h"
#include "tests/mail/ntlm_user_file.h"
#include "tests/mail/scripted_peer.h"

namespace calvendra {
namespace {

using namespace std::string_literals;
using test::Peer;
using test::ScriptedServer;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr char kUser[] = "ann";
constexpr char kPassword[] = "Secret pass 9";

std::string B64(const std::string& text) {
    return Base64Flat(text);
}

// One exchange: the server's answers to the lines that follow EHLO, in order ("{echo}" in an
// answer stands for the line it answers, "{start}" for its first 20 characters), and what the
// client must make of them.
struct Exchange {
    std::string label;
    AuthMethod method;
    std::vector<std::string> replies;
    std::uint32_t expected;          // 0: logged in
    std::vector<std::string> lines;  // every line after EHLO, QUIT included; none: not compared
    std::string user = kUser;
    std::string password = kPassword;
};

struct Outcome {
    std::uint32_t error = 0;
    std::string what;
    std::string errorReply;
    std::string lastReply;  // the session's, right after Connect
    std::vector<std::string> lines;
};

// Runs the exchange against a server that answers the lines after EHLO from the script, "*" with
// 501 and QUIT with 221, and records the lines without their CR LF. A session that logs in is
// destroyed at once, which sends QUIT.
Outcome RunExchange(const Exchange& exchange) {
    Outcome outcome;
    ScriptedServer server([&](Peer& peer) {
        peer.Send("220 ready\r\n");
        peer.ReadLine();
        peer.Send("250-mx.example.org\r\n250 AUTH LOGIN PLAIN CRAM-MD5 NTLM\r\n");
        std::size_t next = 0;
        for (;;) {
            const std::string line = peer.ReadLine();
            if (line.size() < 2) {
                return;
            }
            outcome.lines.push_back(line.substr(0, line.size() - 2));
            if (line == "QUIT\r\n") {
                peer.Send("221 bye\r\n");
                return;
            }
            if (line == "*\r\n") {
                peer.Send("501 5.7.0 cancelled\r\n");
                continue;
            }
            std::string reply =
                next < exchange.replies.size() ? exchange.replies[next++] : "250 ok";
            for (const auto& [mark, echo] :
                 {std::pair("{echo}"s, outcome.lines.back()),
                  std::pair("{start}"s, outcome.lines.back().substr(0, 20))}) {
                if (const std::size_t at = reply.find(mark); at != std::string::npos) {
                    reply.replace(at, mark.size(), echo);
                }
            }
            peer.Send(reply + "\r\n");
        }
    });
    {
        CKivSMTPConnection session;
        session.SetReplyTimeout(5000);
        try {
            session.Connect("127.0.0.1", exchange.method, exchange.user, exchange.password,
                            server.Port());
            EXPECT_TRUE(session.IsConnected()) << exchange.label;
        } catch (const CKivSMTPException& failure) {
            outcome.error = failure.TransportError();
            outcome.what = failure.what();
            outcome.errorReply = failure.LastReply();
            EXPECT_FALSE(session.IsConnected()) << exchange.label;
        }
        outcome.lastReply = session.LastReply();
    }
    server.Join();
    return outcome;
}

// Neither the password nor anything the client sent in answer to a challenge may show in the
// error or in LastReply: only the commands, the user name, "*" and QUIT may.
void ExpectNoSecretShown(const Exchange& exchange, const Outcome& outcome) {
    std::vector<std::string> secrets = {exchange.password, B64(exchange.password)};
    for (const std::string& line : outcome.lines) {
        const std::string sent = line.rfind("AUTH NTLM ", 0) == 0 ? line.substr(10) : line;
        if (sent != "AUTH LOGIN" && sent != "AUTH PLAIN" && sent != "AUTH CRAM-MD5" &&
            sent != "*" && sent != "QUIT" && sent != exchange.user && sent != B64(exchange.user)) {
            secrets.push_back(sent);
        }
    }
    for (const std::string& secret : secrets) {
        // An error keeps only the start of a long reply: the start of a secret is enough to leak.
        const std::string start = secret.substr(0, 20);
        EXPECT_THAT(outcome.what, Not(HasSubstr(start))) << exchange.label;
        EXPECT_THAT(outcome.errorReply, Not(HasSubstr(start))) << exchange.label;
        EXPECT_THAT(outcome.lastReply, Not(HasSubstr(start))) << exchange.label;
    }
}

void RunAll(const std::vector<Exchange>& exchanges) {
    for (const Exchange& exchange : exchanges) {
        const Outcome outcome = RunExchange(exchange);
        EXPECT_EQ(outcome.error, exchange.expected) << exchange.label << ": " << outcome.what;
        if (!exchange.lines.empty()) {
            EXPECT_EQ(outcome.lines, exchange.lines) << exchange.label;
        }
        ExpectNoSecretShown(exchange, outcome);
    }
}

const std::string kUserPrompt = "334 " + B64("Username:");
const std::string kPasswordPrompt = "334 " + B64("Password:");

TEST(Authentication, LoginExchangesAndTheirCodes) {
    const std::string user = B64(kUser);
    const std::string password = B64(kPassword);
    RunAll({
        {"logged in",
         AuthMethod::Login,
         {kUserPrompt, kPasswordPrompt, "235 2.7.0 ok"},
         0,
         {"AUTH LOGIN", user, password, "QUIT"}},
        {"prompts in other cases",
         AuthMethod::Login,
         {"334 " + B64("USERNAME:"), "334 " + B64("password:"), "235 ok"},
         0,
         {"AUTH LOGIN", user, password, "QUIT"}},
        {"AUTH LOGIN refused",
         AuthMethod::Login,
         {"504 5.5.4 not here"},
         OwnError(kAuthLoginRefused),
         {"AUTH LOGIN", "QUIT"}},
        // A server in the middle of the exchange is told "*" before QUIT.
        {"another first prompt",
         AuthMethod::Login,
         {"334 " + B64("User Name\0"s)},
         OwnError(kAuthLoginBadUserPrompt),
         {"AUTH LOGIN", "*", "QUIT"}},
        {"undecoded first prompt",
         AuthMethod::Login,
         {"334 Username:"},
         OwnError(kAuthLoginBadUserPrompt),
         {"AUTH LOGIN", "*", "QUIT"}},
        {"user name refused",
         AuthMethod::Login,
         {kUserPrompt, "535 5.7.8 no such user"},
         OwnError(kAuthLoginUserRefused),
         {"AUTH LOGIN", user, "QUIT"}},
        {"another second prompt",
         AuthMethod::Login,
         {kUserPrompt, "334 " + B64("Passphrase:")},
         OwnError(kAuthLoginBadPasswordPrompt),
         {"AUTH LOGIN", user, "*", "QUIT"}},
        {"password refused",
         AuthMethod::Login,
         {kUserPrompt, kPasswordPrompt, "535 5.7.8 no"},
         OwnError(kAuthLoginPasswordRefused),
         {"AUTH LOGIN", user, password, "QUIT"}},
        {"password answered with another challenge",
         AuthMethod::Login,
         {kUserPrompt, kPasswordPrompt, kPasswordPrompt},
         OwnError(kAuthLoginPasswordRefused),
         {"AUTH LOGIN", user, password, "*", "QUIT"}},
        // Servers that repeat a line they did not understand must not bring the password back.
        {"password echoed in the refusal",
         AuthMethod::Login,
         {kUserPrompt, kPasswordPrompt, "535 5.7.8 rejected {echo}"},
         OwnError(kAuthLoginPasswordRefused),
         {}},
        {"password echoed in the welcome",
         AuthMethod::Login,
         {kUserPrompt, kPasswordPrompt, "235 welcome {echo}"},
         0,
         {}},
    });
}

TEST(Authentication, PlainPromptExchangesAndTheirCodes) {
    RunAll({
        {"logged in",
         AuthMethod::Plain,
         {"334 username:", "334 Password:", "235 ok"},
         0,
         {"AUTH PLAIN", kUser, kPassword, "QUIT"}},
        {"AUTH PLAIN refused",
         AuthMethod::Plain,
         {"502 5.5.1 no"},
         OwnError(kAuthPlainRefused),
         {"AUTH PLAIN", "QUIT"}},
        // An RFC 4616 server asks for its one base64 message with an empty 334.
        {"empty 334",
         AuthMethod::Plain,
         {"334 "},
         OwnError(kAuthPlainBadUserPrompt),
         {"AUTH PLAIN", "*", "QUIT"}},
        {"base64 prompt",
         AuthMethod::Plain,
         {kUserPrompt},
         OwnError(kAuthPlainBadUserPrompt),
         {"AUTH PLAIN", "*", "QUIT"}},
        {"user name refused",
         AuthMethod::Plain,
         {"334 Username:", "535 no"},
         OwnError(kAuthPlainUserRefused),
         {"AUTH PLAIN", kUser, "QUIT"}},
        {"another second prompt",
         AuthMethod::Plain,
         {"334 Username:", "334 Secret:"},
         OwnError(kAuthPlainBadPasswordPrompt),
         {"AUTH PLAIN", kUser, "*", "QUIT"}},
        {"password refused",
         AuthMethod::Plain,
         {"334 Username:", "334 Password:", "535 no"},
         OwnError(kAuthPlainPasswordRefused),
         {"AUTH PLAIN", kUser, kPassword, "QUIT"}},
        {"password echoed",
         AuthMethod::Plain,
         {"334 Username:", "334 Password:", "500 5.5.2 unrecognized command: {echo}"},
         OwnError(kAuthPlainPasswordRefused),
         {}},
        // A line break would end the answer early and send the rest as a command.
        {"line break in the password",
         AuthMethod::Plain,
         {},
         SystemError(EINVAL),
         {"QUIT"},
         kUser,
         "pass\r\nRSET"},
        {"line break in the user name",
         AuthMethod::Plain,
         {},
         SystemError(EINVAL),
         {"QUIT"},
         "ann\nRSET",
         kPassword},
    });
}

TEST(Authentication, CramMd5ExchangesAndTheirCodes) {
    // The example of RFC 2195.
    const std::string challenge = "<1896.697170952@postoffice.reston.mci.net>";
    const std::string response = B64("tim b913a602c7eda7a495b4e6e7334d3890");
    const auto cram = [&](std::string label, std::vector<std::string> replies,
                          std::uint32_t expected, std::vector<std::string> lines) {
        return Exchange{std::move(label),  AuthMethod::CramMd5, std::move(replies),
                        expected,          std::move(lines),    "tim",
                        "tanstaaftanstaaf"};
    };
    // What follows a zero byte in the challenge is not part of it.
    const std::string cut = B64(CramMd5Response("tim", "tanstaaftanstaaf", "<1.2@x>"));
    RunAll({
        cram("logged in", {"334 " + B64(challenge), "235 2.7.0 ok"}, 0,
             {"AUTH CRAM-MD5", response, "QUIT"}),
        cram("challenge with a zero byte", {"334 " + B64("<1.2@x>\0tail"s), "235 ok"}, 0,
             {"AUTH CRAM-MD5", cut, "QUIT"}),
        cram("AUTH CRAM-MD5 refused", {"504 5.5.4 no"}, OwnError(kAuthCramMd5Refused),
             {"AUTH CRAM-MD5", "QUIT"}),
        cram("response refused", {"334 " + B64(challenge), "535 5.7.8 no"},
             OwnError(kAuthCramMd5ResponseRefused), {"AUTH CRAM-MD5", response, "QUIT"}),
        cram("response echoed", {"334 " + B64(challenge), "535 5.7.8 bad {echo}"},
             OwnError(kAuthCramMd5ResponseRefused), {}),
        cram("response answered with a new challenge",
             {"334 " + B64(challenge), "334 " + B64("<2@x>")},
             OwnError(kAuthCramMd5ResponseRefused), {"AUTH CRAM-MD5", response, "*", "QUIT"}),
    });
}

// Challenges in an error are not shown: only how long they were.
TEST(Authentication, ErrorsDoNotShowServerChallenges) {
    const Exchange exchange{"new challenge",
                            AuthMethod::CramMd5,
                            {"334 PDFAeD4=", "334 PDJAeD4="},
                            OwnError(kAuthCramMd5ResponseRefused),
                            {}};
    const Outcome outcome = RunExchange(exchange);
    EXPECT_EQ(outcome.errorReply, "334 [challenge of 8 characters, not shown]");
    EXPECT_THAT(outcome.what, Not(HasSubstr("PDJAeD4=")));
}

TEST(Authentication, CramMd5ResponseIsHmacMd5InLowerCaseHex) {
    struct Case {
        std::string key;
        std::string data;
        std::string digest;
    };
    const Case cases[] = {
        {"tanstaaftanstaaf", "<1896.697170952@postoffice.reston.mci.net>",
         "b913a602c7eda7a495b4e6e7334d3890"},
        // RFC 2202, HMAC-MD5 test cases 1, 2 and 6; the last with a key of 80 bytes, which HMAC
        // replaces by its MD5 value.
        {std::string(16, '\x0b'), "Hi There", "9294727a3638bb1c13f48ef8158bfc9d"},
        {"Jefe", "what do ya want for nothing?", "750c783e6ab0b503eaa86e310a5db738"},
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd"},
        {"", "", "74e6f7298a9c2d168935f58c001bad88"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CramMd5Response("user name", c.key, c.data), "user name " + c.digest) << c.data;
    }
}

// A challenge as a Windows server sends it: domain CALVENDRA, computer MX, a fixed nonce.
std::string NtlmChallenge() {
    const auto le16 = [](std::size_t v) { return std::string{char(v & 0xff), char(v >> 8)}; };
    const auto le32 = [&](std::uint32_t v) { return le16(v & 0xffff) + le16(v >> 16); };
    const auto utf16 = [](const std::string& ascii) {
        std::string out;
        for (const char c : ascii) {
            out += c;
            out += '\0';
        }
        return out;
    };
    const std::string target = utf16("CALVENDRA");
    std::string info;
    for (const auto& [id, value] : {std::pair(2, utf16("CALVENDRA")), std::pair(1, utf16("MX")),
                                    std::pair(0, std::string())}) {
        info += le16(id) + le16(value.size()) + value;
    }
    // Unicode, request target, NTLM, always sign, domain target, extended session security,
    // target info, version, 128-bit, key exchange, 56-bit.
    const std::uint32_t flags = 0xE2898205;
    const std::size_t header = 56;
    return "NTLMSSP\0"s + le32(2) + le16(target.size()) + le16(target.size()) + le32(header) +
           le32(flags) + "\x01\x23\x45\x67\x89\xab\xcd\xef"s + std::string(8, '\0') +
           le16(info.size()) + le16(info.size()) + le32(header + target.size()) +
           "\x06\x01\xb1\x1d\0\0\0\x0f"s + target + info;
}

class NtlmAuthentication : public ::testing::Test {
protected:
    const test::NtlmUserFile user_{"CALVENDRA", "tester", kPassword};
};

TEST_F(NtlmAuthentication, ExchangesAndTheirStatuses) {
    const std::string challenge = "334 " + B64(NtlmChallenge());
    const Exchange loggedIn{"logged in", AuthMethod::Ntlm, {challenge, "235 2.7.0 ok"}, 0, {}};
    const Outcome outcome = RunExchange(loggedIn);
    EXPECT_EQ(outcome.error, 0u) << outcome.what;
    ExpectNoSecretShown(loggedIn, outcome);
    ASSERT_EQ(outcome.lines.size(), 3u);
    ASSERT_THAT(outcome.lines[0], StartsWith("AUTH NTLM "));
    EXPECT_THAT(Base64Decode(outcome.lines[0].substr(10)), StartsWith("NTLMSSP\0\x01\0\0\0"s));
    const std::string response = Base64Decode(outcome.lines[1]);
    EXPECT_THAT(response, StartsWith("NTLMSSP\0\x03\0\0\0"s));
    EXPECT_THAT(response, HasSubstr("t\0e\0s\0t\0e\0r\0"s)) << "the user of NTLM_USER_FILE";
    EXPECT_EQ(outcome.lines[2], "QUIT");

    // The largest challenge the buffer takes has 11999 bytes: these are not NTLM, which the
    // package says; one byte more does not fit the buffer at all.
    RunAll({
        {"AUTH NTLM refused", AuthMethod::Ntlm, {"504 5.5.4 no"}, OwnError(kAuthNtlmRefused), {}},
        {"response refused",
         AuthMethod::Ntlm,
         {challenge, "535 5.7.8 no"},
         OwnError(kAuthNtlmRefused),
         {}},
        {"response echoed",
         AuthMethod::Ntlm,
         {challenge, "535 5.7.8 bad {echo}"},
         OwnError(kAuthNtlmRefused),
         {}},
        {"response echoed in part",
         AuthMethod::Ntlm,
         {challenge, "500 5.5.2 what is {start}"},
         OwnError(kAuthNtlmRefused),
         {}},
        {"challenge of 12000 bytes",
         AuthMethod::Ntlm,
         {"334 " + B64(std::string(12000, 'N'))},
         static_cast<std::uint32_t>(kNtlmInsufficientMemory),
         {}},
        {"challenge that is not NTLM",
         AuthMethod::Ntlm,
         {"334 " + B64(std::string(11999, 'N'))},
         static_cast<std::uint32_t>(kNtlmInvalidToken),
         {}},
    });
}

TEST_F(NtlmAuthentication, FailuresOfThePackageEndTheExchangeAndSayWhy) {
    // An oversized challenge: the exchange is cancelled, and the error shows no challenge.
    const Exchange oversized{"oversized",
                             AuthMethod::Ntlm,
                             {"334 " + B64(std::string(12000, 'N'))},
                             static_cast<std::uint32_t>(kNtlmInsufficientMemory),
                             {}};
    const Outcome tooLarge = RunExchange(oversized);
    EXPECT_EQ(tooLarge.error, oversized.expected) << tooLarge.what;
    ASSERT_EQ(tooLarge.lines.size(), 3u);
    EXPECT_EQ(tooLarge.lines[1], "*");
    EXPECT_EQ(tooLarge.errorReply, "334 [challenge of 16000 characters, not shown]");
    EXPECT_THAT(tooLarge.what, HasSubstr("challenge is too large (status 0x80090300)"));

    // Without the user's credentials nothing is sent at all.
    ::setenv("NTLM_USER_FILE", "/nonexistent/ntlm-users", 1);
    const Outcome noUser = RunExchange({"no credentials", AuthMethod::Ntlm, {}, 0, {}});
    EXPECT_EQ(noUser.error, static_cast<std::uint32_t>(kNtlmNoCredentials));
    EXPECT_THAT(noUser.lines, ElementsAre("QUIT"));
    EXPECT_THAT(noUser.what, HasSubstr("NTLM_USER_FILE"));
    EXPECT_THAT(noUser.what, HasSubstr("gss_acquire_cred: "));
}

TEST(Authentication, UnknownMethodFailsAfterEhlo) {
    const Outcome outcome =
        RunExchange({"method 9", static_cast<AuthMethod>(9), {}, SystemError(EINVAL), {"QUIT"}});
    EXPECT_EQ(outcome.error, SystemError(EINVAL));
    EXPECT_THAT(outcome.lines, ElementsAre("QUIT"));
}

}  // namespace
}  // namespace calvendra
