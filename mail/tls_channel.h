#pragma once

#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>

// OpenSSL's types, so that users of the channel need not see its headers.
typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;
typedef struct bio_st BIO;

namespace calvendra {

// A TLS failure: the handshake, the server's certificate, or the secured connection afterwards.
// The text is OpenSSL's reason ("wrong version number", "hostname mismatch").
class TlsError : public std::runtime_error {
public:
    enum class Kind { Handshake, Certificate, Connection };

    TlsError(Kind kind, const std::string& reason) : std::runtime_error(reason), kind_(kind) {}

    Kind GetKind() const { return kind_; }

private:
    Kind kind_;
};

// The client's side of TLS (OpenSSL) over a connected socket. OpenSSL works on memory buffers
// only; the channel moves the bytes between them and the socket itself, waiting with poll, so that
// every handshake, send and receive ends by its deadline however the server behaves (a partial
// record that never completes included), and a server that has gone away fails a send rather than
// raising SIGPIPE.
//
// The server's certificate must chain to a CA of the system's store (OpenSSL's default paths), or
// of the extra CA file when one is given, and must name the host the caller connected to (a DNS
// name, with SNI, or an IP address). TLS 1.2 is the oldest version accepted. Nothing here falls
// back to clear text: a failure is raised, and the caller ends the connection.
class TlsChannel {
public:
    using Clock = std::chrono::steady_clock;

    // Runs the handshake over the socket by the deadline. Raises TlsError when it fails,
    // CWSocketException for a failing socket (ETIMEDOUT when the deadline passes).
    TlsChannel(int socketHandle, const std::string& host, const std::string& extraCaFile,
               Clock::time_point deadline);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // Sends all the bytes by the deadline; raises as the handshake does.
    void Send(const char* data, std::size_t length, Clock::time_point deadline);

    // Receives at most length bytes of the server's data: their count, 0 when the server ended
    // the connection, -1 when nothing came by the deadline.
    int Receive(char* buffer, std::size_t length, Clock::time_point deadline);

    // Tells the server that the secured session ends (close_notify), without waiting for its
    // answer. Never raises.
    void Close() noexcept;

    // The version agreed on, such as "TLSv1.3".
    std::string Protocol() const;

private:
    // Runs one OpenSSL call until it completes: its result, 0 when the server ended the
    // connection, -1 when the deadline passed first.
    template <typename Call>
    int Drive(Call call, TlsError::Kind failure, Clock::time_point deadline);
    // Sends what OpenSSL has written to its outgoing buffer.
    void Flush(Clock::time_point deadline);
    // Reads what the server sent into OpenSSL's incoming buffer; false when the deadline passed.
    bool Fill(Clock::time_point deadline);
    [[noreturn]] void Fail(TlsError::Kind kind, int sslError);

    int socket_;
    std::string host_;
    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
    BIO* incoming_ = nullptr;  // owned by ssl_
    BIO* outgoing_ = nullptr;  // owned by ssl_
    bool serverClosed_ = false;
};

}  // namespace calvendra
