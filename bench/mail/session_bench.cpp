// One session sending many messages to a loopback SMTP sink: messages per second and MB/s.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "mail/smtp_connection.h"

namespace {

constexpr int kMessages = 200;
constexpr std::size_t kBodyBytes = 100 * 1024;

// A minimal SMTP server for one connection: answers every command, swallows message data in
// large reads, and counts the bytes it took.
class Sink {
public:
    Sink() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~Sink() {
        thread_.join();
        ::close(listener_);
    }
    int Port() const { return port_; }
    std::size_t DataBytes() const { return dataBytes_; }

private:
    void Reply(const char* text) {
        ::send(fd_, text, std::char_traits<char>::length(text), MSG_NOSIGNAL);
    }

    // Reads until the mark has gone by; returns false when the client closed.
    bool ReadPast(const std::string& mark, std::string* line, std::size_t* count) {
        std::string tail;
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::recv(fd_, buffer, line != nullptr ? 1 : sizeof buffer, 0);
            if (got <= 0) {
                return false;
            }
            if (count != nullptr) {
                *count += static_cast<std::size_t>(got);
            }
            if (line != nullptr) {
                *line += buffer[0];
            }
            tail.append(buffer, static_cast<std::size_t>(got));
            if (tail.find(mark) != std::string::npos) {
                return true;
            }
            if (tail.size() > mark.size()) {
                tail.erase(0, tail.size() - mark.size());
            }
        }
    }

    void Serve() {
        fd_ = ::accept(listener_, nullptr, nullptr);
        Reply("220 sink ready\r\n");
        for (;;) {
            std::string line;
            if (!ReadPast("\r\n", &line, nullptr)) {
                break;
            }
            if (line == "DATA\r\n") {
                Reply("354 go ahead\r\n");
                ReadPast("\r\n.\r\n", nullptr, &dataBytes_);
                Reply("250 queued\r\n");
            } else if (line == "QUIT\r\n") {
                Reply("221 bye\r\n");
                break;
            } else {
                Reply("250 ok\r\n");
            }
        }
        ::close(fd_);
    }

    int listener_ = -1;
    int fd_ = -1;
    int port_ = 0;
    std::size_t dataBytes_ = 0;
    std::thread thread_;
};

}  // namespace

int main() {
    using namespace calvendra;
    std::string body;
    while (body.size() < kBodyBytes) {
        body += "Reminder: the weekly meeting starts at 9:30 in room 4.\n.leading dot line\n";
    }
    body.resize(kBodyBytes);

    Sink sink;
    double seconds = 0;
    {
        CKivSMTPConnection session;
        session.Connect("127.0.0.1", AuthMethod::None, "", "", sink.Port());
        CKivSMTPMessage message;
        message.SetFrom(CKivSMTPAddress("Organizer <organizer@example.org>"));
        for (const char* to : {"ann@example.org", "bob@example.org", "carl@example.org"}) {
            message.AddRecipient(CKivSMTPAddress(to), RecipientKind::To);
        }
        message.SetSubject("Weekly meeting");
        message.SetBodyText(body);
        const auto start = std::chrono::steady_clock::now();
        for (int index = 0; index < kMessages; ++index) {
            session.SendMail(message);
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double megabytes = sink.DataBytes() / (1024.0 * 1024.0);
    std::printf("messages sent           %d of %zu KB body each, one session\n", kMessages,
                kBodyBytes / 1024);
    std::printf("time                    %.3f s\n", seconds);
    std::printf("messages per second     %.1f\n", kMessages / seconds);
    std::printf("message data            %.1f MB at %.1f MB/s\n", megabytes, megabytes / seconds);
    return 0;
}
