#include "tests/mail/scripted_peer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <vector>

namespace calvendra::test {

namespace {

// How long a peer waits for the client's next bytes, or for a client to come: only a client that
// went wrong takes that long, so it is ample for a loaded machine.
constexpr int kReadWaitMs = 60000;

}  // namespace

void Peer::Send(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t done = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (done <= 0) {
            return;  // the client went away; the test's own checks say whether that was expected
        }
        sent += static_cast<std::size_t>(done);
    }
}

void Peer::SendInPieces(const std::string& bytes, std::size_t pieceSize) {
    for (std::size_t start = 0; start < bytes.size(); start += pieceSize) {
        Send(bytes.substr(start, pieceSize));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool Peer::ReadByte(char& byte) {
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, kReadWaitMs) <= 0) {
        return false;
    }
    return ::recv(fd_, &byte, 1, 0) == 1;
}

std::string Peer::Read(std::size_t count) {
    std::string bytes;
    char byte = 0;
    while (bytes.size() < count && ReadByte(byte)) {
        bytes += byte;
    }
    return bytes;
}

std::string Peer::ReadLine() {
    return ReadUntil("\r\n");
}

std::string Peer::ReadUntil(const std::string& mark) {
    std::string bytes;
    char byte = 0;
    while ((bytes.size() < mark.size() ||
            bytes.compare(bytes.size() - mark.size(), mark.size(), mark) != 0) &&
           ReadByte(byte)) {
        bytes += byte;
    }
    return bytes;
}

bool Peer::WaitForClose(std::string* rest) {
    char buffer[4096];
    for (;;) {
        pollfd entry{fd_, POLLIN, 0};
        if (::poll(&entry, 1, kReadWaitMs) <= 0) {
            return false;
        }
        const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return true;
        }
        if (rest != nullptr) {
            rest->append(buffer, static_cast<std::size_t>(got));
        }
    }
}

void Peer::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

ScriptedServer::ScriptedServer(Script script, int connections) {
    listener_ = ListenOnLoopback(port_);
    thread_ = std::thread([this, script = std::move(script), connections] {
        std::vector<std::thread> scripts;
        for (int index = 0; index < connections && listener_ >= 0; ++index) {
            pollfd entry{listener_, POLLIN, 0};
            if (::poll(&entry, 1, kReadWaitMs) <= 0) {
                break;  // nobody came; the test's own checks tell
            }
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                break;
            }
            scripts.emplace_back([fd, &script] {
                Peer peer(fd);
                script(peer);
                peer.Close();
            });
        }
        for (std::thread& running : scripts) {
            running.join();
        }
    });
}

void ScriptedServer::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

ScriptedServer::~ScriptedServer() {
    Join();
    if (listener_ >= 0) {
        ::close(listener_);
    }
}

int ListenOnLoopback(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ADD_FAILURE() << "cannot listen on 127.0.0.1: " << std::strerror(errno);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

std::uint16_t UnusedPort() {
    std::uint16_t port = 0;
    const int fd = ListenOnLoopback(port);
    ::close(fd);
    return port;
}

}  // namespace calvendra::test
