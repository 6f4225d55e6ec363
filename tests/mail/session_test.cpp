#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "mail/smtp_connection.h"
#include "mail/socket_errors.h"
#include "tests/mail/scripted_peer.h"
#include "tests/mail/temp_folder.h"

namespace calvendra {
namespace {

using namespace std::string_literals;
using test::Peer;
using test::ScriptedServer;
using ::testing::ContainsRegex;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr std::uint32_t kShortWaitMs = 300;

// Runs the call and returns the exception it raised; fails the test when it raised none.
template <typename Call>
CKivSMTPException FailureOf(Call call) {
    try {
        call();
    } catch (const CKivSMTPException& failure) {
        return failure;
    }
    ADD_FAILURE() << "no exception";
    return CKivSMTPException(0, "");
}

// Greets, answers HELO and records the commands of the session until QUIT or the close.
struct SmtpScript {
    std::vector<std::string> commands;
    std::string data;

    void Greet(Peer& peer, const std::string& greeting = "220 test ready\r\n") {
        peer.Send(greeting);
        commands.push_back(peer.ReadLine());
        peer.Send("250 hello\r\n");
    }

    // Answers every command with 250 (DATA with 354), keeping the data, until QUIT.
    void Serve(Peer& peer) {
        for (;;) {
            const std::string line = peer.ReadLine();
            if (line.empty()) {
                return;
            }
            commands.push_back(line);
            if (line == "DATA\r\n") {
                peer.Send("354 go ahead\r\n");
                data = peer.ReadUntil("\r\n.\r\n");
                peer.Send("250 queued\r\n");
            } else if (line == "QUIT\r\n") {
                peer.Send("221 bye\r\n");
                return;
            } else {
                peer.Send("250 ok\r\n");
            }
        }
    }
};

// Text of the given size in lines of 72 characters.
std::string Lines(std::size_t size) {
    std::string text;
    text.reserve(size + 80);
    while (text.size() < size) {
        text += std::string(72, 't') + "\n";
    }
    return text;
}

CKivSMTPMessage SampleMessage() {
    CKivSMTPMessage message;
    message.SetFrom(CKivSMTPAddress("Organizer <me@example.org>"));
    message.AddRecipient(CKivSMTPAddress("a@example.org"), RecipientKind::To);
    message.AddRecipient(CKivSMTPAddress("B <b@example.org>"), RecipientKind::Cc);
    message.AddRecipient(CKivSMTPAddress("c@example.org"), RecipientKind::Bcc);
    message.SetSubject("Reminder");
    message.SetBodyText(".first line\n..second\nthird");
    return message;
}

TEST(Session, SendsAPlainMessageAndQuitsOnDestruction) {
    SmtpScript script;
    ScriptedServer server([&](Peer& peer) {
        peer.SendInPieces("220-mail.example.org ESMTP\r\n220 ready\r\n", 5);
        script.commands.push_back(peer.ReadLine());
        peer.Send("250-first\r\n250-second\r\n");
        peer.Send("250 last\r\n");
        script.Serve(peer);
    });
    {
        CKivSMTPConnection session;
        session.SetGreetingName("client.example.org");
        session.Connect("127.0.0.1", AuthMethod::None, "account", "password", server.Port());
        EXPECT_TRUE(session.IsConnected());
        EXPECT_EQ(session.LastReplyCode(), 250);
        EXPECT_EQ(session.LastReply(), "250-first\r\n250-second\r\n250 last");
        session.SendMail(SampleMessage());
        EXPECT_EQ(session.LastReply(), "250 queued");
    }
    server.Join();
    EXPECT_THAT(
        script.commands,
        ::testing::ElementsAre("HELO client.example.org\r\n", "MAIL FROM:<me@example.org>\r\n",
                               "RCPT TO:<a@example.org>\r\n", "RCPT TO:<b@example.org>\r\n",
                               "RCPT TO:<c@example.org>\r\n", "DATA\r\n", "QUIT\r\n"));
    EXPECT_THAT(script.data, StartsWith("From: Organizer <me@example.org>\r\nTo: a@example.org\r\n"
                                        "Cc: B <b@example.org>\r\nSubject: Reminder\r\n"));
    // The Bcc recipient is in the envelope only; the random Message-ID may end in "c" itself.
    EXPECT_THAT(script.data, Not(ContainsRegex("[^0-9a-f-]c@example\\.org")));
    EXPECT_THAT(script.data, EndsWith("\r\n\r\n..first line\r\n...second\r\nthird\r\n.\r\n"));
}

TEST(Session, GreetingNameAutoIsTheHostName) {
    CKivSMTPConnection session;
    EXPECT_EQ(session.GreetingName(), LocalHostName());
    EXPECT_FALSE(session.GreetingName().empty());
    session.SetGreetingName("Auto");
    EXPECT_EQ(session.GreetingName(), "Auto");
    EXPECT_EQ(session.ReplyTimeout(), 60000u);
    EXPECT_EQ(session.ProxyPort(), 1080);
    EXPECT_EQ(session.GetProxyKind(), ProxyKind::None);
}

// Replies to MAIL FROM, each after a normal greeting and HELO: a reply that breaks the reply
// syntax fails the step as a protocol error at once, never as whatever code came before it; a
// well-formed one, down to a code alone, completes the step.
TEST(Session, RepliesThatBreakTheSyntaxAreProtocolErrors) {
    struct Case {
        std::string reply;
        bool valid;
        std::size_t pieceSize = 64;
    };
    const Case cases[] = {
        {"250 sender ok\r\n", true},
        {"250-sender\r\n250-is\r\n250 ok\r\n", true},
        {"250-\r\n250 \r\n", true},
        {"250 slow but fine\r\n", true, 1},
        {"zzz nonsense\r\n", false},
        {"zzz", false},  // no line end, and the server says no more
        // A code alone, with or without the blank, is a whole reply (RFC 5321, 4.2).
        {"250\r\n", true},
        {"250\r\n", true, 1},
        {"250-first\r\n250\r\n", true},
        {"250-\r\n250 \r\n", true, 1},
        {"250\rx\r\n", false},
        {"25\r\n", false},
        {"250-first\r\n251 second\r\n", false},
        {"2500 ok\r\n", false},
        {"25 ok\r\n", false},
        {"250_ok\r\n", false},
        {" 250 ok\r\n", false},
        {"250-first\r\nthen garbage\r\n", false},
    };
    for (const Case& c : cases) {
        SmtpScript script;
        ScriptedServer server([&](Peer& peer) {
            script.Greet(peer);
            script.commands.push_back(peer.ReadLine());
            peer.SendInPieces(c.reply, c.pieceSize);
            script.Serve(peer);
        });
        CKivSMTPConnection session;
        session.SetReplyTimeout(20000);
        session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
        const auto start = std::chrono::steady_clock::now();
        if (c.valid) {
            EXPECT_NO_THROW(session.SendMail(SampleMessage())) << c.reply;
            EXPECT_EQ(session.LastReply(), "250 queued");
        } else {
            const CKivSMTPException failure = FailureOf([&] { session.SendMail(SampleMessage()); });
            EXPECT_EQ(failure.TransportError(), OwnError(kMalformedReply)) << c.reply;
            EXPECT_THAT(failure.what(), HasSubstr(c.reply.substr(0, 3))) << c.reply;
            EXPECT_EQ(session.LastReplyCode(), 250) << "left as the HELO reply had it";
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << c.reply;
        session.Disconnect(false);
    }
}

// A server that sends one byte a second never completes a reply: the time-out bounds the whole
// wait, and the session then ends without a QUIT that would wait again.
TEST(Session, ASlowServerFailsAtTheTimeOutAndGetsNoQuit) {
    std::string after;
    ScriptedServer server([&](Peer& peer) {
        peer.Send("220 ready\r\n");
        peer.ReadLine();
        peer.Send("250-");
        for (int second = 0; second < 20; ++second) {
            if (::send(peer.Fd(), "x", 1, MSG_NOSIGNAL) != 1) {
                break;  // the client has gone
            }
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        peer.WaitForClose(&after);
    });
    CKivSMTPConnection session;
    session.SetReplyTimeout(2000);
    const auto start = std::chrono::steady_clock::now();
    const CKivSMTPException failure =
        FailureOf([&] { session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port()); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(failure.TransportError(), OwnError(kHeloRefused));
    EXPECT_THAT(failure.LastReply(), StartsWith("250-x"));
    EXPECT_FALSE(session.IsConnected());
    server.Join();
    EXPECT_THAT(after, Not(HasSubstr("QUIT")));
}

TEST(Session, AfterAReplyTimeOutTheSessionEndsAtOnce) {
    std::string after;
    ScriptedServer server([&](Peer& peer) {
        SmtpScript script;
        script.Greet(peer);
        peer.ReadLine();  // MAIL FROM, never answered
        peer.WaitForClose(&after);
    });
    auto session = std::make_unique<CKivSMTPConnection>();
    session->SetReplyTimeout(1000);
    session->Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
    EXPECT_EQ(FailureOf([&] { session->SendMail(SampleMessage()); }).TransportError(),
              OwnError(kMailFromRefused));
    // It would send QUIT and wait for its reply if it did not know better: the server sees the
    // connection close with nothing more sent.
    session.reset();
    server.Join();
    EXPECT_EQ(after, "");
}

TEST(Session, QuitIsAwaitedOnlyBriefly) {
    std::string quit;
    ScriptedServer server([&](Peer& peer) {
        SmtpScript script;
        script.Greet(peer);
        quit = peer.ReadLine();
        peer.WaitForClose();  // and never answers it
    });
    CKivSMTPConnection session;  // a minute for every other reply
    session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FailureOf([&] { session.Disconnect(true); }).TransportError(),
              OwnError(kQuitRefused));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(CKivSMTPConnection::kQuitReplyTimeoutMs - 100));
    EXPECT_LT(took, std::chrono::seconds(15));
    server.Join();
    EXPECT_EQ(quit, "QUIT\r\n");
}

TEST(Session, AServerThatStopsReadingFailsTheSendAtTheTimeOut) {
    std::atomic<bool> done{false};
    ScriptedServer server([&](Peer& peer) {
        SmtpScript script;
        script.Greet(peer);
        for (const char* answer : {"250 ok\r\n", "250 ok\r\n", "354 go ahead\r\n"}) {
            peer.ReadLine();
            peer.Send(answer);
        }
        while (!done) {  // takes no byte of the message
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    CKivSMTPMessage message;
    message.SetFrom(CKivSMTPAddress("me@example.org"));
    message.AddRecipient(CKivSMTPAddress("a@example.org"), RecipientKind::To);
    message.SetBodyText(Lines(24 * 1024 * 1024));
    CKivSMTPConnection session;
    session.SetReplyTimeout(2000);
    session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FailureOf([&] { session.SendMail(message); }).TransportError(),
              SystemError(kErrorTimedOut));
    // Each partial send restarts the wait; a send that never ended would hang the test instead.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_FALSE(session.IsConnected());
    done = true;
}

// A server that delivers before it answers the end of the data may take longer than the reply
// time-out: the session waits for it (RFC 5321 gives that wait ten minutes), since giving up would
// have the message sent again after the server delivered it.
TEST(Session, TheEndOfTheDataIsAwaitedLongerThanTheReplyTimeOut) {
    constexpr std::uint32_t kReplyTimeoutMs = 3000;
    SmtpScript script;
    ScriptedServer server([&](Peer& peer) {
        script.Greet(peer);
        for (const char* answer : {"250 sender ok\r\n", "250 recipient ok\r\n", "354 go\r\n"}) {
            script.commands.push_back(peer.ReadLine());
            peer.Send(answer);
        }
        script.data = peer.ReadUntil("\r\n.\r\n");
        // The delivery itself: a slow server, not a wait for the client.
        std::this_thread::sleep_for(std::chrono::milliseconds(kReplyTimeoutMs * 5 / 2));
        peer.Send("250 delivered\r\n");
        script.Serve(peer);
    });
    CKivSMTPMessage message;
    message.SetFrom(CKivSMTPAddress("me@example.org"));
    message.AddRecipient(CKivSMTPAddress("a@example.org"), RecipientKind::To);
    message.SetBodyText("text");
    {
        CKivSMTPConnection session;
        session.SetReplyTimeout(kReplyTimeoutMs);
        session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
        EXPECT_NO_THROW(session.SendMail(message));
        EXPECT_EQ(session.LastReply(), "250 delivered");
    }
    server.Join();
    EXPECT_THAT(
        script.commands,
        ::testing::ElementsAre("HELO " + LocalHostName() + "\r\n", "MAIL FROM:<me@example.org>\r\n",
                               "RCPT TO:<a@example.org>\r\n", "DATA\r\n", "QUIT\r\n"));
}

TEST(Session, RecipientAnsweredWith251Fails) {
    ScriptedServer server([&](Peer& peer) {
        SmtpScript script;
        script.Greet(peer);
        peer.ReadLine();
        peer.Send("250 sender ok\r\n");
        peer.ReadLine();
        peer.Send("251 User not local; will forward\r\n");
        script.Serve(peer);
    });
    CKivSMTPConnection session;
    session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
    const CKivSMTPException failure = FailureOf([&] { session.SendMail(SampleMessage()); });
    EXPECT_EQ(failure.TransportError(), OwnError(kRecipientRefused));
    EXPECT_EQ(failure.LastReply(), "251 User not local; will forward");
    EXPECT_THAT(failure.what(), HasSubstr("251 User not local"));
    EXPECT_TRUE(session.IsConnected()) << "a failed send leaves the session to its owner";
}

TEST(Session, ServerThatClosesAfterTheGreetingFailsAtOnce) {
    ScriptedServer server([&](Peer& peer) {
        peer.Send("220 ready\r\n");
        peer.ReadLine();
    });
    CKivSMTPConnection session;  // the default minute-long time-out must not come into play
    const auto start = std::chrono::steady_clock::now();
    const CKivSMTPException failure =
        FailureOf([&] { session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port()); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(failure.TransportError(), OwnError(kHeloRefused));
    EXPECT_EQ(failure.LastReply(), "");
    EXPECT_STREQ(failure.what(),
                 "The mail server's reply did not come to an end (the server closed the "
                 "connection)");
    EXPECT_FALSE(session.IsConnected());
}

// A greeting of 220 that never ends is said to be one that did not end: not one that was not 220.
TEST(Session, AGreetingThatNeverEndsIsSaidToBeUnfinished) {
    ScriptedServer server([&](Peer& peer) {
        peer.Send("220-mx.example.org ESMTP\r\n220-still greeting");
        peer.WaitForClose();
    });
    CKivSMTPConnection session;
    session.SetReplyTimeout(1000);
    const CKivSMTPException failure =
        FailureOf([&] { session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port()); });
    EXPECT_EQ(failure.TransportError(), OwnError(kGreetingRefused));
    EXPECT_EQ(failure.LastReply(), "220-mx.example.org ESMTP\r\n220-still greeting");
    EXPECT_STREQ(failure.what(),
                 "The mail server's reply did not come to an end (no complete reply came within 1 "
                 "second): 220-mx.example.org ESMTP\r\n220-still greeting");
    EXPECT_FALSE(session.IsConnected());
}

TEST(Session, GreetingOtherThan220Fails) {
    std::string quit;
    ScriptedServer server([&](Peer& peer) {
        peer.Send("554 go away\r\n");
        quit = peer.ReadLine();
        peer.Send("221 bye\r\n");
    });
    CKivSMTPConnection session;
    const CKivSMTPException failure =
        FailureOf([&] { session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port()); });
    EXPECT_EQ(failure.TransportError(), 0x80040200u);
    EXPECT_EQ(failure.LastReply(), "554 go away");
    EXPECT_EQ(session.LastReplyCode(), 221);
    server.Join();
    EXPECT_EQ(quit, "QUIT\r\n");
}

TEST(Session, QuitNotAnsweredWith221IsSwallowedOnDestruction) {
    std::string last;
    ScriptedServer server([&](Peer& peer) {
        SmtpScript script;
        script.Greet(peer);
        last = peer.ReadLine();
        peer.Send("500 what?\r\n");
    });
    {
        CKivSMTPConnection session;
        session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
    }
    server.Join();
    EXPECT_EQ(last, "QUIT\r\n");

    ScriptedServer again([&](Peer& peer) {
        SmtpScript script;
        script.Greet(peer);
        peer.ReadLine();
        peer.Send("500 what?\r\n");
    });
    CKivSMTPConnection session;
    session.Connect("127.0.0.1", AuthMethod::None, "", "", again.Port());
    const CKivSMTPException failure = FailureOf([&] { session.Disconnect(true); });
    EXPECT_EQ(failure.TransportError(), OwnError(kQuitRefused));
    EXPECT_EQ(failure.LastReply(), "500 what?");
    EXPECT_FALSE(session.IsConnected());
}

TEST(Session, MessageWithoutRecipientsGoesFromMailFromToData) {
    SmtpScript script;
    ScriptedServer server([&](Peer& peer) {
        script.Greet(peer);
        script.Serve(peer);
    });
    {
        CKivSMTPConnection session;
        session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
        CKivSMTPMessage message;
        message.SetFrom(CKivSMTPAddress("me@example.org"));
        session.SendMail(message);
        session.Disconnect();
    }
    server.Join();
    ASSERT_EQ(script.commands.size(), 4u);
    EXPECT_EQ(script.commands[1], "MAIL FROM:<me@example.org>\r\n");
    EXPECT_EQ(script.commands[2], "DATA\r\n");
    EXPECT_EQ(script.commands[3], "QUIT\r\n");
}

TEST(Session, RefusedStepsCarryTheirCodes) {
    struct Case {
        std::string refusedCommand;
        std::uint32_t expected;
    };
    for (const Case& c :
         {Case{"MAIL", OwnError(kMailFromRefused)}, Case{"DATA", OwnError(kDataRefused)},
          Case{".", OwnError(kEndOfDataRefused)}}) {
        ScriptedServer server([&](Peer& peer) {
            SmtpScript script;
            script.Greet(peer);
            for (;;) {
                std::string line = peer.ReadLine();
                if (line.empty() || line == "QUIT\r\n") {
                    peer.Send("221 bye\r\n");
                    return;
                }
                if (line == "DATA\r\n" && c.refusedCommand != "DATA") {
                    peer.Send("354 go\r\n");
                    peer.ReadUntil("\r\n.\r\n");
                    line = ".";
                }
                peer.Send(line.rfind(c.refusedCommand, 0) == 0 ? "554 no\r\n" : "250 ok\r\n");
            }
        });
        CKivSMTPConnection session;
        session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
        EXPECT_EQ(FailureOf([&] { session.SendMail(SampleMessage()); }).TransportError(),
                  c.expected)
            << c.refusedCommand;
    }
}

TEST(Session, EhloIsUsedForAuthenticationAndItsRefusalFails) {
    std::vector<std::string> seen;
    ScriptedServer server(
        [&](Peer& peer) {
            peer.Send("220 ready\r\n");
            seen.push_back(peer.ReadLine());
            peer.Send("502 no EHLO here\r\n");
            seen.push_back(peer.ReadLine());
            peer.Send("221 bye\r\n");
        },
        1);
    CKivSMTPConnection session;
    session.SetGreetingName("me");
    const CKivSMTPException failure = FailureOf(
        [&] { session.Connect("127.0.0.1", AuthMethod::Login, "u", "p", server.Port()); });
    EXPECT_EQ(failure.TransportError(), OwnError(kEhloRefused));
    EXPECT_EQ(failure.LastReply(), "502 no EHLO here");
    server.Join();
    EXPECT_THAT(seen, ::testing::ElementsAre("EHLO me\r\n", "QUIT\r\n"));
}

TEST(Session, EndlessReplyIsCutInsteadOfExhaustingMemory) {
    ScriptedServer server([&](Peer& peer) {
        const std::string line = "220-" + std::string(1020, 'x') + "\r\n";
        std::string flood;
        for (int index = 0; index < 1100; ++index) {
            flood += line;
        }
        peer.Send(flood);
        peer.WaitForClose();
    });
    CKivSMTPConnection session;
    // The default minute: the flood reaches the size bound long before it.
    const CKivSMTPException failure =
        FailureOf([&] { session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port()); });
    EXPECT_EQ(failure.TransportError(), OwnError(kGreetingRefused));
    // The error carries a few hundred bytes of it, marked as cut.
    EXPECT_THAT(failure.LastReply(), StartsWith("220-xxx"));
    EXPECT_THAT(failure.LastReply(), HasSubstr("[... cut, "));
    EXPECT_THAT(failure.what(),
                StartsWith("The mail server's reply did not come to an end (it reached 1048576 "
                           "bytes): 220-xxx"));
    EXPECT_LT(failure.LastReply().size(), CKivSMTPException::kMaxReplyInError + 40);
}

TEST(Session, SocketFailuresBecomeSystemErrors) {
    CKivSMTPConnection session;
    const CKivSMTPException refused = FailureOf(
        [&] { session.Connect("127.0.0.1", AuthMethod::None, "", "", test::UnusedPort()); });
    EXPECT_EQ(refused.TransportError(), SystemError(ECONNREFUSED));
    EXPECT_EQ(refused.LastReply(), "");
    EXPECT_STREQ(refused.what(), "Connection refused");
    EXPECT_FALSE(session.IsConnected());

    EXPECT_EQ(FailureOf([&] {
                  session.Connect("127.0.0.1", AuthMethod::None, "", "", 70000);
              }).TransportError(),
              SystemError(EINVAL));
    EXPECT_EQ(FailureOf([&] { session.SendMail(SampleMessage()); }).TransportError(),
              SystemError(ENOTCONN));
    session.SetBindAddress(std::string(70, 'x') + ".invalid");
    EXPECT_EQ(FailureOf([&] {
                  session.Connect("127.0.0.1", AuthMethod::None, "", "", 25);
              }).TransportError(),
              SystemError(kErrorBadLocalAddress));
}

TEST(Session, ThroughProxies) {
    // SOCKS 5 with a user name, the greeting arriving right behind the proxy's reply.
    std::string login;
    ScriptedServer socks([&](Peer& peer) {
        peer.Read(4);
        peer.Send("\x05\x02"s);
        login = peer.Read(2 + 4 + 1 + 2);
        peer.Send("\x01\x00"s);
        peer.Read(10);
        peer.Send("\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x19"s + "220 through socks\r\n");
        SmtpScript script;
        script.commands.push_back(peer.ReadLine());
        peer.Send("250 hi\r\n");
        script.Serve(peer);
    });
    {
        CKivSMTPConnection session;
        session.SetProxyKind(ProxyKind::Socks5);
        session.SetProxyHost("127.0.0.1");
        session.SetProxyPort(socks.Port());
        session.SetProxyUser("user");
        session.SetProxyPassword("pw");
        session.Connect("127.0.0.1", AuthMethod::None, "", "", 25);
        EXPECT_TRUE(session.IsConnected());
    }
    socks.Join();
    EXPECT_EQ(login, "\x01\x04user\x02pw"s);

    // An HTTP proxy that wants credentials.
    std::string request;
    ScriptedServer http([&](Peer& peer) {
        request = peer.ReadUntil("\r\n\r\n");
        peer.Send("HTTP/1.1 407 Proxy Authentication Required\r\n\r\n");
        peer.WaitForClose();
    });
    CKivSMTPConnection session;
    session.SetProxyKind(ProxyKind::Http);
    session.SetProxyHost("127.0.0.1");
    session.SetProxyPort(http.Port());
    session.SetUserAgent("Calvendra");
    const CKivSMTPException failure =
        FailureOf([&] { session.Connect("mail.example.org", AuthMethod::None, "", "", 587); });
    EXPECT_EQ(failure.TransportError(), SystemError(kErrorProxyAuthRejected));
    EXPECT_FALSE(session.IsConnected());
    http.Join();
    EXPECT_EQ(request, "CONNECT mail.example.org:587 HTTP/1.0\r\nUser-Agent: Calvendra\r\n\r\n");

    // SOCKS 4 that never answers ends at the reply time-out.
    ScriptedServer silent([](Peer& peer) { peer.WaitForClose(); });
    session.SetProxyKind(ProxyKind::Socks4);
    session.SetProxyPort(silent.Port());
    session.SetReplyTimeout(kShortWaitMs);
    EXPECT_EQ(FailureOf([&] {
                  session.Connect("127.0.0.1", AuthMethod::None, "", "", 25);
              }).TransportError(),
              SystemError(kErrorTimedOut));
}

TEST(Session, MimeMessageWalksItsParts) {
    test::TempFolder folder;
    const std::string path = (folder.Path() / "agenda.txt").string();
    std::ofstream(path) << "agenda";
    SmtpScript script;
    ScriptedServer server([&](Peer& peer) {
        script.Greet(peer);
        script.Serve(peer);
    });
    CKivSMTPMessage message;
    message.SetMimeMode(true);
    message.SetFrom(CKivSMTPAddress("me@example.org"));
    message.AddRecipient(CKivSMTPAddress("a@example.org"), RecipientKind::To);
    message.SetBodyText(".dot first\nsecond line");
    CKivSMTPBodyPart attachment;
    attachment.SetFilePath(path);
    attachment.SetTitle("agenda.txt");
    message.RootPart().AddChild(attachment);
    const std::string outer = message.RootPart().Boundary();
    {
        CKivSMTPConnection session;
        session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
        session.SendMail(message);
    }
    server.Join();
    const std::string& data = script.data;
    EXPECT_THAT(data, HasSubstr("Content-Type: multipart/mixed; boundary=\"" + outer + "\"\r\n"));
    EXPECT_THAT(data,
                HasSubstr("\r\n\r\nThis is a multi-part message in MIME format\r\n--" + outer +
                          "\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                          "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                          "..dot first\r\nsecond line\r\n\r\n--" +
                          outer +
                          "\r\nContent-Type: text/plain; charset=iso-8859-1; "
                          "name=\"agenda.txt\"\r\n"));
    EXPECT_THAT(data,
                EndsWith("filename=\"agenda.txt\"\r\n\r\nYWdlbmRh\r\n--" + outer + "--\r\n.\r\n"));

    // A missing attachment fails the part with its own code, and the session drops the connection
    // so that the server discards the unfinished message.
    SmtpScript other;
    bool closed = false;
    ScriptedServer second([&](Peer& peer) {
        other.Greet(peer);
        for (int command = 0; command < 3; ++command) {
            other.commands.push_back(peer.ReadLine());
            peer.Send(command < 2 ? "250 ok\r\n" : "354 go\r\n");
        }
        closed = peer.WaitForClose(&other.data);
    });
    message.RootPart().Child(1).SetFilePath(path + ".gone");
    CKivSMTPConnection session;
    session.Connect("127.0.0.1", AuthMethod::None, "", "", second.Port());
    const CKivSMTPException failure = FailureOf([&] { session.SendMail(message); });
    EXPECT_EQ(failure.TransportError(), OwnError(kPartBodyFailed));
    EXPECT_EQ(failure.LastReply(), "");
    EXPECT_FALSE(session.IsConnected());
    second.Join();
    EXPECT_TRUE(closed);
    EXPECT_THAT(other.data, Not(HasSubstr("\r\n.\r\n")));
    EXPECT_THAT(other.data, Not(HasSubstr("QUIT")));
}

TEST(Session, HostileAddressesCannotInjectCommands) {
    SmtpScript script;
    ScriptedServer server([&](Peer& peer) {
        script.Greet(peer);
        script.Serve(peer);
    });
    {
        CKivSMTPConnection session;
        session.SetGreetingName("me\r\nRSET");
        session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
        CKivSMTPMessage message;
        message.SetFrom(CKivSMTPAddress("", "me@example.org>\r\nRCPT TO:<evil@example.org"));
        const CKivSMTPException failure = FailureOf([&] { session.SendMail(message); });
        EXPECT_EQ(failure.TransportError(), OwnError(kAddressInvalid));
        EXPECT_THAT(failure.what(), HasSubstr("the sender \"me@example.org>\\x0D\\x0ARCPT"));
        EXPECT_TRUE(session.IsConnected());
    }
    server.Join();
    EXPECT_THAT(script.commands, ::testing::ElementsAre("HELO me  RSET\r\n", "QUIT\r\n"));
}

// Every address of a message is checked before the first command: one that is no mailbox stops
// the message whole, whichever role it has, and the server sees nothing of it.
TEST(Session, AMessageWithAnAddressThatIsNoMailboxIsRefusedBeforeMailFrom) {
    struct Case {
        const char* what;
        std::function<void(CKivSMTPMessage&)> spoil;
        std::string named;
    };
    const Case cases[] = {
        {"options after the address",
         [](CKivSMTPMessage& m) {
             m.AddRecipient(CKivSMTPAddress("", "to1@example.org> NOTIFY=SUCCESS,FAILURE"),
                            RecipientKind::To);
         },
         "the recipient \"to1@example.org> NOTIFY=SUCCESS,FAILURE\": its domain holds \">\""},
        {"a NUL byte",
         [](CKivSMTPMessage& m) {
             m.AddRecipient(CKivSMTPAddress("", "a\0b@example.org"s), RecipientKind::Cc);
         },
         "the recipient \"a\\x00b@example.org\": it holds the byte 0x00"},
        {"thousands of bytes",
         [](CKivSMTPMessage& m) {
             m.AddRecipient(CKivSMTPAddress("", "b@" + std::string(4600, 'x') + ".org"),
                            RecipientKind::Bcc);
         },
         "more than the 254"},
        {"a reply-to address in 8 bits",
         [](CKivSMTPMessage& m) { m.SetReplyTo(CKivSMTPAddress("", "j\xc3\xb6rg@example.org")); },
         "the reply-to address \"j\\xC3\\xB6rg@example.org\""},
        {"a sender without a domain", [](CKivSMTPMessage& m) { m.SetFrom(CKivSMTPAddress("me@")); },
         "the sender \"me@\": it has no domain"},
    };
    // The commands a server that takes everything saw of one session that sends the message.
    const auto send = [](const CKivSMTPMessage& message, std::uint32_t& error, std::string& what) {
        SmtpScript script;
        ScriptedServer server([&](Peer& peer) {
            script.Greet(peer);
            script.Serve(peer);
        });
        {
            CKivSMTPConnection session;
            session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
            try {
                session.SendMail(message);
            } catch (const CKivSMTPException& failure) {
                error = failure.TransportError();
                what = failure.what();
            }
        }
        server.Join();
        return script.commands;
    };
    for (const Case& c : cases) {
        CKivSMTPMessage message = SampleMessage();
        c.spoil(message);
        std::uint32_t error = 0;
        std::string what;
        EXPECT_EQ(send(message, error, what).size(), 2u) << c.what << ": only HELO and QUIT";
        EXPECT_EQ(error, OwnError(kAddressInvalid)) << c.what;
        EXPECT_THAT(what,
                    StartsWith("The message holds an address that is no valid mail address: "))
            << c.what;
        EXPECT_THAT(what, HasSubstr(c.named)) << c.what;
    }
    // The null reverse-path of a message without a sender is SMTP's own, and goes out.
    CKivSMTPMessage message = SampleMessage();
    message.SetFrom(CKivSMTPAddress());
    std::uint32_t error = 0;
    std::string what;
    const std::vector<std::string> commands = send(message, error, what);
    EXPECT_EQ(error, 0u) << what;
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[1], "MAIL FROM:<>\r\n");
}

TEST(Session, NtlmTokensTravelInBase64) {
    std::vector<std::string> seen;
    ScriptedServer server([&](Peer& peer) {
        SmtpScript script;
        script.Greet(peer);
        seen.push_back(peer.ReadLine());
        peer.Send("334 " + std::string("Y2hhbGxlbmdl") + "\r\n");  // "challenge"
        seen.push_back(peer.ReadLine());
        peer.Send("235 welcome\r\n");
        peer.ReadLine();
        peer.Send("334 " + std::string(20000, 'A') + "\r\n");
        script.Serve(peer);
    });
    CKivSMTPConnection session;
    session.Connect("127.0.0.1", AuthMethod::None, "", "", server.Port());
    const unsigned char first[] = {'N', 'T', 'L', 'M'};
    EXPECT_EQ(session.SendFirstToken(first, sizeof first), kNtlmOk);
    unsigned char challenge[12000];
    std::size_t length = 0;
    EXPECT_EQ(session.ReceiveChallenge(challenge, sizeof challenge, length), kNtlmOk);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(challenge), length), "challenge");
    EXPECT_EQ(session.SendResponse(first, 2), kNtlmOk);
    EXPECT_EQ(session.SendFirstToken(first, 1), kNtlmOk);
    EXPECT_EQ(session.ReceiveChallenge(challenge, sizeof challenge, length),
              kNtlmInsufficientMemory);
    session.Disconnect();
    server.Join();
    EXPECT_THAT(seen, ::testing::ElementsAre("AUTH NTLM TlRMTQ==\r\n", "TlQ=\r\n"));
}

}  // namespace
}  // namespace calvendra
