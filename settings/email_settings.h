#pragma once

#include <optional>
#include <string>

namespace calvendra {

// The TCP ports an SMTP server can listen on.
inline constexpr long kLowestPort = 1;
inline constexpr long kHighestPort = 65535;

constexpr bool IsPortNumber(long long value) {
    return value >= kLowestPort && value <= kHighestPort;
}

// How reminder mail protects its connection to the server: not at all, with STARTTLS (usually on
// the submission port 587), or with TLS from the first byte (usually on port 465).
enum class MailSecurity { None, StartTls, Tls };

// The profile's text for each mode: "none", "starttls", "tls".
inline const char* MailSecurityText(MailSecurity security) {
    switch (security) {
        case MailSecurity::StartTls:
            return "starttls";
        case MailSecurity::Tls:
            return "tls";
        default:
            return "none";
    }
}

// The mode a profile text names, in any letter case and with blanks around it; none for any
// other text.
inline std::optional<MailSecurity> MailSecurityFromText(std::string text) {
    const std::size_t first = text.find_first_not_of(" \t");
    text = first == std::string::npos
               ? std::string()
               : text.substr(first, text.find_last_not_of(" \t") - first + 1);
    for (char& c : text) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    for (const MailSecurity security :
         {MailSecurity::None, MailSecurity::StartTls, MailSecurity::Tls}) {
        if (text == MailSecurityText(security)) {
            return security;
        }
    }
    return std::nullopt;
}

// The port servers usually take each mode on: 25, 587 and 465.
constexpr int UsualPort(MailSecurity security) {
    return security == MailSecurity::StartTls ? 587 : security == MailSecurity::Tls ? 465 : 25;
}

// How reminder e-mail leaves the machine: the sender address shown to recipients and the SMTP
// server with its port, credentials and encryption. A plain record that needs nothing of
// wxWidgets, so that reminder mail can take it as it is. The running organizer holds one (its
// document owns it): it is loaded from the profile when the view first updates, changed only by
// the "Email Setting" dialog, and read by reminder mail each time a reminder falls due, on the
// window thread; the mail takes a copy to its worker.
struct EmailSettings {
    std::string senderAddress;
    std::string smtpServer;
    // 0 until the record is loaded; the profile's default is 25.
    int smtpPort = 0;
    std::string smtpAccount;
    std::string smtpPassword;
    MailSecurity security = MailSecurity::None;
    // The stored security text when it names no mode ("ssl", a typo). No mail goes out then, not
    // even in clear text, until the "Email Setting" dialog has a mode chosen and saved. Empty
    // when the text named a mode or there was none.
    std::string unknownSecurity;
};

// Why mail does not go out while the stored security is such a text.
inline std::string UnknownSecurityText(const std::string& stored) {
    return "the stored SMTP security \"" + stored +
           "\" is none of \"none\", \"starttls\" and \"tls\", so no mail is sent until a "
           "security is chosen and saved in Setting, Email Setting";
}

}  // namespace calvendra
