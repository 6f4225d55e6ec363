#pragma once

#include <string>

#include "tests/mail/scripted_peer.h"
#include "tests/mail/test_certificates.h"

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace calvendra::test {

// The server's side of TLS on a scripted peer's connection (OpenSSL), for scripts that play a
// mail server with STARTTLS or implicit TLS. The handshake runs in the constructor; every read
// gives up after a few seconds, as the peer's own do.
class TlsPeer {
public:
    TlsPeer(Peer& peer, const TestCertificates::Pair& identity);
    ~TlsPeer();
    TlsPeer(const TlsPeer&) = delete;
    TlsPeer& operator=(const TlsPeer&) = delete;

    // True when the handshake succeeded; else the client refused it or went away.
    bool Accepted() const { return accepted_; }
    // OpenSSL's reason when the handshake failed, such as "tlsv1 alert unknown ca".
    const std::string& Failure() const { return failure_; }
    // The version agreed on, such as "TLSv1.3".
    std::string Protocol() const;

    void Send(const std::string& bytes);
    // Reads up to and including the next CR LF (less when the client closes or the wait runs out).
    std::string ReadLine();

private:
    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
    bool accepted_ = false;
    std::string failure_;
};

}  // namespace calvendra::test
