#include "mail/tls_channel.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "mail/socket_errors.h"
#include "mail/socket_wait.h"
#include "mail/system_error_text.h"
#include "mail/wsocket_exception.h"

namespace calvendra {

namespace {

// What one read from the socket takes at most: one TLS record and its framing.
constexpr std::size_t kChunkBytes = 17 * 1024;

bool IsIpAddress(const std::string& host) {
    unsigned char address[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, host.c_str(), address) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// OpenSSL's reason for the last failure on this thread, and an empty queue afterwards.
std::string TakeOpenSslReason() {
    unsigned long last = 0;
    while (const unsigned long code = ERR_get_error()) {
        last = code;
    }
    if (last == 0) {
        return std::string();
    }
    if (const char* reason = ERR_reason_error_string(last)) {
        return reason;
    }
    char text[256];
    ERR_error_string_n(last, text, sizeof text);
    return text;
}

}  // namespace

TlsChannel::TlsChannel(int socketHandle, const std::string& host, const std::string& extraCaFile,
                       Clock::time_point deadline)
    : socket_(socketHandle), host_(host) {
    try {
        ERR_clear_error();
        context_ = SSL_CTX_new(TLS_client_method());
        if (context_ == nullptr) {
            throw TlsError(TlsError::Kind::Handshake, TakeOpenSslReason());
        }
        SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
        SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
        // SMTP replies say themselves where they end: a connection that ends without close_notify
        // is simply a closed connection.
        SSL_CTX_set_options(context_, SSL_OP_IGNORE_UNEXPECTED_EOF);
        SSL_CTX_set_default_verify_paths(context_);
        if (!extraCaFile.empty() &&
            SSL_CTX_load_verify_locations(context_, extraCaFile.c_str(), nullptr) != 1) {
            throw TlsError(
                TlsError::Kind::Certificate,
                "the CA file " + extraCaFile + " could not be read (" + TakeOpenSslReason() + ")");
        }
        ssl_ = SSL_new(context_);
        incoming_ = BIO_new(BIO_s_mem());
        outgoing_ = BIO_new(BIO_s_mem());
        if (ssl_ == nullptr || incoming_ == nullptr || outgoing_ == nullptr) {
            BIO_free(incoming_);
            BIO_free(outgoing_);
            incoming_ = outgoing_ = nullptr;
            throw TlsError(TlsError::Kind::Handshake, TakeOpenSslReason());
        }
        SSL_set_bio(ssl_, incoming_, outgoing_);
        // An address is checked against the certificate's addresses and sent without SNI, which
        // takes names only; a name is checked against the certificate's names.
        const bool named = IsIpAddress(host) ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_),
                                                                             host.c_str()) == 1
                                             : SSL_set_tlsext_host_name(ssl_, host.c_str()) == 1 &&
                                                   SSL_set1_host(ssl_, host.c_str()) == 1;
        if (!named) {
            throw TlsError(
                TlsError::Kind::Certificate,
                "the host name \"" + host + "\" cannot be checked against a certificate");
        }
        SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        SSL_set_connect_state(ssl_);
        const int done =
            Drive([this] { return SSL_do_handshake(ssl_); }, TlsError::Kind::Handshake, deadline);
        if (done < 0) {
            throw CWSocketException(kErrorTimedOut);
        }
        if (done == 0) {
            throw TlsError(TlsError::Kind::Handshake,
                           "the server closed the connection during the handshake");
        }
    } catch (...) {
        SSL_free(ssl_);
        SSL_CTX_free(context_);
        ssl_ = nullptr;
        context_ = nullptr;
        ERR_clear_error();
        throw;
    }
}

TlsChannel::~TlsChannel() {
    SSL_free(ssl_);
    SSL_CTX_free(context_);
}

template <typename Call>
int TlsChannel::Drive(Call call, TlsError::Kind failure, Clock::time_point deadline) {
    for (;;) {
        ERR_clear_error();
        const int result = call();
        const int error = SSL_get_error(ssl_, result);
        switch (error) {
            case SSL_ERROR_NONE:
                Flush(deadline);
                return result;
            case SSL_ERROR_WANT_READ:
                Flush(deadline);
                if (serverClosed_) {
                    return 0;
                }
                if (!Fill(deadline)) {
                    return -1;
                }
                break;
            case SSL_ERROR_WANT_WRITE:
                Flush(deadline);
                break;
            case SSL_ERROR_ZERO_RETURN:
                return 0;
            default:
                Fail(failure, error);
        }
    }
}

void TlsChannel::Fail(TlsError::Kind kind, int sslError) {
    const int savedErrno = errno;
    std::string reason = TakeOpenSslReason();
    try {
        Flush(Clock::now());  // the alert that tells the server why, if it still listens
    } catch (const CWSocketException&) {
    }
    ERR_clear_error();
    const long verified = SSL_get_verify_result(ssl_);
    if (kind == TlsError::Kind::Handshake && verified != X509_V_OK) {
        throw TlsError(TlsError::Kind::Certificate,
                       std::string(X509_verify_cert_error_string(verified)) +
                           " (the certificate presented for " + host_ + ")");
    }
    if (reason.empty()) {
        reason = sslError == SSL_ERROR_SYSCALL && savedErrno != 0 ? SystemErrorText(savedErrno)
                                                                  : "the TLS library failed";
    }
    throw TlsError(kind, reason);
}

void TlsChannel::Flush(Clock::time_point deadline) {
    char buffer[kChunkBytes];
    for (;;) {
        const int have = BIO_read(outgoing_, buffer, sizeof buffer);
        if (have <= 0) {
            return;
        }
        SendAllBy(socket_, buffer, static_cast<std::size_t>(have), deadline);
    }
}

bool TlsChannel::Fill(Clock::time_point deadline) {
    char buffer[kChunkBytes];
    for (;;) {
        if (!PollUntil(socket_, POLLIN, deadline)) {
            return false;
        }
        const ssize_t got = ::recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            BIO_write(incoming_, buffer, static_cast<int>(got));
            return true;
        }
        if (got == 0) {
            // From now on OpenSSL reads the end of the stream instead of waiting for more.
            serverClosed_ = true;
            BIO_set_mem_eof_return(incoming_, 0);
            return true;
        }
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            throw CWSocketException();
        }
    }
}

void TlsChannel::Send(const char* data, std::size_t length, Clock::time_point deadline) {
    // In pieces that an int counts, each written whole (OpenSSL's default).
    constexpr std::size_t kPiece = 1 << 20;
    for (std::size_t sent = 0; sent < length;) {
        const int piece = static_cast<int>(std::min(length - sent, kPiece));
        const int written = Drive([&] { return SSL_write(ssl_, data + sent, piece); },
                                  TlsError::Kind::Connection, deadline);
        if (written < 0) {
            throw CWSocketException(kErrorTimedOut);
        }
        if (written == 0) {
            throw CWSocketException(EPIPE);
        }
        sent += static_cast<std::size_t>(written);
    }
}

int TlsChannel::Receive(char* buffer, std::size_t length, Clock::time_point deadline) {
    const int wanted = static_cast<int>(std::min<std::size_t>(length, INT_MAX));
    return Drive([&] { return SSL_read(ssl_, buffer, wanted); }, TlsError::Kind::Connection,
                 deadline);
}

void TlsChannel::Close() noexcept {
    if (ssl_ == nullptr || serverClosed_) {
        return;
    }
    ERR_clear_error();
    SSL_shutdown(ssl_);
    try {
        Flush(Clock::now());
    } catch (const CWSocketException&) {
        // The server has gone already.
    }
    ERR_clear_error();
}

std::string TlsChannel::Protocol() const {
    return ssl_ != nullptr ? SSL_get_version(ssl_) : std::string();
}

}  // namespace calvendra
