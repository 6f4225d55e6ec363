#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "mail/base64.h"
#include "mail/socket_errors.h"
#include "mail/wsocket.h"
#include "tests/mail/scripted_peer.h"

namespace calvendra {
namespace {

using namespace std::string_literals;
using test::Peer;
using test::ScriptedServer;

// A wait that is what a test is about: short, so that the test ends soon.
constexpr std::uint32_t kShortWaitMs = 300;
// A wait for a peer that answers at once: it runs out only when something is wrong, however
// busy the machine.
constexpr std::uint32_t kAmpleWaitMs = 60000;

// Runs the call and returns the error code it raised, or -1 when it raised nothing.
template <typename Call>
int ErrorOf(Call call) {
    try {
        call();
    } catch (const CWSocketException& failure) {
        return failure.ErrorCode();
    }
    return -1;
}

std::string ReadAll(CWSocket& socket, std::size_t count) {
    std::string bytes;
    char buffer[256];
    while (bytes.size() < count && socket.WaitReadable(kAmpleWaitMs)) {
        const int got = socket.Receive(buffer, std::min(sizeof buffer, count - bytes.size()));
        if (got <= 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

TEST(Socket, ConnectsSendsReceivesAndWaits) {
    std::string received;
    ScriptedServer server([&](Peer& peer) {
        received = peer.ReadLine();
        peer.Send("pong\r\n");
        peer.WaitForClose();
    });
    CWSocket socket;
    EXPECT_FALSE(socket.IsOpen());
    socket.Open();
    socket.Connect("127.0.0.1", server.Port(), kAmpleWaitMs);
    EXPECT_FALSE(socket.WaitReadable(0)) << "nothing was sent yet";
    EXPECT_EQ(socket.Send("ping\r\n"s), 6);
    EXPECT_EQ(ReadAll(socket, 6), "pong\r\n");
    socket.Close();
    EXPECT_FALSE(socket.IsOpen());
    server.Join();
    EXPECT_EQ(received, "ping\r\n");
}

TEST(Socket, ResolvesNamesAndReportsFailures) {
    ScriptedServer server([](Peer& peer) { peer.WaitForClose(); });
    CWSocket socket;
    socket.Open();
    socket.Bind(0, "localhost"s);
    socket.Connect("localhost", server.Port());
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ASSERT_EQ(::getsockname(socket.Handle(), reinterpret_cast<sockaddr*>(&local), &length), 0);
    EXPECT_EQ(ntohl(local.sin_addr.s_addr), INADDR_LOOPBACK);
    socket.Close();

    // A label longer than 63 bytes cannot be asked for, so no query leaves the machine.
    const std::string unknown = std::string(70, 'x') + ".invalid";
    CWSocket other;
    other.Open();
    EXPECT_EQ(ErrorOf([&] { other.Bind(0, unknown); }), kErrorBadLocalAddress);
    EXPECT_EQ(ErrorOf([&] { other.Connect(unknown, 25); }), kErrorHostNotFound);
    CWSocket refused;
    refused.Open();
    EXPECT_EQ(ErrorOf([&] { refused.Connect("127.0.0.1", test::UnusedPort(), kAmpleWaitMs); }),
              ECONNREFUSED);
    CWSocket closed;
    EXPECT_EQ(ErrorOf([&] { closed.Send("x"s); }), EBADF);
    EXPECT_EQ(ErrorOf([&] { closed.WaitReadable(60000); }), EBADF);
}

TEST(Socket, ConnectToAPeerThatNeverAnswersEndsAtTheTimeOut) {
    // A listener whose queue is full drops new connection requests: the connect hangs unanswered.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<CWSocket> fillers(4);
    for (CWSocket& filler : fillers) {
        filler.Open();
        ErrorOf([&] { filler.Connect("127.0.0.1", ntohs(address.sin_port), 200); });
    }
    CWSocket socket;
    socket.Open();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorOf([&] { socket.Connect("127.0.0.1", ntohs(address.sin_port), kShortWaitMs); }),
              kErrorTimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ::close(listener);
}

TEST(Socket, LargeSendArrivesWholeAndAClosedPeerRaisesInsteadOfKilling) {
    const std::string big(8 * 1024 * 1024, 'm');
    std::size_t received = 0;
    ScriptedServer server([&](Peer& peer) {
        std::string rest;
        peer.WaitForClose(&rest);
        received = rest.size();
    });
    CWSocket socket;
    socket.Open();
    socket.Connect("127.0.0.1", server.Port());
    EXPECT_EQ(socket.Send(big), static_cast<int>(big.size()));
    socket.Close();
    server.Join();
    EXPECT_EQ(received, big.size());

    ScriptedServer closing([](Peer& peer) { peer.Close(); });
    CWSocket writer;
    writer.Open();
    writer.Connect("127.0.0.1", closing.Port());
    closing.Join();
    const int code = ErrorOf([&] {
        for (int round = 0; round < 100; ++round) {
            writer.Send(big.data(), 65536);
        }
    });
    EXPECT_TRUE(code == EPIPE || code == ECONNRESET) << code;
}

TEST(Socket, ErrorTextsComeFromTheSystemAndEveryRowHasItsOwnCode) {
    const std::set<int> codes{kErrorBadLocalAddress,  kErrorTimedOut,     kErrorMethodNotOffered,
                              kErrorBadProxyResponse, kErrorBadParameter, kErrorProxyAuthRejected,
                              kErrorHttpProxyRefused, kErrorProxyClosed,  kErrorProxyReplyTooLong,
                              kErrorHostNotFound};
    EXPECT_EQ(codes.size(), 10u);
    char buffer[64];
    unsigned help = 7;
    EXPECT_TRUE(CWSocketException(ETIMEDOUT).GetErrorMessage(buffer, sizeof buffer, &help));
    EXPECT_STREQ(buffer, "Connection timed out");
    EXPECT_EQ(help, 0u);
    EXPECT_TRUE(CWSocketException(ECONNREFUSED).GetErrorMessage(buffer, 5));
    EXPECT_STREQ(buffer, "Conn");
    EXPECT_FALSE(CWSocketException(7777).GetErrorMessage(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
    errno = EADDRINUSE;
    EXPECT_EQ(CWSocketException().ErrorCode(), EADDRINUSE);
}

// ---- SOCKS 4 ----

TEST(Socks4, GrantedRequestLeavesTheServersFirstBytesInTheSocket) {
    std::string request;
    ScriptedServer proxy([&](Peer& peer) {
        request = peer.Read(9);
        peer.Send("\x00\x5a\x00\x00\x00\x00\x00\x00"s + "220 ready\r\n");
        peer.WaitForClose();
    });
    CWSocket socket;
    socket.Open();
    socket.ConnectThroughSocks4("10.1.2.3", 25, "127.0.0.1", proxy.Port(), kAmpleWaitMs);
    EXPECT_EQ(ReadAll(socket, 11), "220 ready\r\n");
    socket.Close();
    proxy.Join();
    EXPECT_EQ(request, "\x04\x01\x00\x19\x0a\x01\x02\x03\x00"s);
}

TEST(Socks4, RejectedRequestFailsAndClosesTheSocket) {
    ScriptedServer proxy([&](Peer& peer) {
        peer.Read(9);
        peer.SendInPieces("\x00\x5b\x00\x00\x00\x00\x00\x00"s, 3);
        peer.WaitForClose();
    });
    CWSocket socket;
    socket.Open();
    EXPECT_EQ(ErrorOf([&] {
                  socket.ConnectThroughSocks4("127.0.0.1", 25, "127.0.0.1", proxy.Port(),
                                              kAmpleWaitMs);
              }),
              kErrorBadProxyResponse);
    EXPECT_FALSE(socket.IsOpen());
}

// ---- SOCKS 5 ----

TEST(Socks5, MethodTwoWithoutUserNameIsRefusedAndTheSocketClosed) {
    std::string greeting;
    std::string after;
    bool closed = false;
    ScriptedServer proxy([&](Peer& peer) {
        greeting = peer.Read(3);
        peer.Send("\x05\x02"s);
        closed = peer.WaitForClose(&after);
    });
    CWSocket socket;
    socket.Open();
    EXPECT_EQ(ErrorOf([&] {
                  socket.ConnectThroughSocks5("mail.example.org", 25, "127.0.0.1", proxy.Port(),
                                              std::nullopt, std::nullopt, kAmpleWaitMs);
              }),
              kErrorMethodNotOffered);
    EXPECT_FALSE(socket.IsOpen());
    proxy.Join();
    EXPECT_EQ(greeting, "\x05\x01\x00"s);
    EXPECT_TRUE(closed);
    EXPECT_EQ(after, "");
}

TEST(Socks5, UserNameLoginAndADomainReplyInPieces) {
    std::string greeting;
    std::string login;
    std::string request;
    ScriptedServer proxy([&](Peer& peer) {
        greeting = peer.Read(4);
        peer.Send("\x05\x02"s);
        login = peer.Read(1 + 1 + 3 + 1 + 6);
        peer.Send("\x01\x00"s);
        request = peer.Read(7 + 16);
        // Bound address as a 20-byte domain name, sent in pieces; the greeting follows at once.
        const std::string reply = "\x05\x00\x00\x03\x14"s + "bound.proxy.example." + "\x04\x00"s;
        peer.SendInPieces(reply.substr(0, reply.size() - 3), 4);
        peer.Send(reply.substr(reply.size() - 3) + "220 via socks\r\n");
        peer.WaitForClose();
    });
    CWSocket socket;
    socket.Open();
    socket.ConnectThroughSocks5("mail.example.org", 587, "127.0.0.1", proxy.Port(), "ann"s,
                                "secret"s, kAmpleWaitMs);
    EXPECT_EQ(ReadAll(socket, 15), "220 via socks\r\n");
    socket.Close();
    proxy.Join();
    EXPECT_EQ(greeting, "\x05\x02\x00\x02"s);
    EXPECT_EQ(login, "\x01\x03"s + "ann" + "\x06" + "secret");
    EXPECT_EQ(request, "\x05\x01\x00\x03\x10"s + "mail.example.org" + "\x02\x4b"s);
}

TEST(Socks5, Ipv4RequestAndFailures) {
    struct Case {
        std::string methodReply;
        std::string authAnswer;
        std::string reply;
        int expected;
    };
    const Case cases[] = {
        {"\x05\x00"s, "", "\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x19"s, -1},
        // A proxy that reaches the server over IPv6 names its bound address in 16 bytes.
        {"\x05\x00"s, "", "\x05\x00\x00\x04"s + std::string(18, '\0'), -1},
        {"\x05\x00"s, "", "\x05\x05\x00\x01\x7f\x00\x00\x01\x00\x19"s, kErrorBadProxyResponse},
        // An address type the protocol does not have is the proxy's fault, not a name's length.
        {"\x05\x00"s, "", "\x05\x00\x00\x07"s + std::string(18, '\0'), kErrorBadProxyResponse},
        {"\x05\x02"s, "\x01\x01"s, "", kErrorProxyAuthRejected},
        {"\x05\x01"s, "", "", kErrorMethodNotOffered},
        {"\x05\x00"s, "", "\x05\x00\x00\x01\x7f"s, kErrorProxyClosed},
        // A proxy that accepts none of the methods offered refuses the login.
        {"\x05\xff"s, "", "", kErrorProxyAuthRejected},
        // Garbled replies: a wrong version byte in the method choice or in the reply.
        {"\x04\x00"s, "", "", kErrorBadProxyResponse},
        {"HT"s, "", "", kErrorBadProxyResponse},
        {"\x05\x00"s, "", "\x00\x5a\x00\x01\x7f\x00\x00\x01\x00\x19"s, kErrorBadProxyResponse},
    };
    for (const Case& c : cases) {
        std::string request;
        ScriptedServer proxy([&](Peer& peer) {
            peer.Read(4);
            peer.Send(c.methodReply);
            if (!c.authAnswer.empty()) {
                peer.Read(1 + 1 + 1 + 1);
                peer.Send(c.authAnswer);
                return;
            }
            if (c.reply.empty()) {
                return;
            }
            request = peer.Read(10);
            peer.Send(c.reply);
            if (c.expected != kErrorProxyClosed) {
                peer.WaitForClose();
            }
        });
        CWSocket socket;
        socket.Open();
        EXPECT_EQ(ErrorOf([&] {
                      socket.ConnectThroughSocks5("192.168.7.9", 25, "127.0.0.1", proxy.Port(),
                                                  "u"s, ""s, kAmpleWaitMs);
                  }),
                  c.expected);
        EXPECT_EQ(socket.IsOpen(), c.expected == -1);
        socket.Close();
        proxy.Join();
        if (!c.reply.empty()) {
            EXPECT_EQ(request, "\x05\x01\x00\x01\xc0\xa8\x07\x09\x00\x19"s);
        }
    }
}

TEST(Socks5, NameOf256BytesIsRefusedAfterOnlyTheGreeting) {
    std::string sent;
    ScriptedServer proxy([&](Peer& peer) {
        sent = peer.Read(3);
        peer.Send("\x05\x00"s);
        peer.WaitForClose(&sent);
    });
    CWSocket socket;
    socket.Open();
    EXPECT_EQ(ErrorOf([&] {
                  socket.ConnectThroughSocks5(std::string(256, 'h'), 25, "127.0.0.1", proxy.Port(),
                                              std::nullopt, std::nullopt, kAmpleWaitMs);
              }),
              kErrorBadParameter);
    proxy.Join();
    EXPECT_EQ(sent, "\x05\x01\x00"s);
}

TEST(Socks5, SilentProxyTimesOutAndAClosingOneFailsAtOnce) {
    ScriptedServer silent([](Peer& peer) { peer.WaitForClose(); });
    CWSocket socket;
    socket.Open();
    EXPECT_EQ(ErrorOf([&] {
                  socket.ConnectThroughSocks5("a.example", 25, "127.0.0.1", silent.Port(),
                                              std::nullopt, std::nullopt, kShortWaitMs);
              }),
              kErrorTimedOut);
    silent.Join();

    ScriptedServer closing([](Peer& peer) {
        peer.Read(3);
        peer.Send("\x05"s);
    });
    socket.Open();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorOf([&] {
                  socket.ConnectThroughSocks5("a.example", 25, "127.0.0.1", closing.Port(),
                                              std::nullopt, std::nullopt, 60000);
              }),
              kErrorProxyClosed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// ---- HTTP proxy ----

TEST(HttpProxy, SendsTheRequestAndAccepts200) {
    std::string request;
    ScriptedServer proxy([&](Peer& peer) {
        request = peer.ReadUntil("\r\n\r\n");
        peer.Send("HTTP/1.1 200 Connection established\r\nVia: x\r\n\r\n220 hello\r\n");
        peer.WaitForClose();
    });
    CWSocket socket;
    socket.Open();
    std::string reply;
    socket.ConnectThroughHttpProxy("mail.example.org", 25, "127.0.0.1", proxy.Port(), reply, "ann"s,
                                   "pw"s, kAmpleWaitMs, "Calvendra\r\nX-Injected: 1"s);
    EXPECT_EQ(reply, "HTTP/1.1 200 Connection established\r\nVia: x\r\n\r\n");
    EXPECT_EQ(ReadAll(socket, 11), "220 hello\r\n");
    socket.Close();
    proxy.Join();
    EXPECT_EQ(request,
              "CONNECT mail.example.org:25 HTTP/1.0\r\n"
              "Proxy-authorization: Basic " +
                  Base64Flat("ann:pw") +
                  "\r\n"
                  "User-Agent: Calvendra  X-Injected: 1\r\n\r\n");
}

TEST(HttpProxy, OnlyAStatusLineWith200OpensTheTunnel) {
    struct Case {
        std::string reply;
        int expected;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 Connection established\r\n\r\n", -1},
        {"HTTP/1.0 200\r\n\r\n", -1},
        {"HTTP/1.0 407 Proxy Authentication Required\r\n\r\n", kErrorProxyAuthRejected},
        {"HTTP/1.1 403 Forbidden\r\n\r\n", kErrorHttpProxyRefused},
        {"HTTP/1.0 502 Bad Gateway\r\nX: 200\r\n\r\n", kErrorHttpProxyRefused},
        // Anything else is no HTTP status line at all, whatever digits it holds.
        {"HTTP/1.1200OK\r\n\r\n", kErrorBadProxyResponse},
        {"OK200\r\n\r\n", kErrorBadProxyResponse},
        {"HTTP/1.0 2000 no\r\n\r\n", kErrorBadProxyResponse},
        {"HTTP/1.0 x\r\n\r\n", kErrorBadProxyResponse},
        {"HTTP/2 200 ok\r\n\r\n", kErrorBadProxyResponse},
        {"SSH-2.0-OpenSSH_9.2 200\r\n\r\n", kErrorBadProxyResponse},
        {"\r\nHTTP/1.1 200 OK\r\n\r\n", kErrorBadProxyResponse},
        // Lines ended by LF alone are read as HTTP allows, at once rather than at the time-out.
        {"HTTP/1.1 200 Connection established\n\n", -1},
        {"HTTP/1.0 200 OK\r\nVia: x\n\n", -1},
        {"HTTP/1.0 403 Forbidden\nVia: x\n\n", kErrorHttpProxyRefused},
        {"HTTP/1.0 407 Who are you\n\n", kErrorProxyAuthRejected},
        {"junk\n\n", kErrorBadProxyResponse},
    };
    for (const Case& c : cases) {
        std::string request;
        ScriptedServer proxy([&](Peer& peer) {
            request = peer.ReadUntil("\r\n\r\n");
            peer.Send(c.reply);
            peer.WaitForClose();
        });
        CWSocket socket;
        socket.Open();
        std::string reply;
        EXPECT_EQ(ErrorOf([&] {
                      socket.ConnectThroughHttpProxy("h", 25, "127.0.0.1", proxy.Port(), reply,
                                                     std::nullopt, std::nullopt, kAmpleWaitMs);
                  }),
                  c.expected)
            << c.reply;
        EXPECT_EQ(socket.IsOpen(), c.expected == -1);
        socket.Close();
        proxy.Join();
        EXPECT_EQ(request, "CONNECT h:25 HTTP/1.0\r\n\r\n");
    }
}

// The server's first bytes right behind a header of bare LF line ends stay for the session.
TEST(HttpProxy, AHeaderWithBareLineFeedsEndsAtItsEmptyLine) {
    ScriptedServer proxy([&](Peer& peer) {
        peer.ReadUntil("\r\n\r\n");
        peer.Send("HTTP/1.0 200 OK\nVia: x\n\n220 hello\r\n");
        peer.WaitForClose();
    });
    CWSocket socket;
    socket.Open();
    std::string reply;
    socket.ConnectThroughHttpProxy("h", 25, "127.0.0.1", proxy.Port(), reply, std::nullopt,
                                   std::nullopt, 60000);
    EXPECT_EQ(reply, "HTTP/1.0 200 OK\nVia: x\n\n");
    EXPECT_EQ(ReadAll(socket, 11), "220 hello\r\n");
    socket.Close();
    proxy.Join();
}

// A proxy that sends its reply one byte a second fails at the time-out, which bounds the whole
// reply.
TEST(HttpProxy, ASlowReplyFailsAtTheTimeOut) {
    std::atomic<bool> done{false};
    ScriptedServer proxy([&](Peer& peer) {
        peer.ReadUntil("\r\n\r\n");
        const std::string reply = "HTTP/1.1 200 " + std::string(40, 'o') + "\r\n\r\n";
        for (std::size_t index = 0; index < reply.size() && !done; ++index) {
            peer.Send(reply.substr(index, 1));
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    });
    CWSocket socket;
    socket.Open();
    std::string reply;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorOf([&] {
                  socket.ConnectThroughHttpProxy("h", 25, "127.0.0.1", proxy.Port(), reply,
                                                 std::nullopt, std::nullopt, 2000);
              }),
              kErrorTimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    done = true;
}

TEST(HttpProxy, LongReplyHeaderIsReadWholeAndAnEndlessOneIsCut) {
    const std::string header =
        "HTTP/1.1 200 OK\r\nX-Padding: " + std::string(9000, 'p') + "\r\n\r\n";
    ScriptedServer proxy([&](Peer& peer) {
        peer.ReadUntil("\r\n\r\n");
        peer.Send(header + "220 x\r\n");
        peer.WaitForClose();
    });
    CWSocket socket;
    socket.Open();
    std::string reply;
    socket.ConnectThroughHttpProxy("h", 25, "127.0.0.1", proxy.Port(), reply, std::nullopt,
                                   std::nullopt, kAmpleWaitMs);
    EXPECT_EQ(reply, header);
    EXPECT_EQ(ReadAll(socket, 7), "220 x\r\n");
    socket.Close();
    proxy.Join();

    ScriptedServer endless([&](Peer& peer) {
        peer.ReadUntil("\r\n\r\n");
        peer.Send("HTTP/1.1 200 OK\r\n" + std::string(CWSocket::kMaxProxyReplyBytes + 10, 'e'));
        peer.WaitForClose();
    });
    socket.Open();
    EXPECT_EQ(ErrorOf([&] {
                  socket.ConnectThroughHttpProxy("h", 25, "127.0.0.1", endless.Port(), reply,
                                                 std::nullopt, std::nullopt, kAmpleWaitMs);
              }),
              kErrorProxyReplyTooLong);
}

}  // namespace
}  // namespace calvendra
