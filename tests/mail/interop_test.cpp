// The session against real SMTP servers, each started by the test on a free loopback port: aiosmtpd
// from Debian's packages, which refuses lines over 1000 octets, and a Postfix from Debian with its
// strict MIME checks on, which delivers into Maildirs. What arrives is read back with Python's own
// mail parser (check_delivered.py), never with the library's decoders. Both servers also ask for a
// login, to try each authentication mechanism: aiosmtpd with its LOGIN and PLAIN and a CRAM-MD5 of
// the test's script, Postfix with Cyrus SASL and a sasldb of the test's own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <locale.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "mail/base64.h"
#include "mail/smtp_connection.h"
#include "tests/mail/ntlm_user_file.h"
#include "tests/mail/postfix_server.h"
#include "tests/mail/recording_relay.h"
#include "tests/mail/smtp_sink_server.h"
#include "tests/mail/temp_folder.h"
#include "tests/mail/test_certificates.h"
#include "tests/mail/text_pieces.h"

namespace calvendra {
namespace {

namespace fs = std::filesystem;
using test::Repeat;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// Text typed in a UTF-8 desktop, as the organizer's mail has it: the calling thread's character
// set is UTF-8 while the object lives.
class Utf8Thread {
public:
    Utf8Thread() : utf8_(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{})) {
        previous_ = uselocale(utf8_);
    }
    ~Utf8Thread() {
        uselocale(previous_);
        freelocale(utf8_);
    }
    Utf8Thread(const Utf8Thread&) = delete;
    Utf8Thread& operator=(const Utf8Thread&) = delete;

private:
    locale_t utf8_;
    locale_t previous_;
};

// One message as composed, with what a reader must get back from it.
struct Composed {
    std::string label;
    CKivSMTPMessage message;
    std::vector<std::string> texts;  // every text part, line ends as LF
    std::vector<std::pair<std::string, std::string>> attachments;  // file name, bytes
    std::string authenticatedSender;  // the login the server must name, when there is one
    bool overTls = false;             // the server must say that the message came over TLS
};

// What a reader sees of a composed name: line breaks become spaces.
std::string AsRead(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string WithLf(std::string text) {
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
    return text;
}

void Attach(Composed& composed, const fs::path& folder, const std::string& title,
            const std::string& type, const std::string& bytes) {
    const fs::path path = folder / ("attachment-" + std::to_string(composed.attachments.size()));
    std::ofstream(path, std::ios::binary) << bytes;
    CKivSMTPBodyPart part;
    part.SetFilePath(path.string());
    part.SetTitle(title);
    part.SetContentType(type);
    composed.message.RootPart().AddChild(part);
    composed.attachments.emplace_back(title, bytes);
}

// Realistic reminder mail: accented text, long subjects and lines, names with specials, many
// recipients, attachments, nested MIME parts. Plain mode and MIME mode both.
std::vector<Composed> RealisticMessages(const fs::path& folder) {
    std::vector<Composed> all(6);

    Composed& plain = all[0];
    plain.label = "plain ASCII reminder";
    plain.message.SetFrom(CKivSMTPAddress("Organizer <organizer@example.org>"));
    for (const char* to :
         {"ann@example.org", "Bob Stone <bob@example.org>", "carl@example.org (Carl)"}) {
        plain.message.AddRecipient(CKivSMTPAddress(to), RecipientKind::To);
    }
    plain.message.SetSubject("Weekly meeting");
    plain.message.SetBodyText("Team meeting at 9:30.\n.\n..two dots\n.leading dot\r\nlast line");
    // The line end that closes the last line goes with the end-of-data mark.
    plain.texts = {"Team meeting at 9:30.\n.\n..two dots\n.leading dot\nlast line\n"};

    Composed& accented = all[1];
    accented.label = "accented reminder";
    accented.message.SetFrom(CKivSMTPAddress("J\xc3\xb6rg M\xc3\xbcller <joerg@example.org>"));
    accented.message.AddRecipient(
        CKivSMTPAddress("Fran\xc3\xa7oise Dupr\xc3\xa9 <francoise@example.org>"),
        RecipientKind::To);
    accented.message.SetSubject("R\xc3\xa9union : caf\xc3\xa9 \xc3\xa0 10 h");
    accented.message.SetBodyText(
        "Cr\xc3\xa8me br\xc3\xbbl\xc3\xa9\x65, 12 \xe2\x82\xac\n"
        "\xc3\x80 bient\xc3\xb4t !");
    accented.texts = {
        "Cr\xc3\xa8me br\xc3\xbbl\xc3\xa9\x65, 12 \xe2\x82\xac\n"
        "\xc3\x80 bient\xc3\xb4t !\n"};

    Composed& longOnes = all[2];
    longOnes.label = "long subject and long line";
    longOnes.message.SetFrom(CKivSMTPAddress("planner@example.org"));
    longOnes.message.AddRecipient(CKivSMTPAddress("dana@example.org"), RecipientKind::To);
    longOnes.message.SetSubject(
        Repeat("Planungsbesprechung f\xc3\xbcr das Projekt \xe4\xbc\x9a\xe8\xad\xb0 "
               "\xf0\x9f\x8e\x89 \xc2\xab\xc3\x89t\xc3\xa9\xc2\xbb  ",
               8) +
        "=?UTF-8?q?not_a_word?= end");
    const std::string longLine = Repeat("word ", 300) + "end";
    longOnes.message.SetBodyText("Agenda:\n" + longLine + "\n.\ntab\tend");
    longOnes.texts = {"Agenda:\n" + longLine + "\n.\ntab\tend\n"};

    Composed& names = all[3];
    names.label = "names with specials";
    names.message.SetFrom(CKivSMTPAddress("\"Smith, Ann\" <ann.smith@example.org>"));
    for (const char* to :
         {"Smith, Ann <ann@example.org>", "O'Brien (Sales) <obrien@example.org>",
          "\"The \\\"Boss\\\"\" <boss@example.org>", "a@b.example <weird@example.org>",
          "Dr. J. M\xc3\xbcller; Ph.D. <drj@example.org>"}) {
        names.message.AddRecipient(CKivSMTPAddress(to), RecipientKind::To);
    }
    names.message.AddRecipient(
        CKivSMTPAddress("Eve\r\nBcc: mallory@example.org", "eve@example.org"), RecipientKind::To);
    names.message.AddRecipient(CKivSMTPAddress("=?UTF-8?q?Fake?=", "fake@example.org"),
                               RecipientKind::To);
    names.message.AddRecipient(CKivSMTPAddress("Back\\slash", "bs@example.org"), RecipientKind::To);
    for (int index = 1; index <= 8; ++index) {
        const std::string number = std::to_string(index);
        names.message.AddRecipient(
            CKivSMTPAddress("Member " + number + ", Team <member" + number + "@example.org>"),
            RecipientKind::Cc);
    }
    names.message.AddRecipient(CKivSMTPAddress("hidden@example.org"), RecipientKind::Bcc);
    names.message.SetSubject("Names, quotes \"and\" (comments)\r\nBcc: mallory@example.org");
    names.message.SetBodyText("Hello all");
    names.texts = {"Hello all\n"};

    Composed& files = all[4];
    files.label = "MIME with attachments";
    files.message.SetMimeMode(true);
    files.message.SetFrom(CKivSMTPAddress("Organizer <organizer@example.org>"));
    files.message.AddRecipient(CKivSMTPAddress("ann@example.org"), RecipientKind::To);
    files.message.SetSubject("Unterlagen f\xc3\xbcr Montag");
    const std::string text =
        "Anbei die Unterlagen.\nGr\xc3\xbc\xc3\x9f\x65\n" + Repeat("lang ", 220);
    files.message.SetBodyText(text);
    // An attachment's boundary follows an empty line of its own: the text before it gets a line
    // end.
    files.texts = {text + "\n"};
    std::string binary;
    for (int round = 0; round < 3; ++round) {
        for (int byte = 0; byte < 256; ++byte) {
            binary += static_cast<char>(byte);
        }
    }
    Attach(files, folder, "data.bin", "application/octet-stream", binary);
    Attach(
        files, folder,
        "R\xc3\xa9sum\xc3\xa9 \xe2\x80\x93 Projekt\xc3\xbc\x62\x65rsicht f\xc3\xbcr das Quartal 3 "
        "(endg\xc3\xbcltige Fassung).pdf",
        "application/pdf", "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n" + binary.substr(0, 100));
    Attach(files, folder, "my \"notes\".txt", "text/plain", "line one\r\nzeile zwei: \xc3\xbc\r\n");

    Composed& nested = all[5];
    nested.label = "MIME with nested alternatives";
    nested.message.SetMimeMode(true);
    nested.message.SetFrom(CKivSMTPAddress("organizer@example.org"));
    nested.message.AddRecipient(CKivSMTPAddress("Bob <bob@example.org>"), RecipientKind::To);
    nested.message.SetSubject("Plan");
    nested.message.SetBodyText("Plain body, 8-bit: \xc3\xbc");
    // A text part that asks to go as it stands: its 8-bit text must not reach the server so.
    nested.message.RootPart().Child(0).SetQuotedPrintable(false);
    CKivSMTPBodyPart alternative;
    alternative.SetContentType("multipart/alternative");
    CKivSMTPBodyPart plainPart;
    const std::string alternativeText = "Alternative \xc3\xbc " + Repeat("x", 1200);
    plainPart.SetText(alternativeText);
    plainPart.SetQuotedPrintable(false);
    alternative.AddChild(plainPart);
    CKivSMTPBodyPart html;
    html.SetText("<p>\xc3\xbc</p>");
    html.SetContentType("text/html");
    html.SetBase64(true);
    alternative.AddChild(html);
    nested.message.RootPart().AddChild(alternative);
    nested.texts = {"Plain body, 8-bit: \xc3\xbc", alternativeText, "<p>\xc3\xbc</p>"};
    return all;
}

std::string Json(const std::string& text) {
    return test::JsonText(text);
}

std::string Json(const CKivSMTPAddress& address) {
    return "[" + Json(AsRead(address.Name())) + ", " + Json(address.Address()) + "]";
}

template <typename Item, typename Write>
std::string JsonList(const std::vector<Item>& items, Write write) {
    std::string out = "[";
    for (const Item& item : items) {
        out += (out.size() > 1 ? ", " : "") + write(item);
    }
    return out + "]";
}

std::string Hex(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(c));
        out += digits;
    }
    return out;
}

// The composed messages as check_delivered.py reads them.
std::string Expectations(const std::vector<Composed>& all) {
    return JsonList(all, [](const Composed& c) {
        const CKivSMTPMessage& m = c.message;
        const auto address = [](const CKivSMTPAddress& a) { return Json(a); };
        return "{\"label\": " + Json(c.label) + ", \"message_id\": " + Json(m.MessageId()) +
               ", \"subject\": " + Json(AsRead(m.Subject())) + ", \"from\": " + Json(m.From()) +
               ", \"to\": " + JsonList(m.Recipients(RecipientKind::To), address) +
               ", \"cc\": " + JsonList(m.Recipients(RecipientKind::Cc), address) +
               ", \"multipart\": " + (m.MimeMode() ? "true" : "false") + ", \"texts\": " +
               JsonList(c.texts, [](const std::string& t) { return Json(WithLf(t)); }) +
               ", \"attachments\": " +
               JsonList(c.attachments,
                        [](const auto& a) {
                            return "[" + Json(a.first) + ", " + Json(Hex(a.second)) + "]";
                        }) +
               (c.authenticatedSender.empty()
                    ? std::string()
                    : ", \"authenticated_sender\": " + Json(c.authenticatedSender)) +
               (c.overTls ? ", \"received_over_tls\": true" : "") + "}";
    });
}

// Every envelope recipient of the message, in the order the session names them.
std::vector<std::string> Envelope(const CKivSMTPMessage& message) {
    std::vector<std::string> out;
    for (const RecipientKind kind : {RecipientKind::To, RecipientKind::Cc, RecipientKind::Bcc}) {
        for (const CKivSMTPAddress& address : message.Recipients(kind)) {
            out.push_back(address.Address());
        }
    }
    return out;
}

// The composed message a delivered one carries the Message-ID of, or null.
const Composed* Find(const std::vector<Composed>& all, const std::string& delivered) {
    for (const Composed& c : all) {
        if (delivered.find("\nMessage-ID: " + c.message.MessageId()) != std::string::npos) {
            return &c;
        }
    }
    return nullptr;
}

void SendAll(std::uint16_t port, const std::vector<Composed>& all) {
    CKivSMTPConnection session;
    session.Connect("127.0.0.1", AuthMethod::None, "", "", port);
    for (const Composed& c : all) {
        try {
            session.SendMail(c.message);
        } catch (const CKivSMTPException& failure) {
            ADD_FAILURE() << c.label << ": " << failure.what();
            session.Connect("127.0.0.1", AuthMethod::None, "", "", port);
        }
    }
}

// Runs check_delivered.py over the delivered message files; its exit status and what it printed.
std::pair<int, std::string> CheckWithPython(const std::vector<Composed>& all,
                                            const std::vector<std::string>& files,
                                            const fs::path& folder) {
    const fs::path expected = folder / "expected.json";
    std::ofstream(expected) << Expectations(all);
    std::string command =
        std::string(CALVENDRA_PYTHON3) + " " + CALVENDRA_CHECK_DELIVERED + " " + expected.string();
    for (const std::string& file : files) {
        command += " " + file;
    }
    command += " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {-1, "cannot run " + command};
    }
    std::string output;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) {
        output.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(Aiosmtpd, PlainMessageToThreeRecipientsArrivesOnceAndIntact) {
    test::SmtpSinkServer server;
    std::string why;
    ASSERT_TRUE(server.Start(why)) << why;
    const std::string body = "Team meeting at 9:30.\n.\n..two dots\n.leading dot\r\nlast line";
    {
        CKivSMTPConnection session;
        session.Connect("127.0.0.1", AuthMethod::None, "account", "password", server.Port());
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
    const auto messages = server.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(server.Sessions(), 1);
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

// The realistic messages, composed in a UTF-8 thread and sent in one session; the test then
// collects what the server delivered and has it read back.
class RealisticMail : public ::testing::Test {
protected:
    void Send(std::uint16_t port) {
        all_ = RealisticMessages(folder_.Path());
        SendAll(port, all_);
    }

    // Every delivered message must be read back exactly as composed.
    void ExpectReadBackAsComposed(const std::vector<std::string>& files) {
        const auto [status, output] = CheckWithPython(all_, files, folder_.Path());
        EXPECT_EQ(status, 0) << output;
    }

    const Utf8Thread utf8_;
    test::TempFolder folder_;
    std::vector<Composed> all_;
};

TEST_F(RealisticMail, AiosmtpdGetsEveryMessageAsComposed) {
    test::SmtpSinkServer server;
    std::string why;
    ASSERT_TRUE(server.Start(why)) << why;
    Send(server.Port());

    const auto messages = server.Messages();
    ASSERT_EQ(messages.size(), all_.size());
    std::vector<std::string> files;
    for (const std::string& received : messages) {
        const std::size_t split = received.find("\r\n\r\n");
        const Composed* composed = Find(all_, received);
        ASSERT_NE(composed, nullptr) << received.substr(0, 2000);
        std::string recipients;
        for (const std::string& address : Envelope(composed->message)) {
            recipients += (recipients.empty() ? "" : " ") + address;
        }
        EXPECT_EQ(received.substr(received.find("\r\n") + 2, split - received.find("\r\n") - 2),
                  recipients)
            << composed->label;
        files.push_back((folder_.Path() / ("message-" + std::to_string(files.size()))).string());
        std::ofstream(files.back(), std::ios::binary) << received.substr(split + 4);
    }
    ExpectReadBackAsComposed(files);
}

TEST_F(RealisticMail, StrictPostfixAcceptsAndDeliversEveryMessageAsComposed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "Postfix's master process runs only as root";
    }
    test::PostfixServer server;
    std::string why;
    ASSERT_TRUE(server.Start(why)) << why;
    Send(server.Port());

    std::size_t copies = 0;
    std::map<const Composed*, std::vector<std::string>> recipients;
    for (const Composed& c : all_) {
        copies += Envelope(c.message).size();
        recipients[&c];
    }
    const auto deliveries = server.WaitForDeliveries(copies, std::chrono::seconds(30));
    std::vector<std::string> files;
    for (const auto& delivery : deliveries) {
        std::ifstream in(delivery.path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const Composed* composed = Find(all_, text.str());
        ASSERT_NE(composed, nullptr) << delivery.recipient << ":\n" << text.str().substr(0, 3000);
        recipients[composed].push_back(delivery.recipient);
        files.push_back(delivery.path);
    }
    ASSERT_EQ(deliveries.size(), copies) << server.Log();
    // Each recipient got its copy, and nobody else got one.
    for (const Composed& c : all_) {
        std::vector<std::string> expected = Envelope(c.message);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(recipients[&c], expected) << c.label;
    }
    ExpectReadBackAsComposed(files);
}

constexpr char kUser[] = "tester";
constexpr char kPassword[] = "Correct horse 7 battery";
constexpr char kNtlmDomain[] = "CALVENDRA";

// One login with the mechanism and, once logged in, one message.
struct LoginRow {
    std::string label;
    AuthMethod method;
    std::string password;    // given to Connect, or in the NTLM user file for NTLM
    std::uint32_t expected;  // 0: the mail goes
    std::string reply;       // the start of the server's reply that the failure carries
};

struct LoginOutcome {
    std::uint32_t error = 0;  // 0: the mail went
    std::string what;
    std::string reply;
};

CKivSMTPMessage LoginMessage(const std::string& label) {
    CKivSMTPMessage message;
    message.SetFrom(CKivSMTPAddress("Organizer <organizer@example.org>"));
    message.AddRecipient(CKivSMTPAddress("ann@example.org"), RecipientKind::To);
    message.SetSubject("Sent after " + label);
    message.SetBodyText("Logged in with " + label);
    return message;
}

LoginOutcome LogInAndSend(std::uint16_t port, const LoginRow& row, const CKivSMTPMessage& message) {
    const test::NtlmUserFile ntlmUser(kNtlmDomain, kUser, row.password);
    LoginOutcome outcome;
    try {
        CKivSMTPConnection session;
        session.SetReplyTimeout(10000);
        session.Connect("127.0.0.1", row.method, kUser, row.password, port);
        session.SendMail(message);
    } catch (const CKivSMTPException& failure) {
        outcome = {failure.TransportError(), failure.what(), failure.LastReply()};
    }
    return outcome;
}

// Runs the rows against the server; returns the rows whose mail went, with their messages.
std::vector<std::pair<const LoginRow*, CKivSMTPMessage>> RunLogins(
    std::uint16_t port, const std::vector<LoginRow>& rows) {
    std::vector<std::pair<const LoginRow*, CKivSMTPMessage>> sent;
    for (const LoginRow& row : rows) {
        CKivSMTPMessage message = LoginMessage(row.label);
        const LoginOutcome outcome = LogInAndSend(port, row, message);
        EXPECT_EQ(outcome.error, row.expected) << row.label << ": " << outcome.what;
        EXPECT_THAT(outcome.reply, StartsWith(row.reply)) << row.label;
        for (const std::string& secret : {row.password, Base64Flat(row.password)}) {
            EXPECT_THAT(outcome.what, Not(HasSubstr(secret))) << row.label;
            EXPECT_THAT(outcome.reply, Not(HasSubstr(secret))) << row.label;
        }
        if (outcome.error == 0) {
            sent.emplace_back(&row, message);
        }
    }
    return sent;
}

TEST(AiosmtpdLogin, EachMechanismWorksOrFailsWithItsCode) {
    // aiosmtpd's own LOGIN prompts are "User Name" and "Password", each ended by a zero byte.
    test::SmtpSinkServer ownPrompts;
    ownPrompts.RequireLogin(kUser, kPassword);
    test::SmtpSinkServer commonPrompts;
    commonPrompts.RequireLogin(kUser, kPassword, {"Username:", "Password:"});
    std::string why;
    ASSERT_TRUE(ownPrompts.Start(why)) << why;
    ASSERT_TRUE(commonPrompts.Start(why)) << why;

    const std::vector<LoginRow> own = {
        {"LOGIN, aiosmtpd's prompts", AuthMethod::Login, kPassword,
         OwnError(kAuthLoginBadUserPrompt), "334 VXNlciBOYW1lAA=="},
        // aiosmtpd's PLAIN is RFC 4616: an empty 334 asks for one base64 message, not a prompt.
        {"PLAIN", AuthMethod::Plain, kPassword, OwnError(kAuthPlainBadUserPrompt), "334 "},
        {"CRAM-MD5", AuthMethod::CramMd5, kPassword, 0, ""},
        {"CRAM-MD5, wrong password", AuthMethod::CramMd5, "wrong",
         OwnError(kAuthCramMd5ResponseRefused), "535 "},
        {"NTLM, not offered", AuthMethod::Ntlm, kPassword, OwnError(kAuthNtlmRefused), "504 "},
        {"no login", AuthMethod::None, kPassword, OwnError(kMailFromRefused), "530 "},
    };
    const std::vector<LoginRow> common = {
        {"LOGIN, common prompts", AuthMethod::Login, kPassword, 0, ""},
        {"LOGIN, wrong password", AuthMethod::Login, "wrong", OwnError(kAuthLoginPasswordRefused),
         "535 "},
    };
    EXPECT_EQ(RunLogins(ownPrompts.Port(), own).size(), 1u);
    EXPECT_EQ(RunLogins(commonPrompts.Port(), common).size(), 1u);

    // The server saw exactly the logins it could check, with the right user and password.
    EXPECT_THAT(ownPrompts.Logins(),
                ::testing::ElementsAre("CRAM-MD5 tester accepted", "CRAM-MD5 tester refused"));
    EXPECT_THAT(commonPrompts.Logins(),
                ::testing::ElementsAre("LOGIN tester accepted", "LOGIN tester refused"));
    const auto received = [](const test::SmtpSinkServer& server) {
        std::vector<std::string> subjects;
        for (const std::string& message : server.Messages()) {
            const std::size_t at = message.find("Subject: ");
            subjects.push_back(message.substr(at + 9, message.find("\r\n", at) - at - 9));
        }
        return subjects;
    };
    EXPECT_THAT(received(ownPrompts), ::testing::ElementsAre("Sent after CRAM-MD5"));
    EXPECT_THAT(received(commonPrompts),
                ::testing::ElementsAre("Sent after LOGIN, common prompts"));
}

TEST(PostfixLogin, CyrusSaslMechanismsWorkOrFailWithTheirCodes) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "Postfix's master process runs only as root";
    }
    test::PostfixServer server;
    server.RequireLogin(kUser, kPassword);
    std::string why;
    ASSERT_TRUE(server.Start(why)) << why;

    const std::vector<LoginRow> rows = {
        {"LOGIN", AuthMethod::Login, kPassword, 0, ""},
        {"LOGIN, wrong password", AuthMethod::Login, "wrong", OwnError(kAuthLoginPasswordRefused),
         "535 "},
        // Cyrus' PLAIN is RFC 4616: an empty 334 asks for one base64 message, not a prompt.
        {"PLAIN", AuthMethod::Plain, kPassword, OwnError(kAuthPlainBadUserPrompt), "334 "},
        {"CRAM-MD5", AuthMethod::CramMd5, kPassword, 0, ""},
        {"CRAM-MD5, wrong password", AuthMethod::CramMd5, "wrong",
         OwnError(kAuthCramMd5ResponseRefused), "535 "},
        // NTLMv2 from gss-ntlmssp, checked by Cyrus against the password in the sasldb.
        {"NTLM", AuthMethod::Ntlm, kPassword, 0, ""},
        {"NTLM, wrong password", AuthMethod::Ntlm, "wrong", OwnError(kAuthNtlmRefused), "535 "},
        // Without a login the server takes no mail from anybody.
        {"no login", AuthMethod::None, kPassword, OwnError(kRecipientRefused), "554 "},
    };
    const auto sent = RunLogins(server.Port(), rows);

    const auto deliveries = server.WaitForDeliveries(sent.size(), std::chrono::seconds(30));
    ASSERT_EQ(deliveries.size(), sent.size()) << server.Log();
    std::vector<Composed> composed;
    for (const auto& [row, message] : sent) {
        Composed c;
        c.label = row->label;
        c.message = message;
        c.texts = {"Logged in with " + row->label + "\n"};
        c.authenticatedSender = std::string(kUser) + "@" + test::PostfixServer::kSaslRealm;
        composed.push_back(std::move(c));
    }
    std::vector<std::string> files;
    for (const auto& delivery : deliveries) {
        files.push_back(delivery.path);
    }
    test::TempFolder folder;
    const auto [status, output] = CheckWithPython(composed, files, folder.Path());
    EXPECT_EQ(status, 0) << output;
}

// Encrypted submission as mail providers offer it, with aiosmtpd: STARTTLS (a server that takes no
// mail before it) and implicit TLS, each asking for a login. The session logs in with the best
// mechanism on offer and sends; a relay between the two records the client's bytes, in which no
// form of the password may show. A certificate that does not name the server, or whose CA is not
// trusted, ends the session before the login.
TEST(AiosmtpdTls, StartTlsAndImplicitTlsCarryTheLoginAndTheMailAndNeverThePasswordInClear) {
    const test::TestCertificates certificates;
    std::string why;
    ASSERT_TRUE(certificates.Ready(why)) << why;
    const std::string plainMessage = Base64Flat(std::string(1, '\0') + kUser + '\0' + kPassword);
    const struct {
        const char* label;
        test::SmtpSinkServer::Tls mode;
        const test::TestCertificates::Pair* identity;
        std::string caFile;
        std::uint32_t expected;
    } rows[] = {
        {"STARTTLS", test::SmtpSinkServer::Tls::StartTls, &certificates.Loopback(),
         certificates.CaFile(), 0},
        {"implicit TLS", test::SmtpSinkServer::Tls::Implicit, &certificates.Loopback(),
         certificates.CaFile(), 0},
        {"STARTTLS, another host's certificate", test::SmtpSinkServer::Tls::StartTls,
         &certificates.OtherHost(), certificates.CaFile(), OwnError(kTlsCertificateRefused)},
        {"implicit TLS, an unknown CA", test::SmtpSinkServer::Tls::Implicit,
         &certificates.Loopback(), "", OwnError(kTlsCertificateRefused)},
    };
    for (const auto& row : rows) {
        test::SmtpSinkServer server;
        server.RequireLogin(kUser, kPassword);
        server.UseTls(row.mode, row.identity->certificate, row.identity->key);
        ASSERT_TRUE(server.Start(why)) << why;
        test::RecordingRelay relay(server.Port());
        Composed composed;
        composed.label = row.label;
        composed.message = LoginMessage(row.label);
        composed.texts = {"Logged in with " + std::string(row.label) + "\n"};
        std::uint32_t error = 0;
        std::string what;
        try {
            CKivSMTPConnection session;
            session.SetReplyTimeout(10000);
            session.SetSecurity(row.mode == test::SmtpSinkServer::Tls::StartTls
                                    ? SmtpSecurity::StartTls
                                    : SmtpSecurity::Tls);
            session.SetExtraCaFile(row.caFile);
            session.Connect("localhost", AuthMethod::BestOffered, kUser, kPassword, relay.Port());
            EXPECT_TRUE(session.IsEncrypted()) << row.label;
            session.SendMail(composed.message);
        } catch (const CKivSMTPException& failure) {
            error = failure.TransportError();
            what = failure.what();
        }
        EXPECT_EQ(error, row.expected) << row.label << ": " << what;
        const std::string wire = relay.ClientBytes();
        for (const std::string& form :
             {std::string(kPassword), Base64Flat(kPassword), plainMessage}) {
            EXPECT_THAT(wire, Not(HasSubstr(form))) << row.label;
        }
        EXPECT_EQ(wire.find("STARTTLS\r\n") != std::string::npos,
                  row.mode == test::SmtpSinkServer::Tls::StartTls)
            << row.label;
        const auto messages = server.Messages();
        if (row.expected != 0) {
            EXPECT_THAT(server.Logins(), ::testing::IsEmpty()) << row.label;
            EXPECT_TRUE(messages.empty()) << row.label;
            continue;
        }
        EXPECT_THAT(server.Logins(), ::testing::ElementsAre("PLAIN tester accepted")) << row.label;
        ASSERT_EQ(messages.size(), 1u) << row.label;
        test::TempFolder folder;
        const std::string file = (folder.Path() / "delivered").string();
        std::ofstream(file, std::ios::binary)
            << messages[0].substr(messages[0].find("\r\n\r\n") + 4);
        const auto [status, output] = CheckWithPython({composed}, {file}, folder.Path());
        EXPECT_EQ(status, 0) << row.label << ": " << output;
    }
}

// A Postfix as providers run it on their submission port: STARTTLS required, logins (Cyrus SASL)
// offered only after it. The session encrypts, logs in with PLAIN, and the server's Received line
// names the login and the TLS version; no form of the password crossed the wire in clear.
TEST(PostfixTls, SubmissionWithStartTlsAndALoginDeliversTheMail) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "Postfix's master process runs only as root";
    }
    const test::TestCertificates certificates;
    std::string why;
    ASSERT_TRUE(certificates.Ready(why)) << why;
    test::PostfixServer server;
    server.RequireLogin(kUser, kPassword);
    server.RequireStartTls(certificates.Loopback().certificate, certificates.Loopback().key);
    ASSERT_TRUE(server.Start(why)) << why;
    test::RecordingRelay relay(server.Port());

    Composed composed;
    composed.label = "STARTTLS and PLAIN";
    composed.message = LoginMessage(composed.label);
    composed.texts = {"Logged in with " + composed.label + "\n"};
    composed.authenticatedSender = std::string(kUser) + "@" + test::PostfixServer::kSaslRealm;
    composed.overTls = true;
    {
        CKivSMTPConnection session;
        session.SetReplyTimeout(10000);
        session.SetSecurity(SmtpSecurity::StartTls);
        session.SetExtraCaFile(certificates.CaFile());
        try {
            session.Connect("localhost", AuthMethod::BestOffered, kUser, kPassword, relay.Port());
            session.SendMail(composed.message);
        } catch (const CKivSMTPException& failure) {
            FAIL() << failure.what() << "\n" << server.Log();
        }
    }
    const auto deliveries = server.WaitForDeliveries(1, std::chrono::seconds(30));
    ASSERT_EQ(deliveries.size(), 1u) << server.Log();
    test::TempFolder folder;
    const auto [status, output] = CheckWithPython({composed}, {deliveries[0].path}, folder.Path());
    EXPECT_EQ(status, 0) << output;
    for (const std::string& form : {std::string(kPassword), Base64Flat(kPassword)}) {
        EXPECT_THAT(relay.ClientBytes(), Not(HasSubstr(form)));
    }
}

}  // namespace
}  // namespace calvendra
