#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "mail/wsocket_exception.h"

namespace calvendra {

// One blocking IPv4 socket: open, bind, connect directly or through a SOCKS 4, SOCKS 5 or HTTP
// proxy, send, receive, wait for readability, close. Every failure throws CWSocketException with
// an errno value (socket_errors.h lists the layer's own ones).
class CWSocket {
public:
    CWSocket() = default;
    virtual ~CWSocket();
    CWSocket(const CWSocket&) = delete;
    CWSocket& operator=(const CWSocket&) = delete;

    bool IsOpen() const { return handle_ >= 0; }
    int Handle() const { return handle_; }

    // A stream socket, or a datagram socket when asked; closes one that is still open first.
    void Open(bool datagram = false);

    // Binds to the port and to the local address (dotted IPv4 text or a host name), or to any
    // local address when none is given.
    void Bind(std::uint16_t port, const std::optional<std::string>& localAddress = std::nullopt);

    // Connects to the host (dotted IPv4 text, else looked up by name, first address). With a
    // time-out other than 0 the attempt ends with ETIMEDOUT when it has not succeeded by then.
    void Connect(const std::string& host, std::uint16_t port, std::uint32_t timeoutMs = 0);

    // Sends the whole buffer, however many pieces the kernel takes it in; returns its length. A
    // peer that has gone away raises an error, never a SIGPIPE; one that takes nothing for the
    // send time-out raises ETIMEDOUT.
    int Send(const void* data, std::size_t length, int flags = 0);
    int Send(const std::string& data) { return Send(data.data(), data.size()); }

    // One receive of at most length bytes; 0 means the peer closed the connection.
    int Receive(void* buffer, std::size_t length, int flags = 0);

    // True when a receive would not block (data, or the peer's close) within the time-out.
    bool WaitReadable(std::uint32_t timeoutMs);

    // How long a send may wait for the peer to take any data before it fails (the open socket's
    // SO_SNDTIMEO); without it a peer that stops reading holds a send for ever.
    void SetSendTimeout(std::uint32_t timeoutMs);

    void Close();

    // Ends the use of the socket from another thread: the connection is shut down, so that a
    // wait, send or receive in progress ends at once (the peer seems to have closed), and Open
    // fails with kErrorAborted from now on. The socket stays open until its user closes it.
    void Abort();
    bool IsAborted() const { return aborted_; }

    // The proxy connects: each first connects to the proxy (bounded by the time-out), then waits at
    // most timeoutMs for each whole reply of the proxy, however slowly its bytes come. Any failure
    // closes the socket. No byte beyond the proxy's own reply is read, so what the server sends
    // next stays in the socket. A reply that breaks the proxy's protocol fails with
    // kErrorBadProxyResponse, a refused login with kErrorProxyAuthRejected (socket_errors.h).
    void ConnectThroughSocks4(const std::string& host, std::uint16_t port,
                              const std::string& proxyHost, std::uint16_t proxyPort,
                              std::uint32_t timeoutMs);
    void ConnectThroughSocks5(const std::string& host, std::uint16_t port,
                              const std::string& proxyHost, std::uint16_t proxyPort,
                              const std::optional<std::string>& user,
                              const std::optional<std::string>& password, std::uint32_t timeoutMs,
                              bool datagramAssociation = false);
    // The proxy's reply header comes back in proxyReply.
    void ConnectThroughHttpProxy(const std::string& host, std::uint16_t port,
                                 const std::string& proxyHost, std::uint16_t proxyPort,
                                 std::string& proxyReply, const std::optional<std::string>& user,
                                 const std::optional<std::string>& password,
                                 std::uint32_t timeoutMs,
                                 const std::optional<std::string>& userAgent = std::nullopt);

    // The longest HTTP proxy reply header taken before the attempt fails.
    static constexpr std::size_t kMaxProxyReplyBytes = 64 * 1024;

private:
    template <typename Steps>
    void ThroughProxy(const std::string& proxyHost, std::uint16_t proxyPort,
                      std::uint32_t timeoutMs, Steps steps);
    // Receives exactly count bytes by the deadline.
    void ReceiveOwed(unsigned char* buffer, std::size_t count,
                     std::chrono::steady_clock::time_point deadline);

    int handle_ = -1;
    // Guards the handle's opening and closing against Abort from another thread.
    std::mutex handleLock_;
    std::atomic<bool> aborted_{false};
};

}  // namespace calvendra
