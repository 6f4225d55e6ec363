// The session with encryption, against scripted servers that speak TLS with certificates of the
// test's own CA: STARTTLS and implicit TLS on the wire, the login chosen from what the server
// offers, certificates that must be refused, time-outs that hold through TLS, and a session
// aborted from another thread.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "mail/base64.h"
#include "mail/ehlo_reply.h"
#include "mail/smtp_connection.h"
#include "mail/socket_errors.h"
#include "tests/mail/scripted_peer.h"
#include "tests/mail/test_certificates.h"
#include "tests/mail/text_pieces.h"
#include "tests/mail/tls_peer.h"

namespace calvendra {
namespace {

using namespace std::string_literals;
using test::Peer;
using test::ScriptedServer;
using test::TestCertificates;
using test::TlsPeer;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr char kUser[] = "ann@example.org";
constexpr char kPassword[] = "Secret pass 9";

const TestCertificates& Certificates() {
    static const TestCertificates certificates;
    return certificates;
}

// What the scripted server does.
struct Plan {
    bool implicitTls = false;
    bool offerStartTls = true;
    // With what someone on the way might add after it, in the same packet.
    std::string startTlsReply = "220 2.0.0 Ready to start TLS\r\n";
    std::string clearOffer = "AUTH PLAIN LOGIN CRAM-MD5";
    std::string secureOffer = "AUTH PLAIN LOGIN CRAM-MD5";
    const TestCertificates::Pair* identity = &Certificates().Loopback();
};

// What the server saw: the client's lines in clear and under TLS, without their CR LF.
struct Wire {
    std::vector<std::string> clear;
    std::vector<std::string> secured;
    bool handshakeDone = false;
};

using Send = std::function<void(const std::string&)>;
using ReadLine = std::function<std::string()>;

// Answers the client's lines until QUIT or the connection's end (false), or until STARTTLS is
// accepted (true).
bool Converse(const Send& send, const ReadLine& read, const std::string& offer, bool startTls,
              const std::string& startTlsReply, std::vector<std::string>& lines) {
    const auto next = [&] {
        const std::string line = read();
        if (line.size() < 2) {
            return false;
        }
        lines.push_back(line.substr(0, line.size() - 2));
        return true;
    };
    while (next()) {
        const std::string& line = lines.back();
        if (line.rfind("EHLO ", 0) == 0) {
            send("250-mx.example.org\r\n"s + (startTls ? "250-STARTTLS\r\n" : "") +
                 (offer.empty() ? "" : "250-" + offer + "\r\n") + "250 8BITMIME\r\n");
        } else if (line.rfind("HELO ", 0) == 0) {
            send("250 mx.example.org\r\n");
        } else if (line == "STARTTLS") {
            send(startTlsReply);
            if (startTlsReply.rfind("220", 0) == 0) {
                return true;
            }
        } else if (line.rfind("AUTH PLAIN ", 0) == 0) {
            send("235 2.7.0 Authentication successful\r\n");
        } else if (line == "AUTH LOGIN") {
            send("334 VXNlcm5hbWU6\r\n");
            next();
            send("334 UGFzc3dvcmQ6\r\n");
            next();
            send("235 2.7.0 Authentication successful\r\n");
        } else if (line == "AUTH CRAM-MD5") {
            send("334 " + Base64Flat("<1896.697170952@mx.example.org>") + "\r\n");
            next();
            send("235 2.7.0 Authentication successful\r\n");
        } else if (line == "DATA") {
            send("354 go ahead\r\n");
            while (next() && lines.back() != ".") {
            }
            send("250 2.0.0 queued\r\n");
        } else if (line == "QUIT") {
            send("221 bye\r\n");
            return false;
        } else if (line == "*") {
            send("501 cancelled\r\n");
        } else {
            send("250 ok\r\n");
        }
    }
    return false;
}

// A server that plays the plan with one client.
std::unique_ptr<ScriptedServer> Serve(const Plan& plan, Wire& wire) {
    return std::make_unique<ScriptedServer>([&plan, &wire](Peer& peer) {
        const auto secured = [&](const std::string& greeting) {
            TlsPeer tls(peer, *plan.identity);
            wire.handshakeDone = tls.Accepted();
            if (!tls.Accepted()) {
                return;
            }
            tls.Send(greeting);
            Converse([&](const std::string& bytes) { tls.Send(bytes); },
                     [&] { return tls.ReadLine(); }, plan.secureOffer, false, "", wire.secured);
        };
        if (plan.implicitTls) {
            secured("220 mx.example.org ESMTP\r\n");
            return;
        }
        peer.Send("220 mx.example.org ESMTP\r\n");
        if (Converse([&](const std::string& bytes) { peer.Send(bytes); },
                     [&] { return peer.ReadLine(); }, plan.clearOffer, plan.offerStartTls,
                     plan.startTlsReply, wire.clear)) {
            secured("");
        }
    });
}

struct Outcome {
    std::uint32_t error = 0;  // 0: logged in and sent
    std::string what;
    bool encrypted = false;
    std::string protocol;
};

// Connects with the security, logs in as asked and sends one message.
Outcome RunClient(std::uint16_t port, SmtpSecurity security, AuthMethod method,
                  const std::string& host = "127.0.0.1",
                  const std::string& caFile = Certificates().CaFile()) {
    Outcome outcome;
    CKivSMTPConnection session;
    session.SetReplyTimeout(5000);
    session.SetGreetingName("client.example.org");
    session.SetSecurity(security);
    session.SetExtraCaFile(caFile);
    try {
        session.Connect(host, method, kUser, kPassword, port);
        outcome.encrypted = session.IsEncrypted();
        outcome.protocol = session.TlsProtocol();
        CKivSMTPMessage message;
        message.SetFrom(CKivSMTPAddress("organizer@example.org"));
        message.AddRecipient(CKivSMTPAddress("bob@example.org"), RecipientKind::To);
        message.SetSubject("Encrypted");
        message.SetBodyText("Behind TLS.");
        session.SendMail(message);
    } catch (const CKivSMTPException& failure) {
        outcome.error = failure.TransportError();
        outcome.what = failure.what();
    }
    return outcome;
}

Outcome Exchange(const Plan& plan, Wire& wire, SmtpSecurity security, AuthMethod method,
                 const std::string& host = "127.0.0.1",
                 const std::string& caFile = Certificates().CaFile()) {
    const auto server = Serve(plan, wire);
    const Outcome outcome = RunClient(server->Port(), security, method, host, caFile);
    server->Join();
    return outcome;
}

// Every form in which the password could travel: as typed, in base64, in PLAIN's message.
std::vector<std::string> PasswordForms() {
    return {kPassword, Base64Flat(kPassword),
            Base64Flat(std::string(1, '\0') + kUser + '\0' + kPassword)};
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) {
        all += line + "\n";
    }
    return all;
}

class TlsSession : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string why;
        ASSERT_TRUE(Certificates().Ready(why)) << why;
    }
};

const std::vector<std::string> kMailLines = {"MAIL FROM:<organizer@example.org>",
                                             "RCPT TO:<bob@example.org>", "DATA"};

TEST_F(TlsSession, StartTlsEncryptsBeforeTheLoginAndAsksAgainWhatIsOffered) {
    Plan plan;
    // In clear the server offers only LOGIN; behind TLS it offers PLAIN, which wins.
    plan.clearOffer = "AUTH LOGIN";
    plan.secureOffer = "AUTH PLAIN LOGIN";
    Wire wire;
    const Outcome outcome = Exchange(plan, wire, SmtpSecurity::StartTls, AuthMethod::BestOffered);
    ASSERT_EQ(outcome.error, 0u) << outcome.what;
    EXPECT_TRUE(outcome.encrypted);
    EXPECT_EQ(outcome.protocol, "TLSv1.3");
    EXPECT_THAT(wire.clear, ElementsAre("EHLO client.example.org", "STARTTLS"));
    std::vector<std::string> expected = {"EHLO client.example.org",
                                         "AUTH PLAIN " + PasswordForms()[2]};
    expected.insert(expected.end(), kMailLines.begin(), kMailLines.end());
    EXPECT_THAT(std::vector<std::string>(wire.secured.begin(), wire.secured.begin() + 5),
                ElementsAreArray(expected));
    EXPECT_EQ(wire.secured.back(), "QUIT");
}

TEST_F(TlsSession, ImplicitTlsEncryptsFromTheFirstByteAndGreetsWithEhlo) {
    Plan plan;
    plan.implicitTls = true;
    Wire wire;
    // Without an account there is no login, but the greeting is EHLO all the same.
    const Outcome outcome = Exchange(plan, wire, SmtpSecurity::Tls, AuthMethod::None, "localhost");
    ASSERT_EQ(outcome.error, 0u) << outcome.what;
    EXPECT_TRUE(outcome.encrypted);
    EXPECT_THAT(wire.clear, IsEmpty());
    EXPECT_THAT(std::vector<std::string>(wire.secured.begin(), wire.secured.begin() + 4),
                ElementsAre("EHLO client.example.org", kMailLines[0], kMailLines[1], "DATA"));
    EXPECT_EQ(wire.secured.back(), "QUIT");
}

TEST_F(TlsSession, WithoutSecurityOrLoginTheSessionStillGreetsWithHeloAndNeverStartsTls) {
    Plan plan;
    Wire wire;
    const Outcome outcome = Exchange(plan, wire, SmtpSecurity::None, AuthMethod::None);
    ASSERT_EQ(outcome.error, 0u) << outcome.what;
    EXPECT_FALSE(outcome.encrypted);
    EXPECT_EQ(wire.clear.front(), "HELO client.example.org");
    EXPECT_THAT(Joined(wire.clear), Not(HasSubstr("STARTTLS")));
}

// The login is the best mechanism on offer that the client knows, and a password never goes in
// clear text (PLAIN, LOGIN) over a connection that is not encrypted.
TEST_F(TlsSession, TheLoginIsChosenFromTheOfferAndNeverShowsThePasswordInClear) {
    const struct {
        const char* label;
        SmtpSecurity security;
        std::string offer;
        std::string firstLine;  // the login's command; empty when the session refuses
        std::uint32_t error;
    } rows[] = {
        {"TLS: PLAIN first", SmtpSecurity::StartTls, "AUTH CRAM-MD5 LOGIN PLAIN",
         "AUTH PLAIN " + PasswordForms()[2], 0},
        {"TLS: LOGIN next", SmtpSecurity::StartTls, "AUTH CRAM-MD5 LOGIN", "AUTH LOGIN", 0},
        {"TLS: CRAM-MD5 when alone", SmtpSecurity::StartTls, "AUTH CRAM-MD5 NTLM", "AUTH CRAM-MD5",
         0},
        {"TLS: lower case and the old AUTH= form", SmtpSecurity::StartTls, "AUTH=login",
         "AUTH LOGIN", 0},
        {"TLS: nothing known", SmtpSecurity::StartTls, "AUTH NTLM GSSAPI", "",
         OwnError(kNoKnownAuthOffered)},
        // A relay that needs no login gets none, as before there were logins.
        {"TLS: no AUTH at all", SmtpSecurity::StartTls, "", kMailLines[0], 0},
        {"clear: no AUTH at all", SmtpSecurity::None, "", kMailLines[0], 0},
        {"clear: CRAM-MD5 before PLAIN and LOGIN", SmtpSecurity::None, "AUTH PLAIN LOGIN CRAM-MD5",
         "AUTH CRAM-MD5", 0},
        {"clear: only PLAIN and LOGIN", SmtpSecurity::None, "AUTH PLAIN LOGIN", "",
         OwnError(kClearTextAuthRefused)},
        {"clear: only plain, in lower case", SmtpSecurity::None, "AUTH plain", "",
         OwnError(kClearTextAuthRefused)},
        {"clear: nothing known", SmtpSecurity::None, "AUTH NTLM", "",
         OwnError(kNoKnownAuthOffered)},
    };
    for (const auto& row : rows) {
        Plan plan;
        plan.clearOffer = row.security == SmtpSecurity::None ? row.offer : "AUTH PLAIN LOGIN";
        plan.secureOffer = row.offer;
        Wire wire;
        const Outcome outcome = Exchange(plan, wire, row.security, AuthMethod::BestOffered);
        EXPECT_EQ(outcome.error, row.error) << row.label << ": " << outcome.what;
        const std::vector<std::string>& lines =
            row.security == SmtpSecurity::None ? wire.clear : wire.secured;
        ASSERT_GE(lines.size(), 2u) << row.label;
        EXPECT_EQ(lines[1], row.firstLine.empty() ? "QUIT" : row.firstLine) << row.label;
        if (row.error != 0) {
            // The failure names what the server offers, as the client read it.
            std::string offered = row.offer.substr(5);
            std::transform(offered.begin(), offered.end(), offered.begin(), ::toupper);
            EXPECT_THAT(outcome.what, HasSubstr("it offers " + offered)) << row.label;
        }
        for (const std::string& form : PasswordForms()) {
            EXPECT_THAT(Joined(wire.clear), Not(HasSubstr(form))) << row.label;
        }
    }
}

// Named mechanisms keep their exchanges; the new PLAIN of RFC 4616 goes over TLS only.
TEST_F(TlsSession, PlainAsOneMessageIsRefusedOverAConnectionInClear) {
    Plan plan;
    Wire wire;
    const Outcome outcome = Exchange(plan, wire, SmtpSecurity::None, AuthMethod::SaslPlain);
    EXPECT_EQ(outcome.error, OwnError(kClearTextAuthRefused));
    EXPECT_THAT(wire.clear, ElementsAre("EHLO client.example.org", "QUIT"));
}

TEST_F(TlsSession, StartTlsThatIsNotOfferedOrRefusedFailsBeforeAnyLogin) {
    const struct {
        const char* label;
        bool offered;
        std::string reply;
        std::uint32_t error;
        std::vector<std::string> clear;
    } rows[] = {
        {"not offered",
         false,
         "",
         OwnError(kStartTlsNotOffered),
         {"EHLO client.example.org", "QUIT"}},
        {"refused",
         true,
         "454 4.7.0 TLS not available due to local problem\r\n",
         OwnError(kStartTlsRefused),
         {"EHLO client.example.org", "STARTTLS", "QUIT"}},
    };
    for (const auto& row : rows) {
        Plan plan;
        plan.offerStartTls = row.offered;
        plan.startTlsReply = row.reply;
        Wire wire;
        const Outcome outcome =
            Exchange(plan, wire, SmtpSecurity::StartTls, AuthMethod::BestOffered);
        EXPECT_EQ(outcome.error, row.error) << row.label << ": " << outcome.what;
        EXPECT_THAT(wire.clear, ElementsAreArray(row.clear)) << row.label;
        EXPECT_FALSE(wire.handshakeDone) << row.label;
    }
}

// Bytes that follow the reply to STARTTLS in clear text were not sent by the server through the
// encrypted connection: taken as the answer to the next EHLO, they would have offered LOGIN.
TEST_F(TlsSession, WhatFollowsTheStartTlsReplyInClearIsDropped) {
    Plan plan;
    plan.startTlsReply += "250-mx.example.org\r\n250 AUTH LOGIN\r\n";
    plan.secureOffer = "AUTH PLAIN";
    Wire wire;
    const Outcome outcome = Exchange(plan, wire, SmtpSecurity::StartTls, AuthMethod::BestOffered);
    ASSERT_EQ(outcome.error, 0u) << outcome.what;
    ASSERT_GE(wire.secured.size(), 2u);
    EXPECT_EQ(wire.secured[1], "AUTH PLAIN " + PasswordForms()[2]);
}

// A certificate that does not name the server or does not come from a trusted CA ends the
// session before anything but the handshake was sent through it, in both modes.
TEST_F(TlsSession, CertificatesThatDoNotNameTheServerOrComeFromAnUnknownCaAreRefused) {
    const TestCertificates& c = Certificates();
    const struct {
        const char* label;
        const TestCertificates::Pair* identity;
        std::string host;
        std::string caFile;
        std::string reason;  // empty: accepted
    } rows[] = {
        {"name and address of the test CA", &c.Loopback(), "localhost", c.CaFile(), ""},
        {"address of the test CA", &c.Loopback(), "127.0.0.1", c.CaFile(), ""},
        {"another host's certificate by name", &c.OtherHost(), "localhost", c.CaFile(),
         "hostname mismatch"},
        {"another host's certificate by address", &c.OtherHost(), "127.0.0.1", c.CaFile(),
         "IP address mismatch"},
        {"a CA nobody trusts", &c.Untrusted(), "localhost", c.CaFile(),
         "unable to get local issuer certificate"},
        {"the test CA without its file", &c.Loopback(), "localhost", "",
         "unable to get local issuer certificate"},
        {"a CA file that is not there", &c.Loopback(), "localhost", c.CaFile() + ".missing",
         "could not be read"},
    };
    for (const SmtpSecurity security : {SmtpSecurity::StartTls, SmtpSecurity::Tls}) {
        for (const auto& row : rows) {
            const std::string label =
                row.label +
                std::string(security == SmtpSecurity::Tls ? ", implicit" : ", STARTTLS");
            Plan plan;
            plan.implicitTls = security == SmtpSecurity::Tls;
            plan.identity = row.identity;
            Wire wire;
            const Outcome outcome =
                Exchange(plan, wire, security, AuthMethod::BestOffered, row.host, row.caFile);
            if (row.reason.empty()) {
                EXPECT_EQ(outcome.error, 0u) << label << ": " << outcome.what;
                continue;
            }
            EXPECT_EQ(outcome.error, OwnError(kTlsCertificateRefused)) << label;
            EXPECT_THAT(outcome.what, HasSubstr(row.reason)) << label;
            EXPECT_FALSE(wire.handshakeDone) << label;
            EXPECT_THAT(wire.secured, IsEmpty()) << label;
            for (const std::string& form : PasswordForms()) {
                EXPECT_THAT(Joined(wire.clear), Not(HasSubstr(form))) << label;
            }
        }
    }
}

// A name that no loopback address resolves to reaches the test's server through a SOCKS 5 proxy
// that the server plays itself: the proxy takes the name, and the client checks the certificate
// against it. A wildcard stands for one whole label, never for part of one.
TEST_F(TlsSession, AWildcardCertificateNamesOneWholeLabelOnly) {
    const TestCertificates& c = Certificates();
    const struct {
        const TestCertificates::Pair* identity;
        std::string host;
        bool accepted;
    } rows[] = {
        {&c.Wildcard(), "foo.example.org", true},
        {&c.PartialWildcard(), "foo.example.org", false},
        {&c.PartialWildcard(), "f.example.org", false},
        {&c.Wildcard(), "a.foo.example.org", false},
        {&c.Wildcard(), "example.org", false},
    };
    for (const auto& row : rows) {
        std::string request;
        Wire wire;
        ScriptedServer server([&](Peer& peer) {
            peer.Read(3);
            peer.Send("\x05\x00"s);
            request = peer.Read(7 + row.host.size());
            peer.Send("\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x19"s);
            TlsPeer tls(peer, *row.identity);
            wire.handshakeDone = tls.Accepted();
            if (tls.Accepted()) {
                tls.Send("220 mx.example.org ESMTP\r\n");
                Converse([&](const std::string& bytes) { tls.Send(bytes); },
                         [&] { return tls.ReadLine(); }, "", false, "", wire.secured);
            }
        });
        CKivSMTPConnection session;
        session.SetProxyKind(ProxyKind::Socks5);
        session.SetProxyHost("127.0.0.1");
        session.SetProxyPort(server.Port());
        session.SetSecurity(SmtpSecurity::Tls);
        session.SetExtraCaFile(c.CaFile());
        std::uint32_t error = 0;
        std::string what;
        try {
            session.Connect(row.host, AuthMethod::None, "", "", 25);
            session.Disconnect();
        } catch (const CKivSMTPException& failure) {
            error = failure.TransportError();
            what = failure.what();
        }
        server.Join();
        EXPECT_EQ(request.substr(4, 1 + row.host.size()),
                  std::string(1, static_cast<char>(row.host.size())) + row.host)
            << "the proxy was given the name itself";
        if (row.accepted) {
            EXPECT_EQ(error, 0u) << row.host << ": " << what;
            EXPECT_TRUE(wire.handshakeDone) << row.host;
        } else {
            EXPECT_EQ(error, OwnError(kTlsCertificateRefused)) << row.host;
            EXPECT_THAT(what, HasSubstr("hostname mismatch")) << row.host;
            EXPECT_THAT(wire.secured, IsEmpty()) << row.host;
        }
    }
}

TEST_F(TlsSession, ImplicitTlsToAServerInClearFailsTheHandshake) {
    ScriptedServer server([](Peer& peer) {
        peer.Send("220 mx.example.org ESMTP\r\n");
        peer.WaitForClose();
    });
    const Outcome outcome =
        RunClient(server.Port(), SmtpSecurity::Tls, AuthMethod::BestOffered, "localhost");
    EXPECT_EQ(outcome.error, OwnError(kTlsHandshakeFailed)) << outcome.what;
    EXPECT_THAT(outcome.what, HasSubstr("The encrypted connection to the mail server could not be "
                                        "set up: "));
}

// The reply time-out bounds a whole reply through TLS as it does in clear: a server that sends
// nothing, or a record it never finishes, fails the greeting at the time-out. The time-out also
// bounds the handshake before it, which a loaded machine (the sanitizer build with every core busy)
// may take seconds for: it is ample here, so that the failure comes from the reply alone.
TEST_F(TlsSession, AReplyThatNeverCompletesThroughTlsFailsAtTheTimeOut) {
    for (const std::string& stall : {""s, "\x17\x03\x03\x00\x40partial"s}) {
        ScriptedServer server([&](Peer& peer) {
            TlsPeer tls(peer, Certificates().Loopback());
            peer.Send(stall);  // raw bytes after the handshake: the start of a record
            peer.WaitForClose();
        });
        CKivSMTPConnection session;
        session.SetSecurity(SmtpSecurity::Tls);
        session.SetExtraCaFile(Certificates().CaFile());
        session.SetReplyTimeout(10000);
        const auto start = std::chrono::steady_clock::now();
        std::uint32_t error = 0;
        std::string what;
        try {
            session.Connect("localhost", AuthMethod::None, "", "", server.Port());
        } catch (const CKivSMTPException& failure) {
            error = failure.TransportError();
            what = failure.what();
        }
        EXPECT_EQ(error, OwnError(kGreetingRefused)) << stall.size() << ": " << what;
        EXPECT_THAT(what, HasSubstr("no complete reply came within 10 seconds")) << stall.size();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(90));
        EXPECT_FALSE(session.IsConnected());
    }
}

TEST_F(TlsSession, AServerThatStopsReadingFailsTheSendThroughTlsAtTheTimeOut) {
    std::atomic<bool> done{false};
    ScriptedServer server([&](Peer& peer) {
        TlsPeer tls(peer, Certificates().Loopback());
        tls.Send("220 ready\r\n");
        for (const char* answer : {"250 mx\r\n", "250 ok\r\n", "250 ok\r\n", "354 go ahead\r\n"}) {
            tls.ReadLine();
            tls.Send(answer);
        }
        while (!done) {  // takes no byte of the message
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    CKivSMTPMessage message;
    message.SetFrom(CKivSMTPAddress("me@example.org"));
    message.AddRecipient(CKivSMTPAddress("a@example.org"), RecipientKind::To);
    message.SetBodyText(test::Repeat(std::string(76, 'x') + "\r\n", 32 * 1024 * 1024 / 78));
    CKivSMTPConnection session;
    session.SetSecurity(SmtpSecurity::Tls);
    session.SetExtraCaFile(Certificates().CaFile());
    session.SetReplyTimeout(3000);
    session.Connect("localhost", AuthMethod::None, "", "", server.Port());
    std::uint32_t error = 0;
    try {
        session.SendMail(message);
    } catch (const CKivSMTPException& failure) {
        error = failure.TransportError();
    }
    EXPECT_EQ(error, SystemError(kErrorTimedOut));
    EXPECT_FALSE(session.IsConnected());
    done = true;
}

// Another thread ends a session that waits for a server that never answers, in clear and in the
// middle of a TLS handshake; the failure says that it was aborted, and the session connects no
// more.
TEST_F(TlsSession, AbortFromAnotherThreadEndsTheWaitAndSaysSo) {
    for (const SmtpSecurity security : {SmtpSecurity::None, SmtpSecurity::Tls}) {
        std::atomic<int> connections{0};
        ScriptedServer server([&](Peer& peer) {
            ++connections;
            peer.WaitForClose();
        });
        CKivSMTPConnection session;
        session.SetSecurity(security);
        session.SetReplyTimeout(60000);
        std::uint32_t error = 0;
        std::thread sender([&] {
            try {
                session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
            } catch (const CKivSMTPException& failure) {
                error = failure.TransportError();
            }
        });
        while (connections == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        session.Abort();
        sender.join();
        EXPECT_EQ(error, SystemError(kErrorAborted));
        error = 0;
        try {
            session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
        } catch (const CKivSMTPException& failure) {
            error = failure.TransportError();
        }
        EXPECT_EQ(error, SystemError(kErrorAborted));
        EXPECT_EQ(connections, 1);
    }
}

TEST(EhloReply, KeywordsAndMechanismsAreReadWhateverTheirCase) {
    const struct {
        std::string reply;
        bool startTls;
        std::vector<std::string> mechanisms;
    } rows[] = {
        {"250-mx.example.org\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN", true, {"PLAIN", "LOGIN"}},
        {"250-mx\r\n250-starttls\r\n250-auth cram-md5\r\n250 SIZE 100", true, {"CRAM-MD5"}},
        {"250-mx\r\n250-AUTH=LOGIN PLAIN\r\n250 AUTH LOGIN CRAM-MD5",
         false,
         {"LOGIN", "PLAIN", "CRAM-MD5"}},
        // The first line is the server's name, whatever it says.
        {"250-STARTTLS AUTH PLAIN\r\n250 8BITMIME", false, {}},
        {"250 mx.example.org", false, {}},
        {"250-mx\r\n250-STARTTLSX\r\n250 AUTHX PLAIN", false, {}},
    };
    for (const auto& row : rows) {
        const EhloOffer offer = ReadEhloReply(row.reply);
        EXPECT_EQ(offer.startTls, row.startTls) << row.reply;
        EXPECT_EQ(offer.authMechanisms, row.mechanisms) << row.reply;
    }
    EXPECT_TRUE(ReadEhloReply("250-mx\r\n250 AUTH PLAIN").OffersAuth("plain"));
}

}  // namespace
}  // namespace calvendra
