#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/mail/temp_folder.h"

namespace calvendra::test {

// A real SMTP server for the length of a test: Debian's aiosmtpd, run by smtp_sink.py on a free
// loopback port. Every message it accepts is kept as text: the envelope sender on the first line,
// the envelope recipients separated by spaces on the second, an empty line, and the message as
// received after the server undid the dot-stuffing. A recipient whose local part is "unknown" is
// refused with 550.
class SmtpSinkServer {
public:
    SmtpSinkServer() = default;
    ~SmtpSinkServer() { Stop(); }
    SmtpSinkServer(const SmtpSinkServer&) = delete;
    SmtpSinkServer& operator=(const SmtpSinkServer&) = delete;

    // Before Start: the server offers AUTH without TLS (aiosmtpd's LOGIN and PLAIN, and a CRAM-MD5
    // of the script's own) for this one account and takes mail only after a login. With no
    // prompts, LOGIN asks with aiosmtpd's own "User Name" and "Password" (each ended by a zero
    // byte); otherwise with the two given.
    void RequireLogin(std::string user, std::string password,
                      std::vector<std::string> loginPrompts = {});

    // Before Start: the server offers STARTTLS and takes no mail before it, or speaks TLS from the
    // first byte, with the certificate and key (PEM files). Logins are then offered only under
    // TLS.
    enum class Tls { StartTls, Implicit };
    void UseTls(Tls mode, std::string certificate, std::string key);

    // Before Start: listen on this port rather than on a free one of the server's choosing (a
    // server that comes back where it was down).
    void UsePort(std::uint16_t port) { port_ = port; }

    // Starts the server and waits until its port answers; false, with the reason in `why`, when
    // it does not come up.
    bool Start(std::string& why);
    void Stop();

    std::uint16_t Port() const { return port_; }

    // The messages accepted so far, in the order they arrived.
    std::vector<std::string> Messages() const;

    // How many sessions have greeted the server with HELO or EHLO so far.
    int Sessions() const;

    // One line per login attempt so far: "MECHANISM user accepted" or "... refused".
    std::vector<std::string> Logins() const;

private:
    TempFolder folder_;
    std::uint16_t port_ = 0;
    pid_t child_ = -1;
    // The script's options, as JSON members; written to a file when there are any.
    std::string login_;
    std::string tls_;
};

}  // namespace calvendra::test
