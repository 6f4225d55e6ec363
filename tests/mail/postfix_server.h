#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/mail/temp_folder.h"

namespace calvendra::test {

// A real Postfix for the length of a test, never the machine's own mail service: its own
// configuration, queue and data folders in a temporary folder, listening on a free port of
// 127.0.0.1 only, with its strict checks on (8-bit text in headers or undeclared in the body, an
// encoded multipart entity, bare line feeds: all refused). Every recipient's copy of a message is
// delivered into one Maildir. Postfix's master process must run as root.
class PostfixServer {
public:
    // The realm of the account that RequireLogin creates.
    static constexpr const char* kSaslRealm = "calvendra.test";

    PostfixServer() = default;
    ~PostfixServer() { Stop(); }
    PostfixServer(const PostfixServer&) = delete;
    PostfixServer& operator=(const PostfixServer&) = delete;

    // Before Start: the server offers AUTH through Cyrus SASL (PLAIN, LOGIN, CRAM-MD5, NTLM) with
    // this one account, kept in a sasldb file of the test's folder, and accepts mail only from a
    // client that logged in. Delivered mail names the login in its Received line.
    void RequireLogin(std::string user, std::string password);

    // Before Start: the server offers STARTTLS with the certificate and key (PEM files), takes
    // nothing but STARTTLS, QUIT and EHLO before it, offers logins only after it, and names the
    // TLS version in its Received line.
    void RequireStartTls(std::string certificate, std::string key);

    // Writes the configuration, starts the master process and waits until the port answers;
    // false, with the reason in `why`, when it does not come up.
    bool Start(std::string& why);
    // Stops the master process and with it every Postfix process it started. A test process that
    // is killed leaves that to a guard process, which also removes the folder.
    void Stop();

    std::uint16_t Port() const { return port_; }

    struct Delivery {
        std::string recipient;  // as Postfix's Delivered-To line names it
        std::string path;       // the message file in the Maildir
    };
    // Waits until at least `count` messages have been delivered (or the limit has passed) and
    // returns all deliveries so far, ordered by recipient.
    std::vector<Delivery> WaitForDeliveries(std::size_t count, std::chrono::seconds limit) const;

    // Postfix's own log, for the reason of a refusal or a failed delivery.
    std::string Log() const;

private:
    bool StartGuard();
    bool WriteSaslConfiguration(std::string& why);

    TempFolder folder_;
    std::uint16_t port_ = 0;
    pid_t master_ = -1;
    pid_t guard_ = -1;
    int guardPipe_ = -1;
    std::string saslUser_;
    std::string saslPassword_;
    std::string tlsCertificate_;
    std::string tlsKey_;
};

}  // namespace calvendra::test
