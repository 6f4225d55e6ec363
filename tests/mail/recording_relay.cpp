#include "tests/mail/recording_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace calvendra::test {

namespace {

constexpr int kPollMs = 50;

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

}  // namespace

RecordingRelay::RecordingRelay(std::uint16_t serverPort) : serverPort_(serverPort) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
        while (!stopping_) {
            pollfd entry{listener_, POLLIN, 0};
            if (::poll(&entry, 1, kPollMs) <= 0) {
                continue;
            }
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                Relay(client);
                ::close(client);
            }
        }
    });
}

RecordingRelay::~RecordingRelay() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listener_ >= 0) {
        ::close(listener_);
    }
}

void RecordingRelay::Relay(int client) {
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(serverPort_);
    if (server < 0 ||
        ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (server >= 0) {
            ::close(server);
        }
        return;
    }
    char buffer[16384];
    bool open = true;
    while (open && !stopping_) {
        pollfd entries[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (::poll(entries, 2, kPollMs) <= 0) {
            continue;
        }
        for (int side = 0; side < 2 && open; ++side) {
            if (entries[side].revents == 0) {
                continue;
            }
            const int from = side == 0 ? client : server;
            const int to = side == 0 ? server : client;
            const ssize_t got = ::recv(from, buffer, sizeof buffer, 0);
            if (got <= 0) {
                open = false;
                break;
            }
            if (side == 0) {
                const std::lock_guard<std::mutex> guard(lock_);
                clientBytes_.append(buffer, static_cast<std::size_t>(got));
            }
            for (ssize_t sent = 0; sent < got;) {
                const ssize_t done = ::send(to, buffer + sent, got - sent, MSG_NOSIGNAL);
                if (done <= 0) {
                    open = false;
                    break;
                }
                sent += done;
            }
        }
    }
    ::close(server);
}

std::string RecordingRelay::ClientBytes() const {
    const std::lock_guard<std::mutex> guard(lock_);
    return clientBytes_;
}

}  // namespace calvendra::test
