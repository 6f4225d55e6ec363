#include "tests/mail/tls_peer.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <csignal>

namespace calvendra::test {

TlsPeer::TlsPeer(Peer& peer, const TestCertificates::Pair& identity) {
    // A client that refuses the certificate closes the connection while the peer still writes.
    std::signal(SIGPIPE, SIG_IGN);
    timeval wait{5, 0};
    ::setsockopt(peer.Fd(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    ::setsockopt(peer.Fd(), SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    context_ = SSL_CTX_new(TLS_server_method());
    if (context_ == nullptr ||
        SSL_CTX_use_certificate_chain_file(context_, identity.certificate.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context_, identity.key.c_str(), SSL_FILETYPE_PEM) != 1) {
        failure_ = "the test's certificate could not be loaded";
        return;
    }
    ssl_ = SSL_new(context_);
    SSL_set_fd(ssl_, peer.Fd());
    if (SSL_accept(ssl_) == 1) {
        accepted_ = true;
    } else {
        const unsigned long code = ERR_peek_last_error();
        const char* reason = ERR_reason_error_string(code);
        failure_ = reason != nullptr ? reason : "the client went away during the handshake";
    }
    ERR_clear_error();
}

TlsPeer::~TlsPeer() {
    SSL_free(ssl_);
    SSL_CTX_free(context_);
}

std::string TlsPeer::Protocol() const {
    return ssl_ != nullptr ? SSL_get_version(ssl_) : std::string();
}

void TlsPeer::Send(const std::string& bytes) {
    if (accepted_ && !bytes.empty()) {
        SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size()));
    }
}

std::string TlsPeer::ReadLine() {
    std::string line;
    char byte = 0;
    while (accepted_ && (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) &&
           SSL_read(ssl_, &byte, 1) == 1) {
        line += byte;
    }
    ERR_clear_error();
    return line;
}

}  // namespace calvendra::test
