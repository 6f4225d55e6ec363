#include "mail/wsocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <vector>

#include "mail/base64.h"
#include "mail/header_text.h"
#include "mail/socket_errors.h"
#include "mail/socket_wait.h"

namespace calvendra {

namespace {

using Clock = SocketClock;

// The IPv4 address of dotted text, else of the first address a name lookup gives.
in_addr ResolveIpv4(const std::string& host, int lookupFailure) {
    in_addr address{};
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1) {
        return address;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (status != 0 || found == nullptr) {
        if (status == EAI_SYSTEM && errno != 0) {
            throw CWSocketException(errno);
        }
        throw CWSocketException(status == EAI_MEMORY  ? ENOMEM
                                : status == EAI_AGAIN ? EAGAIN
                                                      : lookupFailure);
    }
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return address;
}

sockaddr_in SocketAddress(in_addr address, std::uint16_t port) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(port);
    socketAddress.sin_addr = address;
    return socketAddress;
}

Clock::time_point Deadline(std::uint32_t timeoutMs) {
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The status code of an HTTP reply whose status line reads "HTTP/1.x NNN", followed by a space or
// the line's end; -1 for any other first line.
int HttpStatus(const std::string& reply) {
    std::string_view line = std::string_view(reply).substr(0, reply.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.size() < 12 || line.compare(0, 7, "HTTP/1.") != 0 || !IsDigit(line[7]) ||
        line[8] != ' ' || !IsDigit(line[9]) || !IsDigit(line[10]) || !IsDigit(line[11]) ||
        (line.size() > 12 && line[12] != ' ')) {
        return -1;
    }
    return (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
}

void AppendPort(std::vector<unsigned char>& out, std::uint16_t port) {
    out.push_back(static_cast<unsigned char>(port >> 8));
    out.push_back(static_cast<unsigned char>(port & 0xFF));
}

void AppendAddress(std::vector<unsigned char>& out, in_addr address) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&address.s_addr);
    out.insert(out.end(), bytes, bytes + 4);
}

}  // namespace

CWSocket::~CWSocket() {
    Close();
}

void CWSocket::Open(bool datagram) {
    Close();
    const std::lock_guard<std::mutex> lock(handleLock_);
    if (aborted_) {
        throw CWSocketException(kErrorAborted);
    }
    handle_ = ::socket(AF_INET, (datagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0);
    if (handle_ < 0) {
        throw CWSocketException();
    }
    if (!datagram) {
        // Every send is a whole command or block followed by a wait for the reply: holding back a
        // short last piece until the previous one is acknowledged would only add delay.
        const int on = 1;
        ::setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
}

void CWSocket::Bind(std::uint16_t port, const std::optional<std::string>& localAddress) {
    in_addr address{};
    address.s_addr = htonl(INADDR_ANY);
    if (localAddress) {
        address = ResolveIpv4(*localAddress, kErrorBadLocalAddress);
    }
    const sockaddr_in socketAddress = SocketAddress(address, port);
    if (::bind(handle_, reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress) !=
        0) {
        throw CWSocketException();
    }
}

void CWSocket::Connect(const std::string& host, std::uint16_t port, std::uint32_t timeoutMs) {
    const sockaddr_in target = SocketAddress(ResolveIpv4(host, kErrorHostNotFound), port);
    const auto* address = reinterpret_cast<const sockaddr*>(&target);
    // Connect without blocking and wait for the result, so that with a time-out a host that never
    // answers costs that time and not the system's minutes of retries.
    const int flags = ::fcntl(handle_, F_GETFL);
    if (flags < 0 || ::fcntl(handle_, F_SETFL, flags | O_NONBLOCK) != 0) {
        throw CWSocketException();
    }
    const auto deadline = timeoutMs == 0 ? Clock::time_point::max()
                                         : Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (::connect(handle_, address, sizeof target) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            throw CWSocketException();
        }
        if (!PollUntil(handle_, POLLOUT, deadline)) {
            throw CWSocketException(kErrorTimedOut);
        }
    }
    if (::fcntl(handle_, F_SETFL, flags) != 0) {
        throw CWSocketException();
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(handle_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        throw CWSocketException();
    }
    if (error != 0) {
        throw CWSocketException(error);
    }
}

int CWSocket::Send(const void* data, std::size_t length, int flags) {
    const auto* bytes = static_cast<const char*>(data);
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t done = ::send(handle_, bytes + sent, length - sent, flags | MSG_NOSIGNAL);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                throw CWSocketException(kErrorTimedOut);  // the send time-out ran out
            }
            throw CWSocketException();
        }
        sent += static_cast<std::size_t>(done);
    }
    return static_cast<int>(std::min<std::size_t>(sent, INT32_MAX));
}

int CWSocket::Receive(void* buffer, std::size_t length, int flags) {
    for (;;) {
        const ssize_t got = ::recv(handle_, buffer, length, flags);
        if (got >= 0) {
            return static_cast<int>(got);
        }
        if (errno != EINTR) {
            throw CWSocketException();
        }
    }
}

bool CWSocket::WaitReadable(std::uint32_t timeoutMs) {
    if (handle_ < 0) {
        throw CWSocketException(EBADF);  // poll would ignore the handle and wait out the time
    }
    // Readable also when the peer closed or the socket has an error: the receive then says which.
    return PollUntil(handle_, POLLIN, Clock::now() + std::chrono::milliseconds(timeoutMs));
}

void CWSocket::SetSendTimeout(std::uint32_t timeoutMs) {
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(timeoutMs / 1000);
    limit.tv_usec = static_cast<suseconds_t>((timeoutMs % 1000) * 1000);
    if (::setsockopt(handle_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) {
        throw CWSocketException();
    }
}

void CWSocket::Close() {
    const std::lock_guard<std::mutex> lock(handleLock_);
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
    }
}

void CWSocket::Abort() {
    const std::lock_guard<std::mutex> lock(handleLock_);
    aborted_ = true;
    if (handle_ >= 0) {
        // Wakes every wait on the socket, a connect in progress included; the handle itself stays
        // the using thread's to close.
        ::shutdown(handle_, SHUT_RDWR);
    }
}

template <typename Steps>
void CWSocket::ThroughProxy(const std::string& proxyHost, std::uint16_t proxyPort,
                            std::uint32_t timeoutMs, Steps steps) {
    try {
        Connect(proxyHost, proxyPort, timeoutMs);
        steps();
    } catch (const CWSocketException& failure) {
        Close();
        throw CWSocketException(failure.ErrorCode());
    }
}

void CWSocket::ReceiveOwed(unsigned char* buffer, std::size_t count,
                           std::chrono::steady_clock::time_point deadline) {
    std::size_t received = 0;
    while (received < count) {
        if (handle_ < 0) {
            throw CWSocketException(EBADF);
        }
        if (!PollUntil(handle_, POLLIN, deadline)) {
            throw CWSocketException(kErrorTimedOut);
        }
        const int got = Receive(buffer + received, count - received);
        if (got == 0) {
            throw CWSocketException(kErrorProxyClosed);
        }
        received += static_cast<std::size_t>(got);
    }
}

void CWSocket::ConnectThroughSocks4(const std::string& host, std::uint16_t port,
                                    const std::string& proxyHost, std::uint16_t proxyPort,
                                    std::uint32_t timeoutMs) {
    ThroughProxy(proxyHost, proxyPort, timeoutMs, [&] {
        const in_addr destination = ResolveIpv4(host, kErrorHostNotFound);
        std::vector<unsigned char> request{4, 1};
        AppendPort(request, port);
        AppendAddress(request, destination);
        request.push_back(0);  // empty user id
        Send(request.data(), request.size());
        unsigned char reply[8];
        ReceiveOwed(reply, sizeof reply, Deadline(timeoutMs));
        if (reply[0] != 0 || reply[1] != 90) {
            throw CWSocketException(kErrorBadProxyResponse);
        }
    });
}

void CWSocket::ConnectThroughSocks5(const std::string& host, std::uint16_t port,
                                    const std::string& proxyHost, std::uint16_t proxyPort,
                                    const std::optional<std::string>& user,
                                    const std::optional<std::string>& password,
                                    std::uint32_t timeoutMs, bool datagramAssociation) {
    ThroughProxy(proxyHost, proxyPort, timeoutMs, [&] {
        const bool withUser = user.has_value();
        const std::vector<unsigned char> greeting =
            withUser ? std::vector<unsigned char>{5, 2, 0, 2} : std::vector<unsigned char>{5, 1, 0};
        Send(greeting.data(), greeting.size());
        unsigned char choice[2];
        ReceiveOwed(choice, sizeof choice, Deadline(timeoutMs));
        if (choice[0] != 5) {
            throw CWSocketException(kErrorBadProxyResponse);
        }
        if (choice[1] == 0xFF) {
            throw CWSocketException(kErrorProxyAuthRejected);  // none of our methods will do
        }
        if (choice[1] == 2 && withUser) {
            const std::string secret = password.value_or(std::string());
            if (user->size() > 255 || secret.size() > 255) {
                throw CWSocketException(kErrorBadParameter);
            }
            std::vector<unsigned char> login{1, static_cast<unsigned char>(user->size())};
            login.insert(login.end(), user->begin(), user->end());
            login.push_back(static_cast<unsigned char>(secret.size()));
            login.insert(login.end(), secret.begin(), secret.end());
            Send(login.data(), login.size());
            unsigned char answer[2];
            ReceiveOwed(answer, sizeof answer, Deadline(timeoutMs));
            if (answer[1] != 0) {
                throw CWSocketException(kErrorProxyAuthRejected);
            }
        } else if (choice[1] != 0) {
            throw CWSocketException(kErrorMethodNotOffered);
        }

        const unsigned char command = datagramAssociation ? 3 : 1;
        std::vector<unsigned char> request{5, command, 0};
        in_addr address{};
        if (::inet_pton(AF_INET, host.c_str(), &address) == 1) {
            request.push_back(1);
            AppendAddress(request, address);
        } else {
            if (host.size() > 255) {
                throw CWSocketException(kErrorBadParameter);
            }
            request.push_back(3);
            request.push_back(static_cast<unsigned char>(host.size()));
            request.insert(request.end(), host.begin(), host.end());
        }
        AppendPort(request, port);
        Send(request.data(), request.size());

        // Version, reply code, reserved, address type, then an address whose length the type
        // gives: only the bytes still owed are asked for, all within one time-out.
        const auto deadline = Deadline(timeoutMs);
        unsigned char reply[262];
        ReceiveOwed(reply, 4, deadline);
        if (reply[0] != 5) {
            throw CWSocketException(kErrorBadProxyResponse);
        }
        std::size_t have = 4;
        std::size_t total = 0;
        if (reply[3] == 1) {
            total = 4 + 4 + 2;
        } else if (reply[3] == 4) {
            total = 4 + 16 + 2;  // a proxy that reaches the server over IPv6
        } else if (reply[3] == 3) {
            ReceiveOwed(reply + 4, 1, deadline);
            have = 5;
            total = 5 + std::size_t{reply[4]} + 2;
        } else {
            throw CWSocketException(kErrorBadProxyResponse);  // no address type of the protocol
        }
        ReceiveOwed(reply + have, total - have, deadline);
        if (reply[1] != 0) {
            throw CWSocketException(kErrorBadProxyResponse);
        }
    });
}

void CWSocket::ConnectThroughHttpProxy(const std::string& host, std::uint16_t port,
                                       const std::string& proxyHost, std::uint16_t proxyPort,
                                       std::string& proxyReply,
                                       const std::optional<std::string>& user,
                                       const std::optional<std::string>& password,
                                       std::uint32_t timeoutMs,
                                       const std::optional<std::string>& userAgent) {
    ThroughProxy(proxyHost, proxyPort, timeoutMs, [&] {
        std::string request =
            "CONNECT " + SingleLine(host) + ":" + std::to_string(port) + " HTTP/1.0\r\n";
        if (user) {
            request += "Proxy-authorization: Basic " +
                       Base64Flat(*user + ":" + password.value_or(std::string())) + "\r\n";
        }
        if (userAgent) {
            request += "User-Agent: " + SingleLine(*userAgent) + "\r\n";
        }
        request += "\r\n";
        Send(request);

        // One byte at a time: the server's first bytes may follow the header in the same packet.
        // The header ends with an empty line; a proxy may end its lines with LF alone, which HTTP
        // allows a reader to take (RFC 9112, 2.2).
        const auto deadline = Deadline(timeoutMs);
        proxyReply.clear();
        proxyReply.reserve(4096);
        const auto headerEnded = [&] {
            const std::size_t size = proxyReply.size();
            return (size >= 2 && proxyReply.compare(size - 2, 2, "\n\n") == 0) ||
                   (size >= 3 && proxyReply.compare(size - 3, 3, "\n\r\n") == 0);
        };
        while (!headerEnded()) {
            if (proxyReply.size() >= kMaxProxyReplyBytes) {
                throw CWSocketException(kErrorProxyReplyTooLong);
            }
            unsigned char byte = 0;
            ReceiveOwed(&byte, 1, deadline);
            proxyReply += static_cast<char>(byte);
        }
        const int status = HttpStatus(proxyReply);
        if (status < 0) {
            throw CWSocketException(kErrorBadProxyResponse);
        }
        if (status == 407) {
            throw CWSocketException(kErrorProxyAuthRejected);
        }
        if (status != 200) {
            throw CWSocketException(kErrorHttpProxyRefused);
        }
    });
}

}  // namespace calvendra
